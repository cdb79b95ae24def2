#include "analysis/fft.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

// The butterflies and their helpers must melt into the stage loops, with the
// loops over a group unrolled, or the group goes through memory.
#if defined(__GNUC__) || defined(__clang__)
#define FFT_INLINE inline __attribute__((always_inline))
#else
#define FFT_INLINE inline
#endif
#if defined(__clang__)
#define FFT_UNROLL _Pragma("unroll")
#elif defined(__GNUC__)
#define FFT_UNROLL _Pragma("GCC unroll 16")
#else
#define FFT_UNROLL
#endif
// On x86 the stages also come compiled for AVX2, four positions a vector,
// chosen at run time. AVX2 alone (no FMA) keeps every operation as it is.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define FFT_WIDE 1
#define FFT_WIDE_TARGET __attribute__((target("avx2")))
#else
#define FFT_WIDE 0
#endif

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

// The butterflies run on one complex value (Tcomplex) or on two or four side
// by side (Cv, Cw: re0 im0 re1 im1 ..), so that neighbouring positions of a
// stage go through one vector instruction each, with exactly the operations
// of the scalar code in every lane.
typedef float v4f __attribute__((vector_size(16)));
typedef float v8f __attribute__((vector_size(32)));
struct Cv {
    static constexpr int lanes = 2;
    v4f v;
};
struct Cw {
    static constexpr int lanes = 4;
    v8f v;
};

FFT_INLINE Tcomplex add(const Tcomplex& a, const Tcomplex& b) {
    return {a.re + b.re, a.im + b.im};
}
FFT_INLINE Tcomplex sub(const Tcomplex& a, const Tcomplex& b) {
    return {a.re - b.re, a.im - b.im};
}
FFT_INLINE Tcomplex mul(const Tcomplex& a, const Tcomplex& b) {
    return {a.re * b.re - a.im * b.im, a.im * b.re + a.re * b.im};
}
FFT_INLINE Tcomplex scale(const Tcomplex& a, float x) {
    return {x * a.re, x * a.im};
}
// times -i and times +i
FFT_INLINE Tcomplex rot_mi(const Tcomplex& a) {
    return {a.im, -a.re};
}
FFT_INLINE Tcomplex rot_pi(const Tcomplex& a) {
    return {-a.im, a.re};
}

template <class V> FFT_INLINE V add(const V& a, const V& b) {
    return {a.v + b.v};
}
template <class V> FFT_INLINE V sub(const V& a, const V& b) {
    return {a.v - b.v};
}
template <class V> FFT_INLINE V scale(const V& a, float x) {
    return {a.v * x};
}

// Lane shuffles within each complex: swap re and im, or repeat one of them.
// They take and give the wrapping struct: a bare 32-byte vector would pass
// differently with and without AVX.
template <class V> FFT_INLINE V swap_pairs(const V& a) {
    if constexpr (V::lanes == 2)
        return {__builtin_shufflevector(a.v, a.v, 1, 0, 3, 2)};
    else
        return {__builtin_shufflevector(a.v, a.v, 1, 0, 3, 2, 5, 4, 7, 6)};
}
template <class V> FFT_INLINE V dup_re(const V& a) {
    if constexpr (V::lanes == 2)
        return {__builtin_shufflevector(a.v, a.v, 0, 0, 2, 2)};
    else
        return {__builtin_shufflevector(a.v, a.v, 0, 0, 2, 2, 4, 4, 6, 6)};
}
template <class V> FFT_INLINE V dup_im(const V& a) {
    if constexpr (V::lanes == 2)
        return {__builtin_shufflevector(a.v, a.v, 1, 1, 3, 3)};
    else
        return {__builtin_shufflevector(a.v, a.v, 1, 1, 3, 3, 5, 5, 7, 7)};
}
template <class V> FFT_INLINE V sign_pairs(float re, float im) {
    if constexpr (V::lanes == 2)
        return {v4f{re, im, re, im}};
    else
        return {v8f{re, im, re, im, re, im, re, im}};
}
// Sign flips of the real (Odd = false) or imaginary parts by their sign bit:
// the same bits as a product with -1.
typedef int v4i __attribute__((vector_size(16)));
typedef int v8i __attribute__((vector_size(32)));
template <class V, bool Odd> FFT_INLINE V flip(const V& a) {
    constexpr int m = static_cast<int>(0x80000000u);
    constexpr int e = Odd ? 0 : m;
    constexpr int o = Odd ? m : 0;
    if constexpr (V::lanes == 2)
        return {reinterpret_cast<v4f>(reinterpret_cast<v4i>(a.v) ^ v4i{e, o, e, o})};
    else
        return {reinterpret_cast<v8f>(reinterpret_cast<v8i>(a.v) ^ v8i{e, o, e, o, e, o, e, o})};
}
template <class V> FFT_INLINE V rot_mi(const V& a) {
    return flip<V, true>(swap_pairs(a));
}
template <class V> FFT_INLINE V rot_pi(const V& a) {
    return flip<V, false>(swap_pairs(a));
}
// a times twiddles held as tr = (re0, re0, re1, re1 ..), ti = (-im0, im0, -im1, im1 ..).
template <class V, class T> FFT_INLINE V mul_split(const V& a, const T& tr, const T& ti) {
    return {a.v * tr + swap_pairs(a).v * ti};
}
template <class V> FFT_INLINE V load(const Tcomplex* p) {
    V c;
    std::memcpy(&c.v, p, sizeof c.v);
    return c;
}
template <class V> FFT_INLINE void store(Tcomplex* p, const V& c) {
    std::memcpy(p, &c.v, sizeof c.v);
}
// The first complex of a, the others of b.
template <class V> FFT_INLINE V first_of(const V& a, const V& b) {
    if constexpr (V::lanes == 2)
        return {__builtin_shufflevector(a.v, b.v, 0, 1, 6, 7)};
    else
        return {__builtin_shufflevector(a.v, b.v, 0, 1, 10, 11, 12, 13, 14, 15)};
}

template <class C> FFT_INLINE void radix2(C* z) {
    const C t = z[0];
    z[0] = add(t, z[1]);
    z[1] = sub(t, z[1]);
}

template <class C> FFT_INLINE void radix3(C* z) {
    const C t1 = add(z[1], z[2]);
    z[0] = add(z[0], t1);
    const C m1 = scale(t1, c3_1);
    const C m2 = scale(rot_mi(sub(z[1], z[2])), c3_2);
    const C s1 = add(z[0], m1);
    z[1] = add(s1, m2);
    z[2] = sub(s1, m2);
}

template <class C> FFT_INLINE void radix4(C* z) {
    const C t1 = add(z[0], z[2]);
    const C t2 = add(z[1], z[3]);
    const C m2 = sub(z[0], z[2]);
    const C m3 = rot_mi(sub(z[1], z[3]));
    z[0] = add(t1, t2);
    z[2] = sub(t1, t2);
    z[1] = add(m2, m3);
    z[3] = sub(m2, m3);
}

template <class C> FFT_INLINE void radix5(C* z) {
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

template <class C> FFT_INLINE void radix8(C* z) {
    C a[4] = {z[0], z[2], z[4], z[6]};
    C b[4] = {z[1], z[3], z[5], z[7]};
    radix4(a);
    radix4(b);
    b[1] = scale(add(b[1], rot_mi(b[1])), c8_q);
    b[2] = rot_mi(b[2]);
    b[3] = scale(sub(rot_mi(b[3]), b[3]), c8_q);
    FFT_UNROLL
    for (int j = 0; j < 4; ++j) {
        z[j] = add(a[j], b[j]);
        z[j + 4] = sub(a[j], b[j]);
    }
}

// Prime-factor mapping of 2 x 5: no twiddles between the two halves.
template <class C> FFT_INLINE void radix10(C* z) {
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

template <int R, class C> FFT_INLINE void fixed_butterfly(C* z) {
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

// Twiddles of W neighbouring positions in the split form mul_split takes.
template <class V> struct SplitTw {
    decltype(V::v) tr[10];
    decltype(V::v) ti[10];
};

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

FFT_INLINE void store_low(Tcomplex* p, const Cv& c) {
    std::memcpy(p, &c.v, sizeof(Tcomplex));
}
FFT_INLINE void store_high(Tcomplex* p, const Cv& c) {
    const v4f high = __builtin_shufflevector(c.v, c.v, 2, 3, 2, 3);
    std::memcpy(p, &high, sizeof(Tcomplex));
}

// Complex w of a four-lane vector into p.
template <int w> FFT_INLINE void store_lane(Tcomplex* p, const Cw& c) {
    const v4f half = __builtin_shufflevector(c.v, c.v, 2 * w, 2 * w + 1, 2 * w, 2 * w + 1);
    std::memcpy(p, &half, sizeof(Tcomplex));
}

// The first stage's groups as the permutation hands them over: group (c_F,
// middle digits) gathers input k + b m_1 + c_F for b = 0 .. R-1, and writes
// output i + c_F s_F + b. Neighbouring c_F read neighbouring inputs and run
// four (wide) or two at a time through the vector butterfly.
template <int R, bool Wide>
FFT_INLINE void first_stage_body(const Tcomplex* in, Tcomplex* out, int k, int i, int m1, int rF,
                                 int sF) {
    int cF = 0;
    if constexpr (Wide) {
        for (; cF + 3 < rF; cF += 4) {
            Cw z[R];
            FFT_UNROLL
            for (int b = 0; b < R; ++b)
                z[b] = load<Cw>(in + k + b * m1 + cF);
            fixed_butterfly<R>(z);
            FFT_UNROLL
            for (int b = 0; b < R; ++b) {
                store_lane<0>(out + i + cF * sF + b, z[b]);
                store_lane<1>(out + i + (cF + 1) * sF + b, z[b]);
                store_lane<2>(out + i + (cF + 2) * sF + b, z[b]);
                store_lane<3>(out + i + (cF + 3) * sF + b, z[b]);
            }
        }
    }
    for (; cF + 1 < rF; cF += 2) {
        Cv z[R];
        FFT_UNROLL
        for (int b = 0; b < R; ++b)
            z[b] = load<Cv>(in + k + b * m1 + cF);
        fixed_butterfly<R>(z);
        FFT_UNROLL
        for (int b = 0; b < R; ++b) {
            store_low(out + i + cF * sF + b, z[b]);
            store_high(out + i + (cF + 1) * sF + b, z[b]);
        }
    }
    if (cF < rF) {
        Tcomplex z[R];
        FFT_UNROLL
        for (int b = 0; b < R; ++b)
            z[b] = in[k + b * m1 + cF];
        fixed_butterfly<R>(z);
        FFT_UNROLL
        for (int b = 0; b < R; ++b)
            out[i + cF * sF + b] = z[b];
    }
}

template <int R>
void first_stage_tile(const Tcomplex* in, Tcomplex* out, int k, int i, int m1, int rF, int sF) {
    first_stage_body<R, false>(in, out, k, i, m1, rF, sF);
}

#if FFT_WIDE
template <int R>
FFT_WIDE_TARGET void first_stage_tile_wide(const Tcomplex* in, Tcomplex* out, int k, int i, int m1,
                                           int rF, int sF) {
    first_stage_body<R, true>(in, out, k, i, m1, rF, sF);
}
#define FFT_TILE(R) (wide ? first_stage_tile_wide<R> : first_stage_tile<R>)
#else
#define FFT_TILE(R) first_stage_tile<R>
#endif

// Mixed-radix digit reversal of input into output: output index sum c_j s_j
// (c_1 the fastest digit) takes input index sum c_j m_j. It runs in tiles of
// the fastest and the slowest digit, which read whole runs of the input and
// write whole groups of the output. When the first stage has a fixed radix
// (it has no twiddles) it is done within the tile, and true is returned.
bool permute(int count, const int* radix, const int* mm, const int* ss, int n,
             const Tcomplex* input, Tcomplex* output, [[maybe_unused]] bool wide) {
    if (count < 2) {
        std::copy(input, input + n, output);
        return false;
    }
    const int r1 = radix[1], m1 = mm[1];
    const int rF = radix[count], sF = ss[count]; // m_F is 1
    void (*fused)(const Tcomplex*, Tcomplex*, int, int, int, int, int) = nullptr;
    switch (r1) {
    case 2:
        fused = FFT_TILE(2);
        break;
    case 3:
        fused = FFT_TILE(3);
        break;
    case 4:
        fused = FFT_TILE(4);
        break;
    case 5:
        fused = FFT_TILE(5);
        break;
    case 8:
        fused = FFT_TILE(8);
        break;
    case 10:
        fused = FFT_TILE(10);
        break;
    default:
        break;
    }
    std::array<int, 34> c{};
    int k = 0; // input offset of the middle digits
    int i = 0; // output offset of the middle digits
    for (;;) {
        if (fused) {
            fused(input, output, k, i, m1, rF, sF);
        } else {
            for (int cF = 0; cF < rF; ++cF)
                for (int c1 = 0; c1 < r1; ++c1)
                    output[i + c1 + cF * sF] = input[k + c1 * m1 + cF];
        }
        int j = 2;
        while (j < count) {
            k += mm[j];
            i += ss[j];
            if (++c[j] < radix[j])
                break;
            k -= radix[j] * mm[j];
            i -= radix[j] * ss[j];
            c[j] = 0;
            ++j;
        }
        if (j >= count)
            break;
    }
    return fused != nullptr;
}

// The twiddles of a stage, read from a plan's table.
struct TableTwiddles {
    const Tcomplex* tab; // [b * s + d]
    int s, r;
    template <class V> FFT_INLINE void lanes(int d, SplitTw<V>& p) const {
        for (int b = 0; b < r; ++b) {
            const V t = load<V>(tab + b * s + d);
            p.tr[b] = dup_re(t).v;
            p.ti[b] = dup_im(t).v * sign_pairs<V>(-1.0f, 1.0f).v;
        }
    }
    FFT_INLINE void single(int d, Tcomplex* t) const {
        for (int b = 0; b < r; ++b)
            t[b] = tab[b * s + d];
    }
};

// Positions d, d + W, .. of a stage of radix R, W = V::lanes at a time, while
// W of them are left. Position 0 is never turned. Returns the next position.
// W = V::lanes neighbouring positions d .. d + W - 1 over all groups of a
// stage. In the chunk of position 0 that position keeps its values unturned.
template <int R, class V, bool HasZero>
FFT_INLINE void stage_chunk(int s, int m, Tcomplex* y, const SplitTw<V>& tw, int d) {
    const int sr = s * R;
    for (int g = 0; g < m; ++g) {
        Tcomplex* base = y + g * sr + d;
        V z[R];
        z[0] = load<V>(base);
        FFT_UNROLL
        for (int b = 1; b < R; ++b) {
            const V x = load<V>(base + b * s);
            z[b] = mul_split(x, tw.tr[b], tw.ti[b]);
            if constexpr (HasZero)
                z[b] = first_of(x, z[b]);
        }
        fixed_butterfly<R>(z);
        FFT_UNROLL
        for (int b = 0; b < R; ++b)
            store(base + b * s, z[b]);
    }
}

// Positions from d on, W at a time while W of them are left. Returns the
// next position.
template <int R, class V, class Source>
FFT_INLINE int stage_lanes(int s, int m, Tcomplex* y, Source& source, int d) {
    constexpr int W = V::lanes;
    SplitTw<V> tw;
    for (; d + W <= s; d += W) {
        source.template lanes<V>(d, tw);
        if (d == 0)
            stage_chunk<R, V, true>(s, m, y, tw, d);
        else
            stage_chunk<R, V, false>(s, m, y, tw, d);
    }
    return d;
}

// One stage of a fixed radix R: positions in fours (wide), pairs, and an odd
// one alone, in increasing order as the twiddle walk needs them.
template <int R, bool Wide, class Source>
FFT_INLINE void stage_fixed(int s, int m, Tcomplex* y, Source& source) {
    const int sr = s * R;
    if (s == 1) {
        for (int g = 0; g < m; ++g) {
            Tcomplex* base = y + g * sr;
            Tcomplex z[R];
            FFT_UNROLL
            for (int b = 0; b < R; ++b)
                z[b] = base[b];
            fixed_butterfly<R>(z);
            FFT_UNROLL
            for (int b = 0; b < R; ++b)
                base[b] = z[b];
        }
        return;
    }
    int d = 0;
    if constexpr (Wide)
        d = stage_lanes<R, Cw>(s, m, y, source, d);
    d = stage_lanes<R, Cv>(s, m, y, source, d);
    if (d < s) {
        Tcomplex t[R];
        source.single(d, t);
        for (int g = 0; g < m; ++g) {
            Tcomplex* base = y + g * sr + d;
            Tcomplex z[R];
            z[0] = base[0];
            FFT_UNROLL
            for (int b = 1; b < R; ++b)
                z[b] = d > 0 ? mul(base[b * s], t[b]) : base[b * s];
            fixed_butterfly<R>(z);
            FFT_UNROLL
            for (int b = 0; b < R; ++b)
                base[b * s] = z[b];
        }
    }
}

template <bool Wide, class Source>
FFT_INLINE void stage_fixed_any(int s, int r, int m, Tcomplex* y, Source& source) {
    switch (r) {
    case 2:
        stage_fixed<2, Wide>(s, m, y, source);
        break;
    case 3:
        stage_fixed<3, Wide>(s, m, y, source);
        break;
    case 4:
        stage_fixed<4, Wide>(s, m, y, source);
        break;
    case 5:
        stage_fixed<5, Wide>(s, m, y, source);
        break;
    case 8:
        stage_fixed<8, Wide>(s, m, y, source);
        break;
    default:
        stage_fixed<10, Wide>(s, m, y, source);
        break;
    }
}

// A stage of an odd prime radix with a plan's table [b * s + d].
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

struct PlanStage {
    int s, r, m;
    const Tcomplex* twiddle;
    const Tcomplex* prime;
};

template <bool Wide>
FFT_INLINE void stages_table(const PlanStage* st, int first, int count, Tcomplex* y) {
    for (int i = first; i < count; ++i) {
        const PlanStage& p = st[i];
        if (is_fixed_radix(p.r)) {
            TableTwiddles source{p.twiddle, p.s, p.r};
            stage_fixed_any<Wide>(p.s, p.r, p.m, y, source);
        } else {
            stage_prime_table(p.s, p.r, p.m, y, p.twiddle, p.prime);
        }
    }
}

void stages_table_narrow(const PlanStage* st, int first, int count, Tcomplex* y) {
    stages_table<false>(st, first, count, y);
}

#if FFT_WIDE
FFT_WIDE_TARGET void stages_table_wide(const PlanStage* st, int first, int count, Tcomplex* y) {
    stages_table<true>(st, first, count, y);
}
bool wide_available() {
    return __builtin_cpu_supports("avx2");
}
#else
void stages_table_wide(const PlanStage* st, int first, int count, Tcomplex* y) {
    stages_table<false>(st, first, count, y);
}
bool wide_available() {
    return false;
}
#endif

} // namespace

std::vector<int> fft_factorise(int n) {
    std::array<int, 32> f{};
    const int count = factorise(n, f.data());
    return std::vector<int>(f.begin(), f.begin() + count);
}

namespace {
// The tables of a length are built once and kept: the same recurrence gives
// the same numbers, so a kept plan transforms bit for bit as a fresh one.
// A few lengths per thread are enough (the program uses one or two).
const FftPlan& cached_plan(int n) {
    thread_local std::vector<std::unique_ptr<FftPlan>> plans;
    for (const auto& p : plans)
        if (p->size() == n)
            return *p;
    auto plan = std::make_unique<FftPlan>(n); // throws FftError for a prime above 1021
    if (plans.size() >= 8)
        plans.erase(plans.begin());
    plans.push_back(std::move(plan));
    return *plans.back();
}
} // namespace

void fft_transform(const Tcomplex* input, Tcomplex* output, int n) {
    if (n <= 0)
        return;
    const FftPlan& plan = cached_plan(n);
    if (input == output) {
        // The in-place call goes through one temporary, kept for the next call.
        thread_local std::vector<Tcomplex> tmp;
        tmp.assign(input, input + n);
        plan.transform(tmp.data(), output);
    } else {
        plan.transform(input, output);
    }
}

FftPlan::FftPlan(int n, bool allow_wide)
    : n_(n < 0 ? 0 : n), wide_(allow_wide && wide_available()) {
    if (n_ == 0)
        return;
    const Layout l = layout_of(n_);
    radix_.assign(l.radix.begin() + 1, l.radix.begin() + 1 + l.count);
    digit_radix_ = l.radix;
    digit_m_ = l.m;
    digit_s_ = l.s;
    digit_count_ = l.count;
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
    const bool first_done = permute(digit_count_, digit_radix_.data(), digit_m_.data(),
                                    digit_s_.data(), n_, input, output, wide_);
    std::array<PlanStage, 32> st{};
    const int count = static_cast<int>(stages_.size());
    for (int i = 0; i < count; ++i) {
        const Stage& x = stages_[static_cast<size_t>(i)];
        st[static_cast<size_t>(i)] = {x.s, x.r, x.m, x.twiddle.data(), x.prime.data()};
    }
    const int first = first_done ? 1 : 0;
    if (wide_)
        stages_table_wide(st.data(), first, count, output);
    else
        stages_table_narrow(st.data(), first, count, output);
}

} // namespace pelquor
