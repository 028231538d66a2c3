// Lanes of 16-bit pixels for the pipeline's loops: the same operations over
// one pixel (portable), eight (SSE2) or sixteen (AVX2, only where the
// translation unit is compiled for it). Internal to the pipeline; each
// including file gets its own copies, so code built for one instruction set
// never stands in for another's.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/graphics/software/TSPixel555.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

struct ScalarLanes {
  using T = uint16_t;
  using Narrower = void;
  static constexpr int N = 1;

  static T Load(const Pixel555* p) { return *p; }
  static void Store(Pixel555* p, T v) { *p = v; }
  static T LoadAlpha(const BYTE* p) { return *p; }
  static T Set1(unsigned v) { return T(v); }
  static T And(T a, T b) { return T(a & b); }
  static T Or(T a, T b) { return T(a | b); }
  static T Add(T a, T b) { return T(a + b); }
  static T Sub(T a, T b) { return T(a - b); }
  static T SubsU(T a, T b) { return a > b ? T(a - b) : T(0); }
  static T MinU(T a, T b) { return a < b ? a : b; }
  static T MulLo(T a, T b) { return T(uint32_t(a) * b); }
  static T MulHiU(T a, T b) { return T((uint32_t(a) * b) >> 16); }
  static T MulHiS(T a, T b) { return T((int32_t(int16_t(a)) * int16_t(b)) >> 16); }
  template <int n>
  static T Slli(T a) {
    return T(a << n);
  }
  template <int n>
  static T Srli(T a) {
    return T(a >> n);
  }
  template <int n>
  static T Srai(T a) {
    return T(int16_t(a) >> n);
  }
  static T CmpEq(T a, T b) { return a == b ? T(0xFFFF) : T(0); }
  static T Select(T mask, T ifSet, T ifClear) { return T((mask & ifSet) | (~mask & ifClear)); }
  static T LoadReversed(const Pixel555* p) { return *p; }
  static T LoadAlphaReversed(const BYTE* p) { return *p; }
};

#if defined(__x86_64__)

struct Sse2Lanes {
  using T = __m128i;
  using Narrower = ScalarLanes;
  static constexpr int N = 8;

  static T Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  static void Store(void* p, T v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
  static T LoadAlpha(const BYTE* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
  }
  static T Set1(unsigned v) { return _mm_set1_epi16(short(v)); }
  static T And(T a, T b) { return _mm_and_si128(a, b); }
  static T Or(T a, T b) { return _mm_or_si128(a, b); }
  static T Add(T a, T b) { return _mm_add_epi16(a, b); }
  static T Sub(T a, T b) { return _mm_sub_epi16(a, b); }
  static T SubsU(T a, T b) { return _mm_subs_epu16(a, b); }
  static T MinU(T a, T b) { return _mm_sub_epi16(a, _mm_subs_epu16(a, b)); }
  static T MulLo(T a, T b) { return _mm_mullo_epi16(a, b); }
  static T MulHiU(T a, T b) { return _mm_mulhi_epu16(a, b); }
  static T MulHiS(T a, T b) { return _mm_mulhi_epi16(a, b); }
  template <int n>
  static T Slli(T a) {
    return _mm_slli_epi16(a, n);
  }
  template <int n>
  static T Srli(T a) {
    return _mm_srli_epi16(a, n);
  }
  template <int n>
  static T Srai(T a) {
    return _mm_srai_epi16(a, n);
  }
  static T CmpEq(T a, T b) { return _mm_cmpeq_epi16(a, b); }
  static T Select(T mask, T ifSet, T ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
  }
  // N pixels (alpha bytes) from p, last one first.
  static T LoadReversed(const void* p) { return Reverse(Load(p)); }
  static T LoadAlphaReversed(const BYTE* p) { return Reverse(LoadAlpha(p)); }
  static T Reverse(T a) {
    a = _mm_shufflelo_epi16(a, 0x1B);
    a = _mm_shufflehi_epi16(a, 0x1B);
    return _mm_shuffle_epi32(a, 0x4E);
  }
};

#if defined(__AVX2__)

struct Avx2Lanes {
  using T = __m256i;
  using Narrower = Sse2Lanes;
  static constexpr int N = 16;

  static T Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
  static void Store(void* p, T v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
  static T LoadAlpha(const BYTE* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
  static T Set1(unsigned v) { return _mm256_set1_epi16(short(v)); }
  static T And(T a, T b) { return _mm256_and_si256(a, b); }
  static T Or(T a, T b) { return _mm256_or_si256(a, b); }
  static T Add(T a, T b) { return _mm256_add_epi16(a, b); }
  static T Sub(T a, T b) { return _mm256_sub_epi16(a, b); }
  static T SubsU(T a, T b) { return _mm256_subs_epu16(a, b); }
  static T MinU(T a, T b) { return _mm256_min_epu16(a, b); }
  static T MulLo(T a, T b) { return _mm256_mullo_epi16(a, b); }
  static T MulHiU(T a, T b) { return _mm256_mulhi_epu16(a, b); }
  static T MulHiS(T a, T b) { return _mm256_mulhi_epi16(a, b); }
  template <int n>
  static T Slli(T a) {
    return _mm256_slli_epi16(a, n);
  }
  template <int n>
  static T Srli(T a) {
    return _mm256_srli_epi16(a, n);
  }
  template <int n>
  static T Srai(T a) {
    return _mm256_srai_epi16(a, n);
  }
  static T CmpEq(T a, T b) { return _mm256_cmpeq_epi16(a, b); }
  static T Select(T mask, T ifSet, T ifClear) { return _mm256_blendv_epi8(ifClear, ifSet, mask); }
  // The halves are swapped by the loads, so that only in-lane shuffles
  // remain.
  static T LoadReversed(const void* p) {
    const __m128i* halves = static_cast<const __m128i*>(p);
    const __m256i swapped = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(halves + 1)),
                                                    _mm_loadu_si128(halves), 1);
    const __m256i pairs = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1,  //
                                           14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    return _mm256_shuffle_epi8(swapped, pairs);
  }
  static T LoadAlphaReversed(const BYTE* p) {
    const __m128i bytes =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                         _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
    return _mm256_cvtepu8_epi16(bytes);
  }
};

#endif  // __AVX2__
#endif  // __x86_64__

}  // namespace
