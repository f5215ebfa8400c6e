// How a fuzz target reports a finding: one line on stderr, then abort, which libFuzzer saves as
// a crash input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

[[noreturn]] inline void Finding(const std::string& what) {
  std::fprintf(stderr, "finding: %s\n", what.c_str());
  std::abort();
}

}  // namespace fuzz
