// Host call scripts from the fuzzer's bytes, through the effect record of a fresh instance: every
// opcode with hostile but legal arguments, parameters, the three process paths with odd frame
// counts, changing time information. Any wrong answer is a finding.
#include <cstdint>

#include "host/lib/plugin_host.h"
#include "quorvantel/quorvantel.h"
#include "tests/fuzz/fuzz_finding.h"
#include "tests/plugin/host_call_script.h"

using namespace framework;
using namespace quorvantel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  auto host = qvhost::PluginHost::Start(&CreateQuorvantelEffect, "Quorvantel", &error);
  if (!host) fuzz::Finding(error);
  host->Open();
  hostscript::ByteChoices choices(data, size);
  hostscript::HostCallScript script(*host, choices,
                                    [](const std::string& what) { fuzz::Finding(what); });
  while (!choices.Exhausted() && script.Step()) {
  }
  script.CheckParameters("the script");
  if (script.slackDamage != 0) fuzz::Finding("a buffer was written past its size");
  host->Close();
  if (host->TextOverruns() != 0) fuzz::Finding("a text reply ran past its buffer");
  return 0;
}
