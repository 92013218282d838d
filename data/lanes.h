#pragma once

// Eight-lane vectors for the hot loops of the averages and the filters, written with GCC's vector
// extensions, so that each lane is one output pixel and keeps its own order of operations.
// A function marked QUELVO_LANE_CLONES is compiled once per instruction set (AVX-512, AVX2 and
// the baseline) and the best one the processor has is picked when the program loads. Contraction
// into fused multiply-adds stays off (-ffp-contract=off), so every clone gives the same bits for
// every value except NaN: which NaN (sign and payload) comes out of an operation on several NaNs
// depends on the order of its operands, which the clones need not share.

#include <QtGlobal>

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#define QUELVO_LANE_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define QUELVO_LANE_CLONES
#endif

// Helpers called from clones are forced inline so that they are compiled for the clone's
// instruction set; they take and return no vectors, which keeps the calling convention plain.
#define QUELVO_LANE_INLINE inline __attribute__((always_inline))
// The same for a lambda inside a clone, written after its parameter list.
#define QUELVO_LANE_LAMBDA __attribute__((always_inline))

namespace Lanes {

constexpr int count = 8;

typedef double Doubles __attribute__((vector_size(count * sizeof(double))));
typedef qint64 Bits __attribute__((vector_size(count * sizeof(qint64))));

// Helpers take vectors by reference and return them through pointers: vectors passed by value
// would depend on the instruction set in the calling convention. Selection is written with bit
// operations, which GCC compiles for each clone's instruction set (its vector ?: it does not).

// *mask = all ones in the lanes whose flag (a bool, 0 or 1) is set, else zeros.
QUELVO_LANE_INLINE void flagMask(const bool *flags, Bits *mask)
{
    quint64 bytes;
    std::memcpy(&bytes, flags, sizeof bytes);
    const Bits shifts = {0, 8, 16, 24, 32, 40, 48, 56};
    *mask = -((Bits{} + qint64(bytes)) >> shifts & 1);
}

// Halves of the vectors, which AVX2 holds in one register each.
typedef double HalfDoubles __attribute__((vector_size(count / 2 * sizeof(double))));
typedef qint64 HalfBits __attribute__((vector_size(count / 2 * sizeof(qint64))));

// Comparisons go through the halves: GCC compares whole vectors lane by lane, with a scalar
// instruction each, where the processor has no registers that wide (AVX2).
// *mask = all ones in the lanes where a < b.
QUELVO_LANE_INLINE void less(const Doubles &a, const Doubles &b, Bits *mask)
{
    const HalfBits low = __builtin_shufflevector(a, a, 0, 1, 2, 3) < __builtin_shufflevector(b, b, 0, 1, 2, 3);
    const HalfBits high = __builtin_shufflevector(a, a, 4, 5, 6, 7) < __builtin_shufflevector(b, b, 4, 5, 6, 7);
    *mask = __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}

// *mask = all ones in the lanes where a != b (NaN differs from everything).
QUELVO_LANE_INLINE void notEqual(const Doubles &a, const Doubles &b, Bits *mask)
{
    const HalfBits low = __builtin_shufflevector(a, a, 0, 1, 2, 3) != __builtin_shufflevector(b, b, 0, 1, 2, 3);
    const HalfBits high = __builtin_shufflevector(a, a, 4, 5, 6, 7) != __builtin_shufflevector(b, b, 4, 5, 6, 7);
    *mask = __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}

// *out = the lanes of a where mask is all ones, of b where it is zero; no value is computed on.
QUELVO_LANE_INLINE void choose(const Bits &mask, const Doubles &a, const Doubles &b, Doubles *out)
{
    *out = reinterpret_cast<Doubles>((reinterpret_cast<Bits>(a) & mask) | (reinterpret_cast<Bits>(b) & ~mask));
}

} // namespace Lanes
