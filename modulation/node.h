// Root of the LFO class tree: the three bank-managed fields that make an object a member of the
// LFO bank's list of active objects.
#pragma once

#include <cstdint>

namespace modulation {

class LfoBank;

class Node {
 public:
  // Bits 0..3: lane n is assigned to an LFO while bit n is set.
  std::uint32_t LaneMask() const { return laneMask_; }
  // Links of the active list; both null while the object is outside the list and also while it
  // is the list's only member.
  const Node* NextNode() const { return next_; }
  const Node* PreviousNode() const { return previous_; }

 protected:
  Node() = default;
  ~Node() = default;

 private:
  friend class LfoBank;  // the bank alone writes these fields
  std::uint32_t laneMask_ = 0;
  Node* next_ = nullptr;
  Node* previous_ = nullptr;
};

}  // namespace modulation
