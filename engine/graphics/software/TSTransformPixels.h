// The per-pixel rules of the scaled and rotated draws, and the scaler's row
// blends written once over a lane type (TSBlitLanes.h) for each instruction
// path. Internal to the pipeline; like the lanes it sits in an unnamed
// namespace, so code built for one instruction set never stands in for
// another's.
#pragma once

#include "engine/graphics/software/TSBlendTables.h"
#include "engine/graphics/software/TSBlitKernels.h"
#include "engine/graphics/software/TSBlitLanes.h"

// The scaler's blend of one row of picked source pixels into the destination.
struct TSTransformConsts {
  Pixel555 mask;    // ANDed into the source
  WORD key;         // keyed source pixels leave the destination as it is
  unsigned weight;  // W = A >> 3
};
typedef void (*TSScaleRow)(Pixel555* dst, const Pixel555* src, const BYTE* alpha, int count,
                           const TSTransformConsts& k);
// [blend mode][source kind]
struct TSScaleRows {
  TSScaleRow row[4][3];
};

namespace {

// How a source pixel meets the destination, and with which weight (0..31).
enum class Mix { Copy, Lerp, Add, Sub };
enum class Weight {
  None,
  Const,       // W
  Alpha,       // a >> 3
  AlphaConst,  // (a * W) >> 8
};

constexpr bool ReadsAlpha(Weight weight) { return weight == Weight::Alpha || weight == Weight::AlphaConst; }

// One pixel through the mixers. The key is compared with the raw source
// pixel, or with the masked one when kKeyMasked.
template <Mix kMix, Weight kWeight, bool kKeyed, bool kKeyMasked>
inline void BlendPixel(Pixel555& d, Pixel555 s, unsigned a, const TSTransformConsts& k) {
  const Pixel555 sm = Pixel555(s & k.mask);
  if constexpr (kKeyed) {
    if ((kKeyMasked ? sm : s) == k.key) return;
  }
  unsigned w = 0;
  if constexpr (kWeight == Weight::Const) {
    w = k.weight;
  } else if constexpr (kWeight == Weight::Alpha) {
    w = a >> 3;
  } else if constexpr (kWeight == Weight::AlphaConst) {
    w = (a * k.weight) >> 8;
  }
  if constexpr (kMix == Mix::Copy) {
    d = sm;
  } else if constexpr (kMix == Mix::Lerp) {
    d = Lerp555(sm, d, w);
  } else if constexpr (kMix == Mix::Add) {
    d = BlendAdd555(sm, d, w, 31);
  } else {
    d = BlendSub555(sm, d, w, 31);
  }
}

// One channel of the mixers on lanes holding 5-bit values: the same sums
// as the mixers, which fit 16 bits (at most 31 x 31 + 31 x 31).
template <class L, Mix kMix>
typename L::T MixChannel(typename L::T cs, typename L::T cd, typename L::T w) {
  if constexpr (kMix == Mix::Lerp) {
    return L::template Srli<5>(L::Add(L::MulLo(cs, w), L::MulLo(cd, L::Sub(L::Set1(32), w))));
  } else if constexpr (kMix == Mix::Add) {
    return L::MinU(L::template Srli<5>(L::Add(L::MulLo(cs, w), L::MulLo(cd, L::Set1(31)))), L::Set1(31));
  } else {
    return L::template Srli<5>(L::SubsU(L::MulLo(cd, L::Set1(31)), L::MulLo(cs, w)));
  }
}

// A row in groups of L::N pixels, the rest through the mixers; the scaler
// compares the key with the raw source.
template <class L, Mix kMix, Weight kWeight, bool kKeyed>
void BlendScaledRow(Pixel555* d, const Pixel555* s, const BYTE* a, int count, const TSTransformConsts& k) {
  int i = 0;
  if constexpr (L::N > 1) {
    using T = typename L::T;
    const T mask = L::Set1(k.mask), key = L::Set1(k.key), five = L::Set1(31), weight = L::Set1(k.weight);
    for (; i + L::N <= count; i += L::N) {
      const T sv = L::Load(s + i);
      const T dv = L::Load(d + i);
      const T sm = L::And(sv, mask);
      T out = sm;
      if constexpr (kMix != Mix::Copy) {
        T w = weight;
        if constexpr (kWeight == Weight::Alpha) w = L::template Srli<3>(L::LoadAlpha(a + i));
        if constexpr (kWeight == Weight::AlphaConst)
          w = L::template Srli<8>(L::MulLo(L::LoadAlpha(a + i), weight));
        const T blue = MixChannel<L, kMix>(L::And(sm, five), L::And(dv, five), w);
        const T green = MixChannel<L, kMix>(L::And(L::template Srli<5>(sm), five),
                                            L::And(L::template Srli<5>(dv), five), w);
        const T red = MixChannel<L, kMix>(L::And(L::template Srli<10>(sm), five),
                                          L::And(L::template Srli<10>(dv), five), w);
        out = L::Or(L::Or(L::template Slli<10>(red), L::template Slli<5>(green)), blue);
      }
      if constexpr (kKeyed) out = L::Select(L::CmpEq(sv, key), dv, out);
      L::Store(d + i, out);
    }
  }
  for (; i < count; ++i) BlendPixel<kMix, kWeight, kKeyed, false>(d[i], s[i], a != nullptr ? a[i] : 0, k);
}

template <class L>
TSScaleRows MakeScaleRows() {
  return TSScaleRows{{
      {&BlendScaledRow<L, Mix::Copy, Weight::None, false>, &BlendScaledRow<L, Mix::Copy, Weight::None, true>,
       &BlendScaledRow<L, Mix::Lerp, Weight::Alpha, false>},
      {&BlendScaledRow<L, Mix::Lerp, Weight::Const, false>,
       &BlendScaledRow<L, Mix::Lerp, Weight::Const, true>,
       &BlendScaledRow<L, Mix::Lerp, Weight::AlphaConst, false>},
      {&BlendScaledRow<L, Mix::Add, Weight::Const, false>, &BlendScaledRow<L, Mix::Add, Weight::Const, true>,
       &BlendScaledRow<L, Mix::Add, Weight::AlphaConst, false>},
      {&BlendScaledRow<L, Mix::Sub, Weight::Const, false>, &BlendScaledRow<L, Mix::Sub, Weight::Const, true>,
       &BlendScaledRow<L, Mix::Sub, Weight::AlphaConst, false>},
  }};
}

}  // namespace
