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
int RunLive(const Args& args);

// What --version prints: this program's version, and the version number the plug-in (--plugin
// PATH among args, else the default one) reports to hosts, with its dotted reading, so the two
// can be matched. A plug-in that cannot be loaded is named with the reason; that is no error.
std::string VersionText(const std::string& hostVersion, const Args& args);

// Text as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace qvcli
