// The host applications the framework tells apart by their product string, and what it does
// differently for some of them.
#pragma once

namespace framework {

// The host number HostKind answers; numbers not listed are never produced.
enum class KnownHost : int {
  kNone = 0,
  kReaper = 1,
  kCubase = 3,
  kNuendo = 4,
  kCakewalk = 5,
  kFruityLoops = 7,
  kSamplitude = 8,
  kLive = 9,
  kMelodyne = 12,
  kVstManLib = 13,
  kAuLab = 14,
  kForte = 15,
  kChainer = 16,
  kAudition = 17,
  kOrion = 18,
  kSawStudio = 20,
  kLogic = 21,
  kDigitalPerformer = 22,
};

// The first known product name found anywhere in the lower-cased name; kNone for null or unknown.
KnownHost HostKindFromName(const char* name);

// Hosts that get only the first two inputs connected.
bool HostTakesOnlyStereoInputs(KnownHost host);
// Hosts for which an effect without channels gets a stereo pair.
bool HostNeedsStereoIo(KnownHost host);

}  // namespace framework
