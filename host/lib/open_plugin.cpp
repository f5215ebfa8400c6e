// Loading a plug-in of either format by its file.
#include <algorithm>
#include <cctype>

#include "host/lib/clap_plugin_host.h"
#include "host/lib/plugin.h"
#include "host/lib/vst2_plugin.h"

namespace qvhost {

bool IsClapPath(const std::string& path) {
  constexpr char kSuffix[] = ".clap";
  constexpr std::size_t n = sizeof kSuffix - 1;
  if (path.size() <= n) return false;
  return std::equal(path.end() - n, path.end(), kSuffix, [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

std::unique_ptr<IPlugin> LoadPlugin(const std::string& path, const std::string& pluginId,
                                    std::string* error) {
  if (IsClapPath(path)) return ClapPluginHost::Load(path, pluginId, error);
  if (!pluginId.empty()) {
    if (error != nullptr) *error = "--plugin-id names a plug-in in a CLAP file; " + path + " is not one";
    return nullptr;
  }
  std::unique_ptr<PluginHost> host = PluginHost::Load(path, error);
  if (!host) return nullptr;
  host->Open();
  return std::make_unique<Vst2Plugin>(std::move(host));
}

}  // namespace qvhost
