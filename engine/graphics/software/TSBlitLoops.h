// The blitter's loops, written once over a lane type and compiled per
// instruction set. Each (blend mode, source kind, opacity, mirror) case is its
// own function: the per-pixel work is straight-line lane arithmetic, and a row
// is covered by the widest lanes first, then narrower ones for what is left.
//
// Channel arithmetic in 16-bit lanes, with c a 5-bit channel left in place
// (red at bit 10, green at 5, blue at 0):
// - Scale(x, K) = floor(c * K / 65536) for every channel, back in place; one
//   unsigned high multiply per channel. K = f << 8 gives (c * f) >> 8.
// - Mix(s, d, e) = floor((c(s) * e + c(d) * (256 - e)) / 256), computed as
//   c(d) + floor((c(s) - c(d)) * e / 256) with a signed high multiply; the two
//   are equal because c(d) * 256 divides exactly.
// Internal to the pipeline; see TSBlitLanes.h for why it sits in an unnamed
// namespace.
#pragma once

#include <initializer_list>
#include <type_traits>

#include "engine/graphics/software/TSBlitKernels.h"
#include "engine/graphics/software/TSBlitLanes.h"

namespace {

// Per-draw constants, replicated into lanes once before the rows.
template <class L>
struct BlitConsts {
  using T = typename L::T;
  T red, green, blue;              // channel masks
  T maskRed, maskGreen, maskBlue;  // the colour mask, per channel
  T key;                           // replicated 16-bit key
  T alpha8;                        // A
  T alphaScale;                    // A << 8: Scale by A / 256
  T topFive;                       // 0xF800: keeps (x >> 11) << 11
  T weightSrc, weightDst;          // A >> 3, (256 - A) >> 3
  T weightSrc10, weightDst10;      // the same shifted left 10

  explicit BlitConsts(const TSBlitJob& job)
      : red(L::Set1(PIXEL555_RED)),
        green(L::Set1(PIXEL555_GREEN)),
        blue(L::Set1(PIXEL555_BLUE)),
        maskRed(L::Set1(job.mask & PIXEL555_RED)),
        maskGreen(L::Set1(job.mask & PIXEL555_GREEN)),
        maskBlue(L::Set1(job.mask & PIXEL555_BLUE)),
        key(L::Set1(job.key)),
        alpha8(L::Set1(job.alpha8)),
        alphaScale(L::Set1(job.alpha8 << 8)),
        topFive(L::Set1(0xF800)),
        weightSrc(L::Set1(job.alpha8 >> 3)),
        weightDst(L::Set1((256 - job.alpha8) >> 3)),
        weightSrc10(L::Set1((job.alpha8 >> 3) << 10)),
        weightDst10(L::Set1(((256 - job.alpha8) >> 3) << 10)) {}
};

// floor(c * K / 65536) of the channel in xc (already isolated by mask M).
template <class L, unsigned M>
typename L::T ScaleChannel(typename L::T xc, typename L::T k, typename L::T maskM) {
  const typename L::T scaled = L::MulHiU(xc, k);
  if constexpr (M == PIXEL555_BLUE) {
    return scaled;  // at most 31: nothing spills
  } else {
    return L::And(scaled, maskM);
  }
}

// Mode 0 and mode 1 with an alpha plane: mix the (masked) source into the
// destination by e = a, or e = (a * A) >> 8.
template <bool kColored>
struct MixOp {
  static constexpr bool kAlpha = true;
  static constexpr bool kReadsDst = true;
  template <class L>
  static typename L::T Apply(typename L::T s, typename L::T d, typename L::T a, const BlitConsts<L>& k) {
    const typename L::T e = kColored ? L::template Srli<8>(L::MulLo(a, k.alpha8)) : a;
    const typename L::T sr = L::And(s, kColored ? k.maskRed : k.red);
    const typename L::T sg = L::And(s, kColored ? k.maskGreen : k.green);
    const typename L::T sb = L::And(s, kColored ? k.maskBlue : k.blue);
    // Channel differences scaled to c * 256, then floor(diff * e / 256).
    const typename L::T dr = L::MulHiS(L::template Srai<2>(L::Sub(sr, L::And(d, k.red))), e);
    const typename L::T dg = L::MulHiS(L::template Slli<3>(L::Sub(sg, L::And(d, k.green))), e);
    const typename L::T db = L::MulHiS(L::template Slli<8>(L::Sub(sb, L::And(d, k.blue))), e);
    return L::Add(d, L::Add(L::Add(L::template Slli<10>(dr), L::template Slli<5>(dg)), db));
  }
};

// Mode 1 without alpha plane: (c(sm) * (A >> 3) + c(d) * ((256 - A) >> 3)) >> 5.
struct ConstantAlphaOp {
  static constexpr bool kAlpha = false;
  static constexpr bool kReadsDst = true;
  template <class L>
  static typename L::T Apply(typename L::T s, typename L::T d, typename L::T, const BlitConsts<L>& k) {
    // Red: the high multiplies give 16 x the sum; green: low multiplies give
    // 32 x the sum; blue: the sum itself. Each fits 16 bits exactly.
    const typename L::T r16 =
        L::Add(L::MulHiU(L::And(s, k.maskRed), k.weightSrc10), L::MulHiU(L::And(d, k.red), k.weightDst10));
    const typename L::T g32 =
        L::Add(L::MulLo(L::And(s, k.maskGreen), k.weightSrc), L::MulLo(L::And(d, k.green), k.weightDst));
    const typename L::T b1 =
        L::Add(L::MulLo(L::And(s, k.maskBlue), k.weightSrc), L::MulLo(L::And(d, k.blue), k.weightDst));
    return L::Or(L::Or(L::And(L::template Slli<1>(r16), k.red), L::And(L::template Srli<5>(g32), k.green)),
                 L::template Srli<5>(b1));
  }
};

// How modes 2 and 3 weight the masked source before adding or subtracting.
enum class Weight {
  Full,             // c(sm)
  Constant,         // (c(sm) * A) >> 8
  Alpha,            // (c(sm) * (a >> 3)) >> 5
  AlphaTimesConst,  // (c(sm) * ((a * A) >> 11)) >> 5
  AlphaThenConst,   // (((c(sm) * (a >> 3)) >> 5) * A) >> 8
};

template <bool kSubtract, Weight kWeight>
struct AddSubOp {
  static constexpr bool kAlpha =
      kWeight == Weight::Alpha || kWeight == Weight::AlphaTimesConst || kWeight == Weight::AlphaThenConst;
  static constexpr bool kReadsDst = true;

  template <class L, unsigned M>
  static typename L::T Channel(typename L::T s, typename L::T d, typename L::T pixelK, typename L::T maskM,
                               typename L::T chanM, const BlitConsts<L>& k) {
    typename L::T v = L::And(s, maskM);
    if constexpr (kWeight == Weight::Constant) v = ScaleChannel<L, M>(v, k.alphaScale, chanM);
    if constexpr (kAlpha) v = ScaleChannel<L, M>(v, pixelK, chanM);
    if constexpr (kWeight == Weight::AlphaThenConst) v = ScaleChannel<L, M>(v, k.alphaScale, chanM);
    const typename L::T dc = L::And(d, chanM);
    if constexpr (kSubtract) {
      return L::SubsU(dc, v);
    } else {
      return L::MinU(L::Add(dc, v), chanM);
    }
  }

  template <class L>
  static typename L::T Apply(typename L::T s, typename L::T d, typename L::T a, const BlitConsts<L>& k) {
    // The per-pixel factor K of Scale: (a >> 3) << 11, or ((a * A) >> 11) << 11.
    typename L::T pixelK{};
    if constexpr (kWeight == Weight::Alpha || kWeight == Weight::AlphaThenConst) {
      pixelK = L::And(L::template Slli<8>(a), k.topFive);
    } else if constexpr (kWeight == Weight::AlphaTimesConst) {
      pixelK = L::And(L::MulLo(a, k.alpha8), k.topFive);
    }
    return L::Or(L::Or(Channel<L, PIXEL555_RED>(s, d, pixelK, k.maskRed, k.red, k),
                       Channel<L, PIXEL555_GREEN>(s, d, pixelK, k.maskGreen, k.green, k)),
                 Channel<L, PIXEL555_BLUE>(s, d, pixelK, k.maskBlue, k.blue, k));
  }
};

struct CopyOp {
  static constexpr bool kAlpha = false;
  static constexpr bool kReadsDst = false;
  template <class L>
  static typename L::T Apply(typename L::T s, typename L::T, typename L::T, const BlitConsts<L>&) {
    return s;
  }
};

// A keyed source: where the raw source pixel equals the key the destination
// stays, elsewhere Op's result.
template <class Op>
struct KeyedOp {
  static constexpr bool kAlpha = false;
  static constexpr bool kReadsDst = true;
  template <class L>
  static typename L::T Apply(typename L::T s, typename L::T d, typename L::T a, const BlitConsts<L>& k) {
    return L::Select(L::CmpEq(s, k.key), d, Op::template Apply<L>(s, d, a, k));
  }
};

// The constants of a lane type and of every narrower one.
template <class L>
struct ConstsChain {
  BlitConsts<L> consts;
  ConstsChain<typename L::Narrower> narrower;
  explicit ConstsChain(const TSBlitJob& job) : consts(job), narrower(job) {}
};
template <>
struct ConstsChain<void> {
  explicit ConstsChain(const TSBlitJob&) {}
};

// Pixels i.. of one row, first in groups of L::N, then narrower groups. A
// mirrored row reads its source from the right end.
template <class L, class Op, bool kMirror>
inline void BlendRow(Pixel555* d, const Pixel555* s, const BYTE* a, int width, int i,
                     const ConstsChain<L>& chain) {
  using T = typename L::T;
  for (; i + L::N <= width; i += L::N) {
    T sv, av{};
    if constexpr (kMirror) {
      const int at = width - i - L::N;
      sv = L::LoadReversed(s + at);
      if constexpr (Op::kAlpha) av = L::LoadAlphaReversed(a + at);
    } else {
      sv = L::Load(s + i);
      if constexpr (Op::kAlpha) av = L::LoadAlpha(a + i);
    }
    T dv{};
    if constexpr (Op::kReadsDst) dv = L::Load(d + i);
    L::Store(d + i, Op::template Apply<L>(sv, dv, av, chain.consts));
  }
  if constexpr (!std::is_void_v<typename L::Narrower>) {
    if (i < width) BlendRow<typename L::Narrower, Op, kMirror>(d, s, a, width, i, chain.narrower);
  }
}

template <class L, class Op, bool kMirror>
void BlitLoop(const TSBlitJob& job) {
  const ConstsChain<L> chain(job);
  for (int y = 0; y < job.height; ++y) {
    const BYTE* alphaRow = nullptr;
    if constexpr (Op::kAlpha) alphaRow = job.alpha + y * job.alphaPitch;
    BlendRow<L, Op, kMirror>(job.dst + y * job.dstPitch, job.src + y * job.srcPitch, alphaRow, job.width, 0,
                             chain);
  }
}

// Copies bytes: four registers a step, then single ones, then narrower lanes.
template <class L>
void CopyBytes(void* dst, const void* src, size_t bytes) {
  BYTE* d = static_cast<BYTE*>(dst);
  const BYTE* s = static_cast<const BYTE*>(src);
  if constexpr (L::N > 1) {
    constexpr size_t kStep = sizeof(typename L::T);
    for (; bytes >= 4 * kStep; bytes -= 4 * kStep, d += 4 * kStep, s += 4 * kStep) {
      const auto v0 = L::Load(s), v1 = L::Load(s + kStep), v2 = L::Load(s + 2 * kStep),
                 v3 = L::Load(s + 3 * kStep);
      L::Store(d, v0);
      L::Store(d + kStep, v1);
      L::Store(d + 2 * kStep, v2);
      L::Store(d + 3 * kStep, v3);
    }
    for (; bytes >= kStep; bytes -= kStep, d += kStep, s += kStep) L::Store(d, L::Load(s));
    CopyBytes<typename L::Narrower>(d, s, bytes);
  } else {
    std::memcpy(d, s, bytes);
  }
}

// Stores a 16-bit pattern; an odd byte count ends with the pattern's low byte.
template <class L>
void FillPattern(BYTE* d, WORD pattern, size_t bytes) {
  if constexpr (L::N > 1) {
    constexpr size_t kStep = sizeof(typename L::T);
    const auto v = L::Set1(pattern);
    for (; bytes >= 4 * kStep; bytes -= 4 * kStep, d += 4 * kStep) {
      L::Store(d, v);
      L::Store(d + kStep, v);
      L::Store(d + 2 * kStep, v);
      L::Store(d + 3 * kStep, v);
    }
    for (; bytes >= kStep; bytes -= kStep, d += kStep) L::Store(d, v);
    FillPattern<typename L::Narrower>(d, pattern, bytes);
  } else {
    for (; bytes >= 2; bytes -= 2, d += 2) std::memcpy(d, &pattern, 2);
    if (bytes != 0) *d = BYTE(pattern);
  }
}

template <class L>
void FillBytes(void* dst, BYTE value, size_t bytes) {
  FillPattern<L>(static_cast<BYTE*>(dst), WORD(value * 0x0101), bytes);
}

template <class L>
void FillPixels(Pixel555* dst, Pixel555 value, size_t count) {
  FillPattern<L>(reinterpret_cast<BYTE*>(dst), value, count * 2);
}

template <class L, bool kMirror>
void FillBlitTable(TSBlitLoop* table) {
  for (bool translucent : {false, true}) {
    table[BlitCaseIndex(0, SOURCE_PLAIN, translucent)] = &BlitLoop<L, CopyOp, kMirror>;
    table[BlitCaseIndex(0, SOURCE_KEYED, translucent)] = &BlitLoop<L, KeyedOp<CopyOp>, kMirror>;
    table[BlitCaseIndex(0, SOURCE_ALPHA, translucent)] = &BlitLoop<L, MixOp<false>, kMirror>;
    table[BlitCaseIndex(1, SOURCE_PLAIN, translucent)] = &BlitLoop<L, ConstantAlphaOp, kMirror>;
    table[BlitCaseIndex(1, SOURCE_KEYED, translucent)] = &BlitLoop<L, KeyedOp<ConstantAlphaOp>, kMirror>;
    table[BlitCaseIndex(1, SOURCE_ALPHA, translucent)] = &BlitLoop<L, MixOp<true>, kMirror>;
  }
  // Adding below full opacity without alpha plane is, on channels widened to
  // 8 bits, min(255, ((c(sm) * 8 * A) >> 8) + c(d) * 8) >> 3; as c(d) * 8 is
  // a multiple of 8 that equals min(31, c(d) + ((c(sm) * A) >> 8)), the
  // Constant weight.
  using AddFull = AddSubOp<false, Weight::Full>;
  using AddConst = AddSubOp<false, Weight::Constant>;
  using SubFull = AddSubOp<true, Weight::Full>;
  using SubConst = AddSubOp<true, Weight::Constant>;
  table[BlitCaseIndex(2, SOURCE_PLAIN, false)] = &BlitLoop<L, AddFull, kMirror>;
  table[BlitCaseIndex(2, SOURCE_KEYED, false)] = &BlitLoop<L, KeyedOp<AddFull>, kMirror>;
  table[BlitCaseIndex(2, SOURCE_ALPHA, false)] = &BlitLoop<L, AddSubOp<false, Weight::Alpha>, kMirror>;
  table[BlitCaseIndex(2, SOURCE_PLAIN, true)] = &BlitLoop<L, AddConst, kMirror>;
  table[BlitCaseIndex(2, SOURCE_KEYED, true)] = &BlitLoop<L, KeyedOp<AddConst>, kMirror>;
  table[BlitCaseIndex(2, SOURCE_ALPHA, true)] =
      &BlitLoop<L, AddSubOp<false, Weight::AlphaTimesConst>, kMirror>;
  table[BlitCaseIndex(3, SOURCE_PLAIN, false)] = &BlitLoop<L, SubFull, kMirror>;
  table[BlitCaseIndex(3, SOURCE_KEYED, false)] = &BlitLoop<L, KeyedOp<SubFull>, kMirror>;
  table[BlitCaseIndex(3, SOURCE_ALPHA, false)] = &BlitLoop<L, AddSubOp<true, Weight::Alpha>, kMirror>;
  table[BlitCaseIndex(3, SOURCE_PLAIN, true)] = &BlitLoop<L, SubConst, kMirror>;
  table[BlitCaseIndex(3, SOURCE_KEYED, true)] = &BlitLoop<L, KeyedOp<SubConst>, kMirror>;
  table[BlitCaseIndex(3, SOURCE_ALPHA, true)] = &BlitLoop<L, AddSubOp<true, Weight::AlphaThenConst>, kMirror>;
}

template <class L>
TSPipelineKernels MakeKernels() {
  TSPipelineKernels kernels{};
  FillBlitTable<L, false>(kernels.blit[0]);
  FillBlitTable<L, true>(kernels.blit[1]);
  kernels.copy = &CopyBytes<L>;
  kernels.fill8 = &FillBytes<L>;
  kernels.fill16 = &FillPixels<L>;
  return kernels;
}

}  // namespace
