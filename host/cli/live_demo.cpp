// edit --audio through JACK: the live engine with the demo phrase for its input.
#include "host/cli/live_demo.h"

#include "host/cli/cli_error.h"
#include "host/cli/demo_signal.h"
#include "host/cli/jack_session.h"

namespace qvcli {
namespace {

constexpr double kPhraseSeconds = 8.0;
constexpr double kTempo = 120.0;

JackClientOptions DemoClient() {
  JackClientOptions options;
  options.name = "quorvantel-edit";
  options.inputs = false;
  return options;
}

class JackDemo : public DemoPlayback {
 public:
  JackDemo(qvhost::PluginHost& host, std::string* where)
      : jack_(DemoClient()),
        engine_(host, kTempo, DemoPhrase(kPhraseSeconds, jack_.SampleRate())) {
    std::vector<std::string> speakers = jack_.AudioPorts(false, true);
    if (speakers.size() > 2) speakers.resize(2);
    try {
      jack_.Start(engine_);
      jack_.ConnectOutputs(speakers);
    } catch (...) {
      jack_.Close();  // before the engine goes
      throw;
    }
    std::string to;
    for (const std::string& s : speakers) to += (to.empty() ? "" : ", ") + s;
    *where = "playing the demo phrase through JACK as \"" + jack_.Name() + "\"" +
             (to.empty() ? " (the server has no playback ports; connect its outputs yourself)"
                         : " to " + to);
  }
  ~JackDemo() override {
    jack_.Close();
    engine_.Stop();
  }

 private:
  JackSession jack_;
  LiveEngine engine_;
};

}  // namespace

std::unique_ptr<DemoPlayback> PlayDemoThroughJack(qvhost::PluginHost& host, std::string* where) {
  where->clear();
  try {
    return std::make_unique<JackDemo>(host, where);
  } catch (const NoJackServer&) {
    return nullptr;
  } catch (const CliError& e) {
    *where = std::string("not through JACK: ") + e.what();
    return nullptr;
  }
}

}  // namespace qvcli
