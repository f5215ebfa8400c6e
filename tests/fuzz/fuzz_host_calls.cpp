// Host call scripts from the fuzzer's bytes, through the effect record: every opcode with hostile
// but legal arguments, parameters, the three process paths with odd frame counts, changing time
// information. Any wrong answer is a finding. One instance serves the whole run; each input
// starts from its fresh session (parameters, rates, block size, channels, transport).
#include <cstdint>

#include "tests/fuzz/fuzz_finding.h"
#include "tests/fuzz/fuzz_instance.h"
#include "tests/plugin/host_call_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInstance& instance = fuzz::FuzzInstance::Get();
  instance.RestoreSession();
  qvhost::PluginHost& host = instance.Host();
  const int overrunsBefore = host.TextOverruns();
  hostscript::ByteChoices choices(data, size);
  hostscript::HostCallScript script(
      host, choices, [](const std::string& what) { fuzz::Finding(what); }, false);
  // A script of at most 8 steps: the fuzzer keeps and joins the short scripts that reach
  // something new, which explores more in a given time than fewer long ones would.
  for (int steps = 0; steps < 8 && !choices.Exhausted() && script.Step(); ++steps) {
  }
  script.CheckParameters("the script");
  if (script.slackDamage != 0) fuzz::Finding("a buffer was written past its size");
  if (host.TextOverruns() != overrunsBefore) fuzz::Finding("a text reply ran past its buffer");
  return 0;
}
