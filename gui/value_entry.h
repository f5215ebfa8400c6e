// The value entry opened by a right click on a bound control: its states, the geometry and
// contents of its box, and what each tick does with it. The native box comes from the window
// layer; everything here is the same on every platform.
#pragma once

#include <memory>
#include <string>

#include "framework/parameter.h"
#include "gui/records.h"

namespace gui {

using framework::ParameterDefinition;

class IControl;
class IEditorSurface;
class IEntryWidget;
class IWindowLayer;
struct EntryRequest;

enum EntryState : int {
  EntryIdle = 0,
  EntryFocused = 1,
  EntryRefresh = 2,
  EntryCancel = 3,
  EntryCommit = 4,
};

// Committed and refreshed texts are cut to this many characters.
constexpr std::size_t kEntryTextLimit = 1000;

// The plain value a text typed for parameter stands for, not yet clamped to its range: one of
// the parameter's display texts (in any case), or a number, optionally followed by the
// parameter's unit ("50", "50 ms", "50ms"; negated where the parameter negates its display).
// False for anything else, which the entry treats as a cancel.
bool ParseTypedValue(const ParameterDefinition& parameter, const std::string& text, double* plain);

// Editor thread only: the window layer's widget calls SetState from the editor thread too.
class ValueEntry {
 public:
  explicit ValueEntry(IEditorSurface& surface) : surface_(surface) {}
  ~ValueEntry();

  // The box for control and parameter, unless one is open or either is null. The state starts
  // at EntryIdle.
  void Open(IControl* control, const ParameterDefinition* parameter, IWindowLayer& layer);
  bool IsOpen() const { return widget_ != nullptr; }
  EntryState State() const { return state_; }
  void SetState(EntryState state) { state_ = state; }
  IControl* Control() const { return control_; }
  const ParameterDefinition* Param() const { return parameter_; }

  // Timer step for a state other than EntryIdle: refresh, commit or close.
  void HandleTick();
  // Destroys the box and forgets control and parameter.
  void Close();

  // Where and what the box for control and parameter is (public for tests).
  static EntryRequest RequestFor(const IControl& control, const ParameterDefinition& parameter,
                                 const std::string& currentText);

 private:
  std::string CurrentDisplay() const;

  IEditorSurface& surface_;
  std::unique_ptr<IEntryWidget> widget_;
  IControl* control_ = nullptr;
  const ParameterDefinition* parameter_ = nullptr;
  EntryState state_ = EntryIdle;
  std::string shown_;  // the parameter's display text last put into the box
};

}  // namespace gui
