// The host applications the framework tells apart by their product string, and what it does
// differently for some of them.
#pragma once

// The host number HostKind answers; numbers not listed are never produced.
enum class KnownHost : int {
  None = 0,
  Reaper = 1,
  Cubase = 3,
  Nuendo = 4,
  Cakewalk = 5,
  FruityLoops = 7,
  Samplitude = 8,
  Live = 9,
  Melodyne = 12,
  VstManLib = 13,
  AuLab = 14,
  Forte = 15,
  Chainer = 16,
  Audition = 17,
  Orion = 18,
  SawStudio = 20,
  Logic = 21,
  DigitalPerformer = 22,
};

// The first known product name found anywhere in the lower-cased name; None for null or unknown.
KnownHost HostKindFromName(const char* name);

// Hosts that get only the first two inputs connected.
bool HostTakesOnlyStereoInputs(KnownHost host);
// Hosts for which an effect without channels gets a stereo pair.
bool HostNeedsStereoIo(KnownHost host);
