// Mixed-radix FFT in single precision for any length whose prime factors are
// at most 1021. Forward transform only, negative exponent, no scaling, results
// in natural order. Callers own every array.
#pragma once

#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace pelquor {

struct Tcomplex {
    float re;
    float im;
};

constexpr int cMaxPrimeFactor = 1021;
constexpr int fft_max_factors = 20;

// Thrown when a length has a prime factor above cMaxPrimeFactor.
class FftError : public std::domain_error {
  public:
    using std::domain_error::domain_error;
};

inline Tcomplex cx_make(float re, float im) {
    return {re, im};
}
inline Tcomplex cx_add(Tcomplex a, Tcomplex b) {
    return {a.re + b.re, a.im + b.im};
}
inline Tcomplex cx_sub(Tcomplex a, Tcomplex b) {
    return {a.re - b.re, a.im - b.im};
}
inline Tcomplex cx_mul(Tcomplex a, Tcomplex b) {
    return {a.re * b.re - a.im * b.im, a.im * b.re + a.re * b.im};
}
inline Tcomplex cx_scale(Tcomplex a, float x) {
    return {x * a.re, x * a.im};
}
// Wider inside so that large spectra do not overflow before the root.
inline float cx_abs(Tcomplex a) {
    return static_cast<float>(std::sqrt(double(a.re) * a.re + double(a.im) * a.im));
}

// Stage radices in the order the stages run (the last factor found first).
// n = 1 gives {1}; n <= 0 gives an empty list.
std::vector<int> fft_factorise(int n);

// output[k] = sum_j input[j] * exp(-2 pi i j k / n). input and output may be
// the same array. n <= 0 does nothing. Throws FftError (output untouched) when
// the largest prime factor of n exceeds cMaxPrimeFactor.
void fft_transform(const Tcomplex* input, Tcomplex* output, int n);

// The same transform with its factors, permutation, twiddles and prime tables
// prepared once. The tables come from the same single-precision recurrences,
// so a planned transform gives bit for bit the result of fft_transform.
class FftPlan {
  public:
    // allow_wide = false keeps to the two-lane vector code even where the
    // four-lane one could run (the results are the same bits).
    explicit FftPlan(int n, bool allow_wide = true); // throws FftError like fft_transform
    int size() const { return n_; }
    const std::vector<int>& factors() const { return radix_; }
    // input and output must not be the same array.
    void transform(const Tcomplex* input, Tcomplex* output) const;

  private:
    struct Stage {
        int s = 1, r = 1, m = 1;
        std::vector<Tcomplex> twiddle; // [b * s + d]
        std::vector<Tcomplex> prime;   // generic radix: t[0 .. r-1]
    };
    int n_ = 0;
    bool wide_ = false;
    std::vector<int> radix_;
    std::array<int, 34> digit_radix_{}; // [1 .. F], for the permutation
    std::array<int, 34> digit_m_{};     // [0 .. F + 1]
    std::array<int, 34> digit_s_{};     // [1 .. F]
    int digit_count_ = 0;
    std::vector<Stage> stages_;
};

} // namespace pelquor

// Callers outside the namespace use the plain names.
using pelquor::fft_transform;
using pelquor::Tcomplex;
