// Identification of the host application from its product string.
#include <cctype>
#include <cstring>
#include <string>

#include "plugin/effect_base.h"

namespace {

struct HostNameRow {
  const char* substring;
  int number;
};

// Tested in this order; the first substring found anywhere in the lower-cased name wins.
// Numbers 2, 6, 10, 11 and 19 are never produced; 0 means no recognised host.
constexpr HostNameRow kHostNames[] = {
    {"cubase", 3}, {"reaper", 1},   {"nuendo", 4},    {"cakewalk", 5},   {"samplitude", 8},
    {"fruity", 7}, {"live", 9},     {"melodyne", 12}, {"vstmanlib", 13}, {"aulab", 14},
    {"forte", 15}, {"chainer", 16}, {"audition", 17}, {"orion", 18},     {"sawstudio", 20},
    {"logic", 21}, {"digital", 22},
};

}  // namespace

int IEffectBase::HostKindFromName(const char* name) {
  if (name == nullptr) return 0;
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const HostNameRow& row : kHostNames) {
    if (lower.find(row.substring) != std::string::npos) return row.number;
  }
  return 0;
}
