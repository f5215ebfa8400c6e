// The LV2 adapter of the framework: an instance as an LV2 plug-in sees it. Control ports become
// parameter values at the start of each run(), the atom input's time:Position objects answer the
// effect's transport and tempo questions, the effect's read-outs go to control outputs, and
// state:interface saves and restores the same chunk as the VST 2 adapter.
#pragma once

#include <cstdint>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "framework/effect_base.h"
#include "framework/lv2/lv2_urids.h"
#include "framework/lv2/port_layout.h"
#include "framework/lv2/time_position.h"

namespace framework {

// The host features an instance or a UI uses, picked from the host's list.
struct Lv2HostFeatures {
  const LV2_URID_Map* map = nullptr;
  const LV2_Log_Log* log = nullptr;

  static Lv2HostFeatures Scan(const LV2_Feature* const* features);
};

// Messages through log:log when the host offers it; nothing otherwise (the plug-in writes no log
// of its own). Any thread but the audio thread.
void Lv2Log(const Lv2HostFeatures& host, LV2_URID type, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// What instantiate hands the effect's constructor.
struct Lv2Instance {
  double sampleRate = 44100.0;
  Lv2HostFeatures host;  // map is never null here
  const char* stateKey = "";  // the URI the state chunk is stored under
  int readOuts = 0;           // control outputs after the time port
};

class IEffectLv2 : public IEffectBase {
 public:
  // Constructing thread (the host's instantiate). Connects the stereo channels and takes the
  // sample rate; the ports are unconnected until connect_port.
  IEffectLv2(const Lv2Instance& instance, EffectIdentity identity);
  ~IEffectLv2() override;

  const Lv2PortLayout& Ports() const { return layout_; }

  // The host side, from the last time:Position (audio thread, lock held): playing unless a
  // position with a musical field said the transport stands; its tempo, 0 without one.
  bool HostIsPlaying() override;
  double HostTempo() override;
  int HostSamplePos() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void HostTimeInfo(HostTransport& out) override;

  // The LV2 entry points (entry.cpp calls them; each catches nothing, the glue does).
  // Instantiating thread, after construction: applies every parameter as a VST 2 host's open
  // does, then the sample rate.
  void Open();
  // Audio class (never during run): stores the location; an index outside the layout is ignored.
  void ConnectPort(std::uint32_t port, void* data);
  // Instantiation class, lock taken.
  void Activate();
  void Deactivate();
  // Audio thread: takes the lock for the whole call; allocates nothing.
  void Run(std::uint32_t frames);
  // state:interface. Save: any thread but the audio thread (it may run meanwhile); copies the
  // chunk under the lock and hands it to the host after releasing it. Restore: instantiation
  // class; refuses a chunk that is not exactly what Save writes (size, header, version, finite
  // values) and leaves every parameter as it was. Either way the control ports are read again
  // at the next run, so where the chunk and the ports disagree the ports win.
  LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

 protected:
  // Audio thread, lock held, after every run(): the values of the effect's read-outs, one per
  // read-out port, in port order. Default: zeros.
  virtual void ReadOutValues(float* values, int count);
  // Nothing to send: an LV2 plug-in reaches its host only through ports, and this adapter's
  // editor never opens in the plug-in (the UI is a separate module).
  void SendToHost(const HostNotification&) noexcept override {}

 private:
  void ApplyControlPorts();
  void ProcessSpan(int offset, int frames);
  void ReadTransport(std::uint32_t frames);

  Lv2PortLayout layout_;
  Lv2HostFeatures host_;
  Lv2Urids urids_;
  std::vector<const float*> controls_;
  std::vector<float> lastControls_;  // the port values the parameters were last compared with
  bool portsStale_ = true;           // compare every port at the next run (after a restore)
  std::vector<float*> audioInputs_;
  std::vector<float*> audioOutputs_;
  const LV2_Atom_Sequence* timePort_ = nullptr;
  std::vector<float*> readOutPorts_;
  std::vector<float> readOuts_;
  Lv2Transport transport_;
};

}  // namespace framework
