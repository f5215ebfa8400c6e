// Allocation behaviour: creation under memory exhaustion answers null; the audio and parameter
// paths allocate nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "quorvantel/vst2/quorvantel_vst2.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

using namespace framework;
using namespace quorvantel;

namespace {

// Allocations left before operator new starts failing; negative means never fail.
std::atomic<long> gAllocationsLeft{-1};
std::atomic<long> gAllocationCount{0};

}  // namespace

// The replacement pairs malloc with free on purpose; every allocation form routes through it.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  ++gAllocationCount;
  if (gAllocationsLeft.load() == 0) throw std::bad_alloc();
  if (gAllocationsLeft.load() > 0) --gAllocationsLeft;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return ::operator new(size); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

TEST(CreationUnderMemoryPressure, EveryFailurePointAnswersNull) {
  // Fail the first, second, ... allocation until creation succeeds; each failure must give null.
  int failures = 0;
  for (long n = 0; n < 100000; ++n) {
    gAllocationsLeft = n;
    vst2::AEffect* effect = CreateQuorvantelEffect(nullptr);
    gAllocationsLeft = -1;
    if (effect != nullptr) {
      EXPECT_EQ(effect->numParams, 89);
      effect->dispatcher(effect, vst2::kEffectClose, 0, 0, nullptr, 0);
      break;
    }
    ++failures;
  }
  EXPECT_GT(failures, 10);  // creation allocates many times; each point was tried
}

TEST(CreationUnderMemoryPressure, FailingSetChunkAnswersZero) {
  vst2::AEffect* effect = CreateQuorvantelEffect(nullptr);
  ASSERT_NE(effect, nullptr);
  std::uint8_t bytes[4000] = {};  // larger than the reserved chunk: must allocate
  gAllocationsLeft = 0;
  const vst2::intptr answer =
      effect->dispatcher(effect, vst2::kEffectSetChunk, 1, sizeof bytes, bytes, 0);
  gAllocationsLeft = -1;
  EXPECT_EQ(answer, 0);  // the exception stayed inside the dispatcher
  effect->dispatcher(effect, vst2::kEffectClose, 0, 0, nullptr, 0);
}

TEST(RealTimePaths, ProcessingAndAutomationAllocateNothing) {
  vst2::AEffect* e = CreateQuorvantelEffect(nullptr);
  ASSERT_NE(e, nullptr);
  e->dispatcher(e, vst2::kEffectOpen, 0, 0, nullptr, 0);
  e->dispatcher(e, vst2::kEffectSetBlockSize, 0, 256, nullptr, 0);
  float fl[1000] = {}, fr[1000] = {};
  double dl[1000] = {}, dr[1000] = {};
  float* fio[2] = {fl, fr};
  double* dio[2] = {dl, dr};
  const long before = gAllocationCount.load();
  for (int block = 0; block < 10; ++block) {
    e->processReplacing(e, fio, fio, 1000);  // longer than announced: cut into pieces
    e->process(e, fio, fio, 256);
    e->processDoubleReplacing(e, dio, dio, 1000);
    e->setParameter(e, block, 0.3f);
    e->getParameter(e, block);
  }
  EXPECT_EQ(gAllocationCount.load(), before);
  e->dispatcher(e, vst2::kEffectClose, 0, 0, nullptr, 0);
}

}  // namespace
