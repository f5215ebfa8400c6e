// An owned, zero-filled, 16-byte aligned array of doubles with four spare elements on each side.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

namespace engine {

class AlignedDoubles {
 public:
  static constexpr int kSpare = 4;

  explicit AlignedDoubles(int size) : size_(size) {
    const std::size_t total = static_cast<std::size_t>(size + 2 * kSpare);
    block_ = static_cast<double*>(::operator new[](total * sizeof(double), std::align_val_t{16}));
    std::memset(block_, 0, total * sizeof(double));
  }
  ~AlignedDoubles() { ::operator delete[](block_, std::align_val_t{16}); }
  AlignedDoubles(const AlignedDoubles&) = delete;
  AlignedDoubles& operator=(const AlignedDoubles&) = delete;

  // First used element; the spares lie at data()[-4 .. -1] and data()[size .. size + 3].
  double* data() { return block_ + kSpare; }
  const double* data() const { return block_ + kSpare; }
  int size() const { return size_; }
  double& operator[](int i) { return data()[i]; }
  double operator[](int i) const { return data()[i]; }

 private:
  double* block_;
  int size_;
};

}  // namespace engine
