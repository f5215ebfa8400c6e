// The commands of quorvantel-host; each takes the words after its name and returns an exit code
// or throws CliError.
#pragma once

#include <string>
#include <vector>

namespace qvcli {

using Args = std::vector<std::string>;

int RunInfo(const Args& args);
int RunParams(const Args& args);
int RunRender(const Args& args);
int RunPreset(const Args& args);
int RunBench(const Args& args);
int RunGenerate(const Args& args);
int RunSnapshot(const Args& args);
int RunEdit(const Args& args);

// Text as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace qvcli
