#include "analysis/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace pelquor {
namespace {

std::vector<Tcomplex> random_signal(int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<Tcomplex> x(static_cast<size_t>(n));
    for (auto& v : x)
        v = {d(gen), d(gen)};
    return x;
}

// Double-precision DFT with exact twiddles, at every step-th bin (the others
// are left 0 and skipped by relative_error).
std::vector<std::complex<double>> reference_dft(const std::vector<Tcomplex>& x, int step = 1) {
    const int n = static_cast<int>(x.size());
    std::vector<std::complex<double>> w(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        w[k] = std::polar(1.0, -2.0 * M_PI * k / n);
    std::vector<std::complex<double>> out(static_cast<size_t>(n));
    for (int k = 0; k < n; k += step) {
        std::complex<double> sum = 0;
        for (int j = 0; j < n; ++j)
            sum += std::complex<double>(x[j].re, x[j].im) *
                   w[static_cast<size_t>((static_cast<int64_t>(j) * k) % n)];
        out[k] = sum;
    }
    return out;
}

// Largest error relative to the largest output magnitude, over every step-th bin.
double relative_error(const std::vector<Tcomplex>& got,
                      const std::vector<std::complex<double>>& want, int step = 1) {
    double peak = 0;
    double err = 0;
    for (size_t k = 0; k < want.size(); k += static_cast<size_t>(step)) {
        peak = std::max(peak, std::abs(want[k]));
        err = std::max(err, std::abs(std::complex<double>(got[k].re, got[k].im) - want[k]));
    }
    return err / peak;
}

TEST(FftFactorise, RadixOrderAndSubstitution) {
    struct Case {
        int n;
        std::vector<int> stages;
    };
    const Case cases[] = {
        {16384, {4, 8, 8, 8, 8}},
        {16, {4, 4}},
        {128, {4, 4, 8}},
        {20, {2, 10}},
        {1000, {10, 10, 10}},
        {14, {7, 2}},
        {1, {1}},
        {2, {2}},
        {12, {3, 4}},
        {1021, {1021}},
        {2042, {1021, 2}},
        {49, {7, 7}},
        {1031, {1031}},
        {8, {8}},
        {32, {4, 8}},
        {60, {2, 3, 10}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fft_factorise(c.n), c.stages) << "n = " << c.n;
    EXPECT_TRUE(fft_factorise(0).empty());
}

TEST(FftTransform, LengthZeroAndOneLeaveOrCopy) {
    Tcomplex in[2] = {{3, -4}, {7, 7}};
    Tcomplex out[2] = {{9, 9}, {9, 9}};
    fft_transform(in, out, 0);
    EXPECT_EQ(out[0].re, 9);
    fft_transform(in, out, 1);
    EXPECT_EQ(out[0].re, 3);
    EXPECT_EQ(out[0].im, -4);
    EXPECT_EQ(out[1].re, 9); // only index 0 touched
}

TEST(FftTransform, ConstantInputGivesOnlyTheZeroBin) {
    const int n = 16384;
    std::vector<Tcomplex> in(n, Tcomplex{1, 0});
    std::vector<Tcomplex> out(n);
    fft_transform(in.data(), out.data(), n);
    EXPECT_NEAR(out[0].re, 16384.0f, 1e-2);
    EXPECT_NEAR(out[0].im, 0.0f, 1e-2);
    float worst = 0;
    for (int k = 1; k < n; ++k)
        worst = std::max(worst, cx_abs(out[k]));
    EXPECT_LT(worst, 1e-2f);
}

TEST(FftTransform, ImpulseAtOneGivesNegativeExponent) {
    for (int n : {16384, 1000, 14, 7, 11, 13, 12, 20}) {
        std::vector<Tcomplex> in(n, Tcomplex{0, 0});
        in[1] = {1, 0};
        std::vector<Tcomplex> out(n);
        fft_transform(in.data(), out.data(), n);
        double worst = 0;
        for (int k = 0; k < n; ++k) {
            const auto want = std::polar(1.0, -2.0 * M_PI * k / n);
            worst = std::max(worst, std::abs(std::complex<double>(out[k].re, out[k].im) - want));
        }
        EXPECT_LT(worst, 1e-4) << "n = " << n;
        EXPECT_LT(out[n / 4 > 0 ? n / 4 : 0].im, 0.5f) << "sign of the exponent, n = " << n;
    }
}

TEST(FftTransform, MatchesDoubleDftForMixedAndOddRadices) {
    // 7, 11, 13 and 1021 take the generic odd butterfly; the rest mix the
    // fixed radices with it.
    for (int n : {2, 3, 4, 5, 8, 10, 7, 11, 13, 1021, 14, 60, 1000, 2042, 49, 240, 4096, 15, 135}) {
        const auto x = random_signal(n, 100u + static_cast<unsigned>(n));
        std::vector<Tcomplex> out(static_cast<size_t>(n));
        fft_transform(x.data(), out.data(), n);
        EXPECT_LT(relative_error(out, reference_dft(x)), 1e-4) << "n = " << n;
    }
}

TEST(FftTransform, RandomInput16384StaysWithinBoundOfDoubleDft) {
    const int n = 16384;
    const auto x = random_signal(n, 7);
    std::vector<Tcomplex> out(n);
    fft_transform(x.data(), out.data(), n);
    // Every third bin keeps the test quick in the sanitizer build; the
    // benchmark program measures all of them.
    const double err = relative_error(out, reference_dft(x, 3), 3);
    RecordProperty("relative_error", std::to_string(err));
    std::printf("relative error at 16384: %.3g\n", err);
    EXPECT_LT(err, 1e-4);
}

TEST(FftTransform, InPlaceEqualsSeparateArraysAndKeepsInput) {
    for (int n : {16384, 1021, 60}) {
        const auto x = random_signal(n, 3);
        auto keep = x;
        std::vector<Tcomplex> out(static_cast<size_t>(n));
        fft_transform(x.data(), out.data(), n);
        EXPECT_EQ(0, std::memcmp(x.data(), keep.data(), x.size() * sizeof(Tcomplex)));
        fft_transform(keep.data(), keep.data(), n);
        EXPECT_EQ(0, std::memcmp(out.data(), keep.data(), out.size() * sizeof(Tcomplex)))
            << "n = " << n;
    }
}

TEST(FftTransform, PlanAndNarrowCodeGiveTheSameBits) {
    // The plan's tables, the two-lane and the four-lane vector code all do
    // the same operations in the same order.
    for (int n : {16384, 1000, 14, 1021, 2042, 60, 1, 15, 135, 84, 4 * 4 * 3}) {
        const auto x = random_signal(n, 11);
        std::vector<Tcomplex> a(static_cast<size_t>(n)), b(a.size()), c(a.size());
        fft_transform(x.data(), a.data(), n);
        const FftPlan plan(n);
        const FftPlan narrow(n, false);
        EXPECT_EQ(plan.factors(), fft_factorise(n));
        plan.transform(x.data(), b.data());
        narrow.transform(x.data(), c.data());
        EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(Tcomplex))) << "n = " << n;
        EXPECT_EQ(0, std::memcmp(a.data(), c.data(), a.size() * sizeof(Tcomplex))) << "n = " << n;
    }
}

TEST(FftTransform, PrimeFactorAbove1021FailsWithoutWriting) {
    const int n = 2 * 1031;
    std::vector<Tcomplex> in(n, Tcomplex{1, 1});
    std::vector<Tcomplex> out(n, Tcomplex{5, 5});
    try {
        fft_transform(in.data(), out.data(), n);
        FAIL() << "no error";
    } catch (const FftError& e) {
        EXPECT_STREQ(e.what(), "Prime factor for FFT length too large. Change value for "
                               "cMaxPrimeFactor in FFTs unit");
    }
    for (const auto& v : out)
        ASSERT_EQ(v.re, 5);
    EXPECT_THROW(FftPlan{1031}, FftError);
}

TEST(ComplexHelpers, Arithmetic) {
    const Tcomplex a = cx_make(1, 2), b = cx_make(3, -1);
    EXPECT_EQ(cx_add(a, b).re, 4);
    EXPECT_EQ(cx_sub(a, b).im, 3);
    EXPECT_EQ(cx_mul(a, b).re, 5); // 3 + 2
    EXPECT_EQ(cx_mul(a, b).im, 5); // 6 - 1
    EXPECT_EQ(cx_scale(a, 2).im, 4);
    EXPECT_FLOAT_EQ(cx_abs(cx_make(3, 4)), 5);
}

} // namespace
} // namespace pelquor
