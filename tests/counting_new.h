// A global operator new that counts, for the tests that check that an audio path allocates
// nothing: a test program links tests/counting_new.cpp (once) and reads the count around the
// code it watches.
#pragma once

namespace qvtest {

// Allocations through operator new (any form) since the program started.
long AllocationCount();

}  // namespace qvtest
