#pragma once
// Four floats or two doubles worked on at once: SSE2 where the machine has it, else
// plain loops with the same results. Min and Max are SSE's: the second operand when
// either is NaN. Comparisons give a lane mask, read with Bits (lane k is bit k).
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vgx::simd {

#if defined(__SSE2__)
struct Float4 {
    __m128 v;
};
inline Float4 Load(const float* p) { return {_mm_loadu_ps(p)}; }
inline Float4 Splat(float x) { return {_mm_set1_ps(x)}; }
inline void Store(float* p, Float4 a) { _mm_storeu_ps(p, a.v); }
inline Float4 operator+(Float4 a, Float4 b) { return {_mm_add_ps(a.v, b.v)}; }
inline Float4 operator-(Float4 a, Float4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline Float4 operator*(Float4 a, Float4 b) { return {_mm_mul_ps(a.v, b.v)}; }
inline Float4 Min(Float4 a, Float4 b) { return {_mm_min_ps(a.v, b.v)}; }
inline Float4 Max(Float4 a, Float4 b) { return {_mm_max_ps(a.v, b.v)}; }
inline Float4 Abs(Float4 a) { return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)}; }
inline Float4 operator>=(Float4 a, Float4 b) { return {_mm_cmpge_ps(a.v, b.v)}; }
inline Float4 operator<=(Float4 a, Float4 b) { return {_mm_cmple_ps(a.v, b.v)}; }
inline Float4 operator&(Float4 a, Float4 b) { return {_mm_and_ps(a.v, b.v)}; }
inline int Bits(Float4 mask) { return _mm_movemask_ps(mask.v); }

struct Double2 {
    __m128d v;
};
inline Double2 Pair(double a, double b) { return {_mm_set_pd(b, a)}; }
inline Double2 Splat(double x) { return {_mm_set1_pd(x)}; }
inline void Store(double* p, Double2 a) { _mm_storeu_pd(p, a.v); }
inline Double2 operator+(Double2 a, Double2 b) { return {_mm_add_pd(a.v, b.v)}; }
inline Double2 operator-(Double2 a, Double2 b) { return {_mm_sub_pd(a.v, b.v)}; }
inline Double2 operator*(Double2 a, Double2 b) { return {_mm_mul_pd(a.v, b.v)}; }
inline Double2 operator/(Double2 a, Double2 b) { return {_mm_div_pd(a.v, b.v)}; }
inline Double2 Abs(Double2 a) { return {_mm_andnot_pd(_mm_set1_pd(-0.0), a.v)}; }
inline Double2 operator>(Double2 a, Double2 b) { return {_mm_cmpgt_pd(a.v, b.v)}; }
inline Double2 operator>=(Double2 a, Double2 b) { return {_mm_cmpge_pd(a.v, b.v)}; }
inline Double2 operator<=(Double2 a, Double2 b) { return {_mm_cmple_pd(a.v, b.v)}; }
inline Double2 operator&(Double2 a, Double2 b) { return {_mm_and_pd(a.v, b.v)}; }
inline int Bits(Double2 mask) { return _mm_movemask_pd(mask.v); }
#else
// Lanes as arrays; a mask lane is all ones (read as NaN, kept as bits) or zero.
template <class T, int N>
struct Lanes {
    T v[N];
};
template <class T, int N, class F>
Lanes<T, N> Each(Lanes<T, N> a, Lanes<T, N> b, F f) {
    Lanes<T, N> r;
    for (int k = 0; k < N; ++k) r.v[k] = f(a.v[k], b.v[k]);
    return r;
}
template <class T>
T Mask(bool on) {
    T r;
    std::memset(&r, on ? 0xff : 0, sizeof r);
    return r;
}
template <class T>
bool IsOn(T x) {
    unsigned char byte;
    std::memcpy(&byte, &x, 1);
    return byte != 0;
}
using Float4 = Lanes<float, 4>;
using Double2 = Lanes<double, 2>;
inline Float4 Load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
inline Float4 Splat(float x) { return {{x, x, x, x}}; }
inline void Store(float* p, Float4 a) { std::memcpy(p, a.v, sizeof a.v); }
inline Double2 Pair(double a, double b) { return {{a, b}}; }
inline Double2 Splat(double x) { return {{x, x}}; }
inline void Store(double* p, Double2 a) { std::memcpy(p, a.v, sizeof a.v); }
template <class T, int N>
Lanes<T, N> operator+(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return x + y; });
}
template <class T, int N>
Lanes<T, N> operator-(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return x - y; });
}
template <class T, int N>
Lanes<T, N> operator*(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return x * y; });
}
template <class T, int N>
Lanes<T, N> operator/(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return x / y; });
}
template <class T, int N>
Lanes<T, N> Min(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return x < y ? x : y; });
}
template <class T, int N>
Lanes<T, N> Max(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return x > y ? x : y; });
}
template <class T, int N>
Lanes<T, N> Abs(Lanes<T, N> a) {
    return Each(a, a, [](T x, T) { return std::fabs(x); });
}
template <class T, int N>
Lanes<T, N> operator>(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return Mask<T>(x > y); });
}
template <class T, int N>
Lanes<T, N> operator>=(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return Mask<T>(x >= y); });
}
template <class T, int N>
Lanes<T, N> operator<=(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return Mask<T>(x <= y); });
}
template <class T, int N>
Lanes<T, N> operator&(Lanes<T, N> a, Lanes<T, N> b) {
    return Each(a, b, [](T x, T y) { return Mask<T>(IsOn(x) && IsOn(y)); });
}
template <class T, int N>
int Bits(Lanes<T, N> mask) {
    int bits = 0;
    for (int k = 0; k < N; ++k) bits |= IsOn(mask.v[k]) << k;
    return bits;
}
#endif

}  // namespace vgx::simd
