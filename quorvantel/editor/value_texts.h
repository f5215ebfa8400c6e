// The effect's values as a user reads and types them: the text of a value with its unit, as the
// editor's read-outs show it (for the hints and the command-line host's tables), and the typed
// forms the value entry and the command line take besides plain numbers.
#pragma once

#include <functional>
#include <string>

#include "framework/parameter.h"


namespace quorvantel {

// The plain value of another parameter of the effect, by index, as the caller knows it: the
// texts of "Source" and of an LFO's "Rate" depend on the "MidSide" and "Sync" switches.
using PlainValueOf = std::function<double(int index)>;

// The value's text with its unit: "84.8 ms", "0.35", "C", "30%L" (Pan), "100%R" or "100%S"
// (Source: the channel its grains read), "25 %" (FB Apply), "1/4" (a synced Rate), "3.90 Hz",
// "1.00" (Dir), "LFO 3", "Hann". index is the parameter's index in the effect's table.
std::string ValueText(const framework::ParameterDefinition& parameter, int index, double plain,
                      const PlainValueOf& others);

// The plain value a typed text stands for, not clamped to the range: what ParseTypedValue
// takes, and the read-outs' own forms: "C", "30%L", "70%R" for Pan; "C", "100%R", "40%L" and
// with Mid/Side "100%S", "40%M" for Source; "25 %" or "25%" for FB Apply; a sync division
// ("1/4", "1/8t") for an LFO's Rate, which sets the middle of the rates that pick it. False
// when the text stands for no value.
bool ValueFromText(const framework::ParameterDefinition& parameter, int index, const std::string& text, double* plain);

}  // namespace quorvantel
