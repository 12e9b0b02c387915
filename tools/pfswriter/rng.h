// The pseudo-random numbers of the document generators: xorshift32, the
// same sequence on every platform, so a seed always gives the same document.
#pragma once

#include <cstddef>
#include <cstdint>

class Rng {
  public:
    // A state of 0 would stay 0 for ever; it is replaced by a fixed one.
    explicit Rng(uint32_t state) : s_(state ? state : 0x9E3779B9u) {}
    // The next 32 pseudo-random bits.
    uint32_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    // A number in 0..n-1 (n > 0).
    uint32_t below(uint32_t n) { return next() % n; }
    // True with the given percentage.
    bool percent(uint32_t p) { return below(100) < p; }
    // One element of a fixed array.
    template <typename T, size_t N> const T& pick(const T (&a)[N]) { return a[below(N)]; }

  private:
    uint32_t s_;
};
