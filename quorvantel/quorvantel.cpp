// What every format's instance shares: the effect's identity and the creation lock.
#include "quorvantel/quorvantel.h"

namespace quorvantel {

framework::EffectIdentity QuorvantelIdentity() {
  framework::EffectIdentity identity;
  identity.parameters = QuorvantelParameters();
  identity.channelIo = "1-1 2-2";
  identity.programCount = kQuorvantelPrograms;
  identity.effectName = "Quorvantel";
  identity.productName = "";
  identity.vendorName = "Halbrecken";
  identity.vendorVersion = kQuorvantelVersion;
  identity.uniqueId = kQuorvantelUniqueId;
  identity.makerCode = kQuorvantelMakerCode;
  identity.latency = 0;
  identity.receivesMidi = false;
  identity.savesChunks = false;
  identity.isInstrument = false;
  return identity;
}

std::mutex& CreationLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace quorvantel
