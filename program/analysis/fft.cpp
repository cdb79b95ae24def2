#include "analysis/fft.h"

#include <algorithm>
#include <array>

namespace pelquor {

namespace {

constexpr double two_pi = 6.283185307179586476925286766559;

// Butterfly constants, each its rule rounded to single precision (u = 2 pi / 5).
constexpr float c3_1 = -1.5f;                             // cos(2 pi / 3) - 1
constexpr float c3_2 = 0.86602540378443865f;              // sin(2 pi / 3)
constexpr float c5_1 = -1.25f;                            // (cos u + cos 2u) / 2 - 1
constexpr float c5_2 = 0.55901699437494742f;              // (cos u - cos 2u) / 2
constexpr float c5_3 = -0.95105651629515357f;             // -sin u
constexpr float c5_4 = -1.53884176858762670f;             // -(sin u + sin 2u)
constexpr float c5_5 = 0.36327126400268044f;              // sin u - sin 2u
constexpr float c8_q = 0.70710678118654752f;              // 1 / sqrt 2
constexpr int half_max_prime = (cMaxPrimeFactor + 1) / 2; // 511

inline Tcomplex add(Tcomplex a, Tcomplex b) {
    return {a.re + b.re, a.im + b.im};
}
inline Tcomplex sub(Tcomplex a, Tcomplex b) {
    return {a.re - b.re, a.im - b.im};
}
inline Tcomplex mul(Tcomplex a, Tcomplex b) {
    return {a.re * b.re - a.im * b.im, a.im * b.re + a.re * b.im};
}
inline Tcomplex scale(Tcomplex a, float x) {
    return {x * a.re, x * a.im};
}

inline void radix2(Tcomplex* z) {
    const Tcomplex t = z[0];
    z[0] = add(t, z[1]);
    z[1] = sub(t, z[1]);
}

inline void radix3(Tcomplex* z) {
    const Tcomplex t1 = add(z[1], z[2]);
    z[0] = add(z[0], t1);
    const Tcomplex m1 = scale(t1, c3_1);
    const Tcomplex m2 = {c3_2 * (z[1].im - z[2].im), c3_2 * (z[2].re - z[1].re)};
    const Tcomplex s1 = add(z[0], m1);
    z[1] = add(s1, m2);
    z[2] = sub(s1, m2);
}

inline void radix4(Tcomplex* z) {
    const Tcomplex t1 = add(z[0], z[2]);
    const Tcomplex t2 = add(z[1], z[3]);
    const Tcomplex m2 = sub(z[0], z[2]);
    const Tcomplex m3 = {z[1].im - z[3].im, z[3].re - z[1].re};
    z[0] = add(t1, t2);
    z[2] = sub(t1, t2);
    z[1] = add(m2, m3);
    z[3] = sub(m2, m3);
}

inline void radix5(Tcomplex* z) {
    const Tcomplex t1 = add(z[1], z[4]);
    const Tcomplex t2 = add(z[2], z[3]);
    const Tcomplex t3 = sub(z[1], z[4]);
    const Tcomplex t4 = sub(z[3], z[2]);
    const Tcomplex t5 = add(t1, t2);
    z[0] = add(z[0], t5);
    const Tcomplex m1 = scale(t5, c5_1);
    const Tcomplex m2 = scale(sub(t1, t2), c5_2);
    const Tcomplex m3 = {-c5_3 * (t3.im + t4.im), c5_3 * (t3.re + t4.re)};
    const Tcomplex m4 = {-c5_4 * t4.im, c5_4 * t4.re};
    const Tcomplex m5 = {-c5_5 * t3.im, c5_5 * t3.re};
    const Tcomplex s3 = sub(m3, m4);
    const Tcomplex s5 = add(m3, m5);
    const Tcomplex s1 = add(z[0], m1);
    const Tcomplex s2 = add(s1, m2);
    const Tcomplex s4 = sub(s1, m2);
    z[1] = add(s2, s3);
    z[2] = add(s4, s5);
    z[3] = sub(s4, s5);
    z[4] = sub(s2, s3);
}

inline void radix8(Tcomplex* z) {
    Tcomplex a[4] = {z[0], z[2], z[4], z[6]};
    Tcomplex b[4] = {z[1], z[3], z[5], z[7]};
    radix4(a);
    radix4(b);
    b[1] = {c8_q * (b[1].re + b[1].im), c8_q * (b[1].im - b[1].re)};
    b[2] = {b[2].im, -b[2].re};
    b[3] = {c8_q * (b[3].im - b[3].re), -c8_q * (b[3].re + b[3].im)};
    for (int j = 0; j < 4; ++j) {
        z[j] = add(a[j], b[j]);
        z[j + 4] = sub(a[j], b[j]);
    }
}

// Prime-factor mapping of 2 x 5: no twiddles between the two halves.
inline void radix10(Tcomplex* z) {
    Tcomplex a[5] = {z[0], z[2], z[4], z[6], z[8]};
    Tcomplex b[5] = {z[5], z[7], z[9], z[1], z[3]};
    radix5(a);
    radix5(b);
    z[0] = add(a[0], b[0]);
    z[5] = sub(a[0], b[0]);
    z[6] = add(a[1], b[1]);
    z[1] = sub(a[1], b[1]);
    z[2] = add(a[2], b[2]);
    z[7] = sub(a[2], b[2]);
    z[8] = add(a[3], b[3]);
    z[3] = sub(a[3], b[3]);
    z[4] = add(a[4], b[4]);
    z[9] = sub(a[4], b[4]);
}

// Any odd radix r with its table t[k] = exp(-2 pi i k / r).
void prime_radix(int r, const Tcomplex* t, Tcomplex* z) {
    const int h = (r + 1) / 2;
    Tcomplex v[half_max_prime];
    Tcomplex w[half_max_prime];
    for (int j = 1; j < h; ++j) {
        v[j] = {z[j].re + z[r - j].re, z[j].im - z[r - j].im};
        w[j] = {z[j].re - z[r - j].re, z[j].im + z[r - j].im};
    }
    for (int j = 1; j < h; ++j) {
        z[j] = z[0];
        z[r - j] = z[0];
        int k = j;
        for (int i = 1; i < h; ++i) {
            const float rere = t[k].re * v[i].re;
            const float imim = t[k].im * v[i].im;
            const float reim = t[k].re * w[i].im;
            const float imre = t[k].im * w[i].re;
            z[r - j].re += rere + imim;
            z[r - j].im += reim - imre;
            z[j].re += rere - imim;
            z[j].im += reim + imre;
            k += j;
            if (k >= r)
                k -= r;
        }
    }
    for (int j = 1; j < h; ++j) {
        z[0].re += v[j].re;
        z[0].im += w[j].im;
    }
}

void prime_table(int r, Tcomplex* t) {
    t[0] = {1.0f, 0.0f};
    t[1] = {static_cast<float>(std::cos(two_pi / r)), static_cast<float>(-std::sin(two_pi / r))};
    for (int k = 2; k < r; ++k)
        t[k] = mul(t[1], t[k - 1]);
}

inline void butterfly(int r, const Tcomplex* prime, Tcomplex* z) {
    switch (r) {
    case 2:
        radix2(z);
        break;
    case 3:
        radix3(z);
        break;
    case 4:
        radix4(z);
        break;
    case 5:
        radix5(z);
        break;
    case 8:
        radix8(z);
        break;
    case 10:
        radix10(z);
        break;
    default:
        prime_radix(r, prime, z);
        break;
    }
}

bool is_fixed_radix(int r) {
    return r == 2 || r == 3 || r == 4 || r == 5 || r == 8 || r == 10;
}

// Stage step and running twiddle of stage (s, r).
struct TwiddleWalk {
    Tcomplex w;
    Tcomplex tw{1.0f, 0.0f};
    TwiddleWalk(int s, int r) {
        const double omega = two_pi / (static_cast<double>(s) * r);
        w = {static_cast<float>(std::cos(omega)), static_cast<float>(-std::sin(omega))};
    }
    // twiddle[0 .. r-1] for the next position d, then one step on.
    void next(int r, Tcomplex* twiddle) {
        twiddle[0] = {1.0f, 0.0f};
        twiddle[1] = tw;
        for (int k = 2; k < r; ++k)
            twiddle[k] = mul(tw, twiddle[k - 1]);
        tw = mul(w, tw);
    }
};

struct Layout {
    std::array<int, 32> radix{};
    std::array<int, 34> s{};
    std::array<int, 34> m{}; // m[0] = n, m[i] for stage i, m[F + 1] = 0
    int count = 0;
};

Layout layout_of(int n) {
    const std::vector<int> f = fft_factorise(n);
    if (static_cast<int>(f.size()) > fft_max_factors)
        throw FftError("Too many factors for FFT length");
    if (!f.empty() && f.front() > cMaxPrimeFactor)
        throw FftError(
            "Prime factor for FFT length too large. Change value for cMaxPrimeFactor in FFTs unit");
    Layout l;
    l.count = static_cast<int>(f.size());
    for (int i = 1; i <= l.count; ++i)
        l.radix[i] = f[i - 1];
    l.m[0] = n;
    l.s[1] = 1;
    l.m[1] = n / l.radix[1];
    for (int i = 2; i <= l.count; ++i) {
        l.s[i] = l.s[i - 1] * l.radix[i - 1];
        l.m[i] = l.m[i - 1] / l.radix[i];
    }
    l.m[l.count + 1] = 0;
    return l;
}

// Mixed-radix digit reversal; visit(i, k) receives output index i and source k.
template <class Visit> void for_each_permuted(const Layout& l, int n, Visit&& visit) {
    std::array<int, 34> c{};
    int k = 0;
    for (int i = 0; i < n - 1; ++i) {
        visit(i, k);
        k += l.m[1];
        c[1] += 1;
        int j = 1;
        while (c[j] >= l.radix[j]) {
            c[j] = 0;
            k = k - l.m[j - 1] + l.m[j + 1];
            ++j;
            c[j] += 1;
        }
    }
    visit(n - 1, n - 1);
}

// One stage with twiddles made on the way, position by position.
void stage_walk(int s, int r, int m, Tcomplex* y) {
    Tcomplex prime[cMaxPrimeFactor];
    if (!is_fixed_radix(r))
        prime_table(r, prime);
    TwiddleWalk walk(s, r);
    Tcomplex twiddle[cMaxPrimeFactor];
    Tcomplex z[cMaxPrimeFactor];
    const int sr = s * r;
    for (int d = 0; d < s; ++d) {
        if (s > 1)
            walk.next(r, twiddle);
        const bool turn = s > 1 && d > 0;
        for (int g = 0; g < m; ++g) {
            Tcomplex* base = y + d + g * sr;
            z[0] = base[0];
            for (int b = 1; b < r; ++b)
                z[b] = turn ? mul(base[b * s], twiddle[b]) : base[b * s];
            butterfly(r, prime, z);
            for (int b = 0; b < r; ++b)
                base[b * s] = z[b];
        }
    }
}

// One stage of a fixed radix with a prepared table [b * s + d]; positions run
// innermost so that neighbouring butterflies touch neighbouring elements.
template <int R> void stage_table(int s, int m, Tcomplex* y, const Tcomplex* tab) {
    const int sr = s * R;
    for (int g = 0; g < m; ++g) {
        Tcomplex* base = y + g * sr;
        {
            Tcomplex z[R];
            for (int b = 0; b < R; ++b)
                z[b] = base[b * s];
            butterfly(R, nullptr, z);
            for (int b = 0; b < R; ++b)
                base[b * s] = z[b];
        }
        for (int d = 1; d < s; ++d) {
            Tcomplex z[R];
            z[0] = base[d];
            for (int b = 1; b < R; ++b)
                z[b] = mul(base[d + b * s], tab[b * s + d]);
            butterfly(R, nullptr, z);
            for (int b = 0; b < R; ++b)
                base[d + b * s] = z[b];
        }
    }
}

void stage_table_prime(int s, int r, int m, Tcomplex* y, const Tcomplex* tab,
                       const Tcomplex* prime) {
    Tcomplex z[cMaxPrimeFactor];
    const int sr = s * r;
    for (int g = 0; g < m; ++g) {
        Tcomplex* base = y + g * sr;
        for (int d = 0; d < s; ++d) {
            z[0] = base[d];
            for (int b = 1; b < r; ++b)
                z[b] = d > 0 ? mul(base[d + b * s], tab[b * s + d]) : base[d + b * s];
            prime_radix(r, prime, z);
            for (int b = 0; b < r; ++b)
                base[d + b * s] = z[b];
        }
    }
}

} // namespace

std::vector<int> fft_factorise(int n) {
    std::vector<int> f;
    if (n <= 0)
        return f;
    if (n == 1)
        return {1};
    static constexpr int radices[] = {10, 8, 5, 4, 3, 2};
    int rest = n;
    for (int r : radices) {
        if (rest == 1)
            break;
        while (rest % r == 0) {
            f.push_back(r);
            rest /= r;
        }
    }
    // A trailing 2 after an 8 is better run as two radix-4 stages.
    if (!f.empty() && f.back() == 2) {
        for (int i = static_cast<int>(f.size()) - 2; i >= 0; --i) {
            if (f[i] == 8) {
                f[i] = 4;
                f.back() = 4;
                break;
            }
        }
    }
    if (rest > 1) {
        const int bound = static_cast<int>(std::sqrt(static_cast<double>(rest)));
        for (int k = 2; k <= bound; ++k) {
            while (rest % k == 0) {
                f.push_back(k);
                rest /= k;
            }
        }
        if (rest > 1)
            f.push_back(rest);
    }
    std::reverse(f.begin(), f.end());
    return f;
}

void fft_transform(const Tcomplex* input, Tcomplex* output, int n) {
    if (n <= 0)
        return;
    const Layout l = layout_of(n);
    if (input == output) {
        std::vector<Tcomplex> tmp(static_cast<size_t>(n));
        for_each_permuted(l, n, [&](int i, int k) { tmp[i] = input[k]; });
        std::copy(tmp.begin(), tmp.end(), output);
    } else {
        for_each_permuted(l, n, [&](int i, int k) { output[i] = input[k]; });
    }
    if (n == 1)
        return;
    for (int i = 1; i <= l.count; ++i)
        stage_walk(l.s[i], l.radix[i], l.m[i], output);
}

FftPlan::FftPlan(int n) : n_(n < 0 ? 0 : n) {
    if (n_ == 0)
        return;
    const Layout l = layout_of(n_);
    radix_.assign(l.radix.begin() + 1, l.radix.begin() + 1 + l.count);
    perm_.resize(static_cast<size_t>(n_));
    for_each_permuted(l, n_, [&](int i, int k) { perm_[i] = k; });
    if (n_ == 1)
        return;
    for (int i = 1; i <= l.count; ++i) {
        Stage st;
        st.s = l.s[i];
        st.r = l.radix[i];
        st.m = l.m[i];
        if (!is_fixed_radix(st.r)) {
            st.prime.resize(static_cast<size_t>(st.r));
            prime_table(st.r, st.prime.data());
        }
        if (st.s > 1) {
            st.twiddle.resize(static_cast<size_t>(st.s) * st.r);
            TwiddleWalk walk(st.s, st.r);
            Tcomplex tw[cMaxPrimeFactor];
            for (int d = 0; d < st.s; ++d) {
                walk.next(st.r, tw);
                for (int b = 0; b < st.r; ++b)
                    st.twiddle[static_cast<size_t>(b) * st.s + d] = tw[b];
            }
        }
        stages_.push_back(std::move(st));
    }
}

void FftPlan::transform(const Tcomplex* input, Tcomplex* output) const {
    if (n_ == 0)
        return;
    for (int i = 0; i < n_; ++i)
        output[i] = input[perm_[i]];
    for (const Stage& st : stages_) {
        const Tcomplex* tab = st.twiddle.empty() ? nullptr : st.twiddle.data();
        switch (st.r) {
        case 2:
            stage_table<2>(st.s, st.m, output, tab);
            break;
        case 3:
            stage_table<3>(st.s, st.m, output, tab);
            break;
        case 4:
            stage_table<4>(st.s, st.m, output, tab);
            break;
        case 5:
            stage_table<5>(st.s, st.m, output, tab);
            break;
        case 8:
            stage_table<8>(st.s, st.m, output, tab);
            break;
        case 10:
            stage_table<10>(st.s, st.m, output, tab);
            break;
        default:
            stage_table_prime(st.s, st.r, st.m, output, tab, st.prime.data());
            break;
        }
    }
}

} // namespace pelquor
