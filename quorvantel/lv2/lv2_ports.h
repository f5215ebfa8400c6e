// What hosts know the LV2 plug-in by: its URIs, where its ports are, and their symbols and names.
// A host stores control values by symbol (in sessions, presets and state), so the symbols are
// fixed for good: a parameter's symbol comes from its name by the rule below, and neither names
// nor symbols may change once released.
#pragma once

#include <string>
#include <vector>

#include "framework/lv2/port_layout.h"
#include "framework/parameter.h"
#include "quorvantel/parameters/parameter_table.h"

namespace quorvantel {

// Our own URIs. They only name things and are never fetched; the domain is one reserved for
// names of this kind, so no one else's can clash with it.
inline constexpr char kLv2PluginUri[] = "https://halbrecken.example/lv2/quorvantel";
inline constexpr char kLv2UiUri[] = "https://halbrecken.example/lv2/quorvantel#ui";
inline constexpr char kLv2StateKey[] = "https://halbrecken.example/lv2/quorvantel#state";

// The read-outs, control outputs after the transport port: the editor's two statistics.
enum Lv2ReadOut : int { kReadOutGrainsPerSecond = 0, kReadOutDensity, kReadOutCount };

// Where the ports are: the same in the plug-in, its UI and the bundle's Turtle.
inline framework::Lv2PortLayout QuorvantelLv2Layout() {
  return framework::Lv2PortLayout{kParameterCount, 2, 2, kReadOutCount};
}

struct Lv2PortName {
  const char* symbol;
  const char* name;
};

// The parameter's name in lower case, each run of other characters than letters and digits one
// '_' ("Lng Dpth" lng_dpth, "FB Apply" fb_apply, "Shape1" shape1); a name several parameters
// share takes "_" and its occurrence number on each of them, as quorvantel-host numbers them with
// "#" ("Envelope" envelope_1 for the selector, envelope_2 .. envelope_5 for the four windows;
// "Env Skew" env_skew_1 .. env_skew_4).
std::vector<std::string> ParameterPortSymbols(
    const std::vector<framework::ParameterDefinition>& parameters);

inline constexpr Lv2PortName kLv2AudioInputs[] = {{"in_1", "Input 1"}, {"in_2", "Input 2"}};
inline constexpr Lv2PortName kLv2AudioOutputs[] = {{"out_1", "Output 1"}, {"out_2", "Output 2"}};
inline constexpr Lv2PortName kLv2TimePort = {"transport", "Transport"};
// In Lv2ReadOut order; the names are the editor's labels of the two statistics.
inline constexpr Lv2PortName kLv2ReadOuts[] = {{"grains_per_second", "Grains/Sec"},
                                               {"density", "Density"}};
// Their ranges' upper ends: at most one grain starts per 16 samples (12000 a second at 192 kHz),
// and at most 512 sound at once.
inline constexpr double kLv2ReadOutMaxima[] = {12000.0, 512.0};

}  // namespace quorvantel
