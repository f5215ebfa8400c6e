// A doubly linked list threaded through its members' own two link fields: it allocates nothing,
// members are appended at the tail and taken from the head, and every operation but Size is
// constant time.
#pragma once

namespace common {

// Next and Previous name T's links. A member outside any list has both links null, and so has a
// list's only member; a member is in at most one list at a time.
template <class T, T* T::*Next, T* T::*Previous>
class IntrusiveList {
 public:
  T* Head() const { return head_; }
  T* Tail() const { return tail_; }
  bool Empty() const { return head_ == nullptr; }

  // Whether node, which is in this list or in none, is in this list.
  bool Contains(const T* node) const {
    return node == head_ || node->*Next != nullptr || node->*Previous != nullptr;
  }

  // node must be in no list.
  void PushBack(T* node) {
    node->*Next = nullptr;
    node->*Previous = tail_;
    if (tail_ != nullptr) {
      tail_->*Next = node;
    } else {
      head_ = node;
    }
    tail_ = node;
  }

  // node must be in this list.
  void Unlink(T* node) {
    if (node->*Previous != nullptr) {
      node->*Previous->*Next = node->*Next;
    } else {
      head_ = node->*Next;
    }
    if (node->*Next != nullptr) {
      node->*Next->*Previous = node->*Previous;
    } else {
      tail_ = node->*Previous;
    }
    node->*Next = nullptr;
    node->*Previous = nullptr;
  }

  // The head, unlinked; nullptr when the list is empty.
  T* PopFront() {
    T* node = head_;
    if (node != nullptr) Unlink(node);
    return node;
  }

  int Size() const {
    int n = 0;
    for (const T* node = head_; node != nullptr; node = node->*Next) ++n;
    return n;
  }

 private:
  T* head_ = nullptr;
  T* tail_ = nullptr;
};

}  // namespace common
