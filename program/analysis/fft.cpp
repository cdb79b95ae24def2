#include "analysis/fft.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// The butterflies run on one complex value (Tcomplex) or on two side by side
// (Cv: re0 im0 re1 im1), so that neighbouring positions of a stage go through
// one vector instruction each with exactly the operations of the scalar code.
typedef float v4f __attribute__((vector_size(16)));
struct Cv {
    v4f v;
};

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
// times -i and times +i
inline Tcomplex rot_mi(Tcomplex a) {
    return {a.im, -a.re};
}
inline Tcomplex rot_pi(Tcomplex a) {
    return {-a.im, a.re};
}

inline Cv add(Cv a, Cv b) {
    return {a.v + b.v};
}
inline Cv sub(Cv a, Cv b) {
    return {a.v - b.v};
}
inline Cv scale(Cv a, float x) {
    return {a.v * x};
}
inline v4f swap_pairs(v4f a) {
    return __builtin_shufflevector(a, a, 1, 0, 3, 2);
}
inline Cv rot_mi(Cv a) {
    return {swap_pairs(a.v) * v4f{1.0f, -1.0f, 1.0f, -1.0f}};
}
inline Cv rot_pi(Cv a) {
    return {swap_pairs(a.v) * v4f{-1.0f, 1.0f, -1.0f, 1.0f}};
}
// a times the twiddles held as tr = (re0, re0, re1, re1), ti = (-im0, im0, -im1, im1).
inline Cv mul_split(Cv a, v4f tr, v4f ti) {
    return {a.v * tr + swap_pairs(a.v) * ti};
}
inline Cv load2(const Tcomplex* p) {
    Cv c;
    std::memcpy(&c.v, p, sizeof c.v);
    return c;
}
inline void store2(Tcomplex* p, Cv c) {
    std::memcpy(p, &c.v, sizeof c.v);
}
// The first complex of a, the second of b.
inline Cv first_of(Cv a, Cv b) {
    return {__builtin_shufflevector(a.v, b.v, 0, 1, 6, 7)};
}

template <class C> inline void radix2(C* z) {
    const C t = z[0];
    z[0] = add(t, z[1]);
    z[1] = sub(t, z[1]);
}

template <class C> inline void radix3(C* z) {
    const C t1 = add(z[1], z[2]);
    z[0] = add(z[0], t1);
    const C m1 = scale(t1, c3_1);
    const C m2 = scale(rot_mi(sub(z[1], z[2])), c3_2);
    const C s1 = add(z[0], m1);
    z[1] = add(s1, m2);
    z[2] = sub(s1, m2);
}

template <class C> inline void radix4(C* z) {
    const C t1 = add(z[0], z[2]);
    const C t2 = add(z[1], z[3]);
    const C m2 = sub(z[0], z[2]);
    const C m3 = rot_mi(sub(z[1], z[3]));
    z[0] = add(t1, t2);
    z[2] = sub(t1, t2);
    z[1] = add(m2, m3);
    z[3] = sub(m2, m3);
}

template <class C> inline void radix5(C* z) {
    const C t1 = add(z[1], z[4]);
    const C t2 = add(z[2], z[3]);
    const C t3 = sub(z[1], z[4]);
    const C t4 = sub(z[3], z[2]);
    const C t5 = add(t1, t2);
    z[0] = add(z[0], t5);
    const C m1 = scale(t5, c5_1);
    const C m2 = scale(sub(t1, t2), c5_2);
    const C m3 = scale(rot_pi(add(t3, t4)), c5_3);
    const C m4 = scale(rot_pi(t4), c5_4);
    const C m5 = scale(rot_pi(t3), c5_5);
    const C s3 = sub(m3, m4);
    const C s5 = add(m3, m5);
    const C s1 = add(z[0], m1);
    const C s2 = add(s1, m2);
    const C s4 = sub(s1, m2);
    z[1] = add(s2, s3);
    z[2] = add(s4, s5);
    z[3] = sub(s4, s5);
    z[4] = sub(s2, s3);
}

template <class C> inline void radix8(C* z) {
    C a[4] = {z[0], z[2], z[4], z[6]};
    C b[4] = {z[1], z[3], z[5], z[7]};
    radix4(a);
    radix4(b);
    b[1] = scale(add(b[1], rot_mi(b[1])), c8_q);
    b[2] = rot_mi(b[2]);
    b[3] = scale(sub(rot_mi(b[3]), b[3]), c8_q);
    for (int j = 0; j < 4; ++j) {
        z[j] = add(a[j], b[j]);
        z[j + 4] = sub(a[j], b[j]);
    }
}

// Prime-factor mapping of 2 x 5: no twiddles between the two halves.
template <class C> inline void radix10(C* z) {
    C a[5] = {z[0], z[2], z[4], z[6], z[8]};
    C b[5] = {z[5], z[7], z[9], z[1], z[3]};
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

template <int R, class C> inline void fixed_butterfly(C* z) {
    if constexpr (R == 2)
        radix2(z);
    else if constexpr (R == 3)
        radix3(z);
    else if constexpr (R == 4)
        radix4(z);
    else if constexpr (R == 5)
        radix5(z);
    else if constexpr (R == 8)
        radix8(z);
    else
        radix10(z);
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

// Twiddles of two neighbouring positions in the split form mul_split takes.
struct SplitPair {
    v4f tr[10];
    v4f ti[10];
};

inline void split_twiddles(int r, const Tcomplex* t0, const Tcomplex* t1, SplitPair& p) {
    for (int b = 0; b < r; ++b) {
        p.tr[b] = v4f{t0[b].re, t0[b].re, t1[b].re, t1[b].re};
        p.ti[b] = v4f{-t0[b].im, t0[b].im, -t1[b].im, t1[b].im};
    }
}

// Stage radices of n into f (room for 32; no int has more prime factors),
// in stage order. Returns their number.
int factorise(int n, int* f) {
    if (n <= 0)
        return 0;
    if (n == 1) {
        f[0] = 1;
        return 1;
    }
    static constexpr int radices[] = {10, 8, 5, 4, 3, 2};
    int count = 0;
    int rest = n;
    for (int r : radices) {
        if (rest == 1)
            break;
        while (rest % r == 0) {
            f[count++] = r;
            rest /= r;
        }
    }
    // A trailing 2 after an 8 is better run as two radix-4 stages.
    if (count > 0 && f[count - 1] == 2) {
        for (int i = count - 2; i >= 0; --i) {
            if (f[i] == 8) {
                f[i] = 4;
                f[count - 1] = 4;
                break;
            }
        }
    }
    if (rest > 1) {
        const int bound = static_cast<int>(std::sqrt(static_cast<double>(rest)));
        for (int k = 2; k <= bound; ++k) {
            while (rest % k == 0) {
                f[count++] = k;
                rest /= k;
            }
        }
        if (rest > 1)
            f[count++] = rest;
    }
    std::reverse(f, f + count);
    return count;
}

struct Layout {
    std::array<int, 34> radix{};
    std::array<int, 34> s{};
    std::array<int, 34> m{}; // m[0] = n, m[i] for stage i, m[F + 1] = 0
    int count = 0;
};

Layout layout_of(int n) {
    std::array<int, 32> f{};
    Layout l;
    l.count = factorise(n, f.data());
    if (l.count > 0 && f[0] > cMaxPrimeFactor)
        throw FftError(
            "Prime factor for FFT length too large. Change value for cMaxPrimeFactor in FFTs unit");
    for (int i = 1; i <= l.count; ++i)
        l.radix[i] = f[static_cast<size_t>(i - 1)];
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

// Mixed-radix digit reversal: output index i with digits c_1 (fastest) ..
// c_F reads input index sum c_j * m_j. The two fastest digits run as plain
// loops, the others by carry.
void permute(int count, const int* radix, const int* mm, int n, const Tcomplex* input,
             Tcomplex* output) {
    if (count < 2) {
        std::copy(input, input + n, output);
        return;
    }
    const int r1 = radix[1], m1 = mm[1];
    const int r2 = radix[2], m2 = mm[2];
    std::array<int, 34> c{};
    int k = 0; // contribution of digits 3 .. F
    Tcomplex* out = output;
    for (;;) {
        for (int c2 = 0; c2 < r2; ++c2) {
            const Tcomplex* src = input + k + c2 * m2;
            for (int c1 = 0; c1 < r1; ++c1)
                *out++ = src[c1 * m1];
        }
        int j = 3;
        while (j <= count) {
            k += mm[j];
            if (++c[j] < radix[j])
                break;
            k -= radix[j] * mm[j];
            c[j] = 0;
            ++j;
        }
        if (j > count)
            break;
    }
}

// Where the twiddles of a stage come from: made on the way by the walk, or
// read from a plan's tables. Both give the same numbers.
struct WalkTwiddles {
    TwiddleWalk walk;
    int r;
    Tcomplex t0[10], t1[10];
    WalkTwiddles(int s, int r_) : walk(s, r_), r(r_) {}
    void pair(int, SplitPair& p) {
        walk.next(r, t0);
        walk.next(r, t1);
        split_twiddles(r, t0, t1, p);
    }
    void single(int, Tcomplex* t) { walk.next(r, t); }
};

struct TableTwiddles {
    const float* tr; // [b * 2s + 2d], (re, re) of position d
    const float* ti; // [b * 2s + 2d], (-im, im)
    int s, r;
    void pair(int d, SplitPair& p) const {
        for (int b = 0; b < r; ++b) {
            std::memcpy(&p.tr[b], tr + 2 * (b * s + d), sizeof(v4f));
            std::memcpy(&p.ti[b], ti + 2 * (b * s + d), sizeof(v4f));
        }
    }
    void single(int d, Tcomplex* t) const {
        for (int b = 0; b < r; ++b)
            t[b] = {tr[2 * (b * s + d)], ti[2 * (b * s + d) + 1]};
    }
};

// One stage of a fixed radix R. Positions d run in pairs through the vector
// butterflies; an odd last position runs alone. Position 0 is never turned.
template <int R, class Source> void stage_fixed(int s, int m, Tcomplex* y, Source& source) {
    const int sr = s * R;
    if (s == 1) {
        for (int g = 0; g < m; ++g) {
            Tcomplex* base = y + g * sr;
            Tcomplex z[R];
            for (int b = 0; b < R; ++b)
                z[b] = base[b];
            fixed_butterfly<R>(z);
            for (int b = 0; b < R; ++b)
                base[b] = z[b];
        }
        return;
    }
    SplitPair tw;
    int d = 0;
    for (; d + 1 < s; d += 2) {
        source.pair(d, tw);
        for (int g = 0; g < m; ++g) {
            Tcomplex* base = y + g * sr + d;
            Cv z[R];
            z[0] = load2(base);
            for (int b = 1; b < R; ++b) {
                const Cv x = load2(base + b * s);
                z[b] = mul_split(x, tw.tr[b], tw.ti[b]);
                if (d == 0)
                    z[b] = first_of(x, z[b]);
            }
            fixed_butterfly<R>(z);
            for (int b = 0; b < R; ++b)
                store2(base + b * s, z[b]);
        }
    }
    if (d < s) {
        Tcomplex t[R];
        source.single(d, t);
        for (int g = 0; g < m; ++g) {
            Tcomplex* base = y + g * sr + d;
            Tcomplex z[R];
            z[0] = base[0];
            for (int b = 1; b < R; ++b)
                z[b] = mul(base[b * s], t[b]);
            fixed_butterfly<R>(z);
            for (int b = 0; b < R; ++b)
                base[b * s] = z[b];
        }
    }
}

template <class Source> void stage_fixed_any(int s, int r, int m, Tcomplex* y, Source& source) {
    switch (r) {
    case 2:
        stage_fixed<2>(s, m, y, source);
        break;
    case 3:
        stage_fixed<3>(s, m, y, source);
        break;
    case 4:
        stage_fixed<4>(s, m, y, source);
        break;
    case 5:
        stage_fixed<5>(s, m, y, source);
        break;
    case 8:
        stage_fixed<8>(s, m, y, source);
        break;
    default:
        stage_fixed<10>(s, m, y, source);
        break;
    }
}

// A stage of an odd prime radix, twiddles made on the way.
void stage_prime_walk(int s, int r, int m, Tcomplex* y) {
    Tcomplex prime[cMaxPrimeFactor];
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
            prime_radix(r, prime, z);
            for (int b = 0; b < r; ++b)
                base[b * s] = z[b];
        }
    }
}

// The same with a plan's table [b * s + d].
void stage_prime_table(int s, int r, int m, Tcomplex* y, const Tcomplex* tab,
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
    std::array<int, 32> f{};
    const int count = factorise(n, f.data());
    return std::vector<int>(f.begin(), f.begin() + count);
}

void fft_transform(const Tcomplex* input, Tcomplex* output, int n) {
    if (n <= 0)
        return;
    const Layout l = layout_of(n);
    if (input == output) {
        std::vector<Tcomplex> tmp(static_cast<size_t>(n));
        permute(l.count, l.radix.data(), l.m.data(), n, input, tmp.data());
        std::copy(tmp.begin(), tmp.end(), output);
    } else {
        permute(l.count, l.radix.data(), l.m.data(), n, input, output);
    }
    if (n == 1)
        return;
    for (int i = 1; i <= l.count; ++i) {
        const int s = l.s[i], r = l.radix[i], m = l.m[i];
        if (is_fixed_radix(r)) {
            WalkTwiddles source(s, r);
            stage_fixed_any(s, r, m, output, source);
        } else {
            stage_prime_walk(s, r, m, output);
        }
    }
}

FftPlan::FftPlan(int n) : n_(n < 0 ? 0 : n) {
    if (n_ == 0)
        return;
    const Layout l = layout_of(n_);
    radix_.assign(l.radix.begin() + 1, l.radix.begin() + 1 + l.count);
    digit_radix_ = l.radix;
    digit_m_ = l.m;
    digit_count_ = l.count;
    if (n_ == 1)
        return;
    for (int i = 1; i <= l.count; ++i) {
        Stage st;
        st.s = l.s[i];
        st.r = l.radix[i];
        st.m = l.m[i];
        const bool fixed = is_fixed_radix(st.r);
        if (!fixed) {
            st.prime.resize(static_cast<size_t>(st.r));
            prime_table(st.r, st.prime.data());
        }
        if (st.s > 1) {
            const size_t count = static_cast<size_t>(st.s) * st.r;
            if (fixed) {
                st.split_re.resize(2 * count);
                st.split_im.resize(2 * count);
            } else {
                st.twiddle.resize(count);
            }
            TwiddleWalk walk(st.s, st.r);
            Tcomplex tw[cMaxPrimeFactor];
            for (int d = 0; d < st.s; ++d) {
                walk.next(st.r, tw);
                for (int b = 0; b < st.r; ++b) {
                    const size_t at = static_cast<size_t>(b) * st.s + d;
                    if (fixed) {
                        st.split_re[2 * at] = tw[b].re;
                        st.split_re[2 * at + 1] = tw[b].re;
                        st.split_im[2 * at] = -tw[b].im;
                        st.split_im[2 * at + 1] = tw[b].im;
                    } else {
                        st.twiddle[at] = tw[b];
                    }
                }
            }
        }
        stages_.push_back(std::move(st));
    }
}

void FftPlan::transform(const Tcomplex* input, Tcomplex* output) const {
    if (n_ == 0)
        return;
    permute(digit_count_, digit_radix_.data(), digit_m_.data(), n_, input, output);
    for (const Stage& st : stages_) {
        if (is_fixed_radix(st.r)) {
            TableTwiddles source{st.split_re.data(), st.split_im.data(), st.s, st.r};
            stage_fixed_any(st.s, st.r, st.m, output, source);
        } else {
            stage_prime_table(st.s, st.r, st.m, output, st.twiddle.data(), st.prime.data());
        }
    }
}

} // namespace pelquor
