// Identification of the host application from its product string.
#include "framework/host_kind.h"

#include <cctype>
#include <string>

namespace framework {

namespace {

struct HostNameRow {
  const char* substring;
  KnownHost host;
};

// Tested in this order; the first substring found wins.
constexpr HostNameRow kHostNames[] = {
    {"cubase", KnownHost::kCubase},
    {"reaper", KnownHost::kReaper},
    {"nuendo", KnownHost::kNuendo},
    {"cakewalk", KnownHost::kCakewalk},
    {"samplitude", KnownHost::kSamplitude},
    {"fruity", KnownHost::kFruityLoops},
    {"live", KnownHost::kLive},
    {"melodyne", KnownHost::kMelodyne},
    {"vstmanlib", KnownHost::kVstManLib},
    {"aulab", KnownHost::kAuLab},
    {"forte", KnownHost::kForte},
    {"chainer", KnownHost::kChainer},
    {"audition", KnownHost::kAudition},
    {"orion", KnownHost::kOrion},
    {"sawstudio", KnownHost::kSawStudio},
    {"logic", KnownHost::kLogic},
    {"digital", KnownHost::kDigitalPerformer},
};

}  // namespace

KnownHost HostKindFromName(const char* name) {
  if (name == nullptr) return KnownHost::kNone;
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const HostNameRow& row : kHostNames) {
    if (lower.find(row.substring) != std::string::npos) return row.host;
  }
  return KnownHost::kNone;
}

bool HostTakesOnlyStereoInputs(KnownHost host) {
  return host == KnownHost::kForte || host == KnownHost::kAudition || host == KnownHost::kOrion ||
         host == KnownHost::kSawStudio;
}

bool HostNeedsStereoIo(KnownHost host) {
  return host == KnownHost::kCakewalk || host == KnownHost::kLive ||
         HostTakesOnlyStereoInputs(host);
}

}  // namespace framework
