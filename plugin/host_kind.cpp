// Identification of the host application from its product string.
#include "plugin/host_kind.h"

#include <cctype>
#include <string>

namespace {

struct HostNameRow {
  const char* substring;
  KnownHost host;
};

// Tested in this order; the first substring found wins.
constexpr HostNameRow kHostNames[] = {
    {"cubase", KnownHost::Cubase},
    {"reaper", KnownHost::Reaper},
    {"nuendo", KnownHost::Nuendo},
    {"cakewalk", KnownHost::Cakewalk},
    {"samplitude", KnownHost::Samplitude},
    {"fruity", KnownHost::FruityLoops},
    {"live", KnownHost::Live},
    {"melodyne", KnownHost::Melodyne},
    {"vstmanlib", KnownHost::VstManLib},
    {"aulab", KnownHost::AuLab},
    {"forte", KnownHost::Forte},
    {"chainer", KnownHost::Chainer},
    {"audition", KnownHost::Audition},
    {"orion", KnownHost::Orion},
    {"sawstudio", KnownHost::SawStudio},
    {"logic", KnownHost::Logic},
    {"digital", KnownHost::DigitalPerformer},
};

}  // namespace

KnownHost HostKindFromName(const char* name) {
  if (name == nullptr) return KnownHost::None;
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const HostNameRow& row : kHostNames) {
    if (lower.find(row.substring) != std::string::npos) return row.host;
  }
  return KnownHost::None;
}

bool HostTakesOnlyStereoInputs(KnownHost host) {
  return host == KnownHost::Forte || host == KnownHost::Audition || host == KnownHost::Orion ||
         host == KnownHost::SawStudio;
}

bool HostNeedsStereoIo(KnownHost host) {
  return host == KnownHost::Cakewalk || host == KnownHost::Live || HostTakesOnlyStereoInputs(host);
}
