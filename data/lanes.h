#pragma once

// Four-lane vectors for the hot loops of the averages and the filters, written with GCC's vector
// extensions, so that each lane is one output pixel and keeps its own order of operations. Four
// doubles fill one AVX2 register: wider vectors GCC splits, and their comparisons it makes lane by
// lane with scalar instructions, which costs more than the vectors save. Loops that also have a
// version for eight lanes compile that one for AVX-512 alone (QUELVO_WIDE_LANES).
// A function marked QUELVO_LANE_CLONES is compiled once per instruction set (AVX-512, AVX2 and
// the baseline) and the best one the processor has is picked when the program loads. Contraction
// into fused multiply-adds stays off (-ffp-contract=off), so every clone gives the same bits for
// every value except NaN: which NaN (sign and payload) comes out of an operation on several NaNs
// depends on the order of its operands, which the clones need not share. With
// QUELVO_NO_LANE_CLONES (the ThreadSanitizer build) only the baseline is compiled; functions
// compiled for AVX-512 alone and chosen at run time (QUELVO_WIDE_LANES) are kept.

#include <QtGlobal>

#include <atomic>
#include <cstring>

// Results are streamed past the caches (Lanes::stream) where the processor can, except in the
// sanitizer builds: they do not see such stores, and would not check the result's writes.
#if defined(__SSE2__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define QUELVO_STREAMING
#include <emmintrin.h>
#endif

#if defined(__x86_64__) && defined(__GNUC__) && !defined(QUELVO_NO_LANE_CLONES)
#define QUELVO_LANE_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
// The four-lane version of a loop that has an eight-lane one: a processor with AVX-512 takes the
// latter, so it runs the AVX2 clone only when tests choose four lanes, and tests that clone there.
#define QUELVO_NARROW_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUELVO_LANE_CLONES
#define QUELVO_NARROW_CLONES
#endif

// A function compiled for AVX-512 alone, for loops written for vectors of Lanes::wideCount
// doubles; callers take it only where Lanes::wide() says the processor has such registers.
// QUELVO_HAS_WIDE_LANES where such functions can be compiled at all (and AVX-512 intrinsics used).
#if defined(__x86_64__) && defined(__GNUC__)
#define QUELVO_HAS_WIDE_LANES
#define QUELVO_WIDE_LANES __attribute__((target("avx512f")))
#else
#define QUELVO_WIDE_LANES
#endif

// Helpers called from clones are forced inline so that they are compiled for the clone's
// instruction set; they take and return no vectors, which keeps the calling convention plain.
#define QUELVO_LANE_INLINE inline __attribute__((always_inline))
// The same for a lambda inside a clone, written after its parameter list.
#define QUELVO_LANE_LAMBDA __attribute__((always_inline))

namespace Lanes {

constexpr int count = 4;
// Doubles in a register where the processor has AVX-512.
constexpr int wideCount = 8;

// Set by tests to run the four-lane loops on any processor, for tests of both widths.
inline std::atomic<bool> narrowChosen{false};

// Whether loops with a version for vectors of wideCount may take it: the processor has AVX-512
// and no test chose four lanes. Both versions give the same bits.
inline bool wide()
{
#ifdef QUELVO_HAS_WIDE_LANES
    static const bool has = __builtin_cpu_supports("avx512f");
    return has && !narrowChosen.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

typedef double Doubles __attribute__((vector_size(count * sizeof(double))));
typedef qint64 Bits __attribute__((vector_size(count * sizeof(qint64))));

// The valid flags (bools, 0 or 1) of one vector of pixels read as one number, and that number
// when all of them are set.
typedef quint32 FlagWord;
constexpr FlagWord allFlags = 0x01010101;
static_assert(sizeof(FlagWord) == count, "one flag byte per lane");

// Helpers take vectors by reference and return them through pointers: vectors passed by value
// would depend on the instruction set in the calling convention. Selection is written with bit
// operations, which GCC compiles for each clone's instruction set (its vector ?: it does not).

// Stores a vector as one access, also from a vector the compiler keeps in memory: a copy through
// memcpy may then go in halves, and a whole vector read soon after from halves just stored waits
// until they reach the cache.
QUELVO_LANE_INLINE void store(const Doubles &v, double *out)
{
    typedef double Unaligned __attribute__((vector_size(count * sizeof(double)), aligned(alignof(double))));
    *reinterpret_cast<Unaligned *>(out) = v;
}

// Stores a vector to memory that nobody reads again soon, the pixels of a result, without first
// reading its cache line in, where the processor can and out is 16-byte aligned. Such stores
// reach other threads only after streamed().
QUELVO_LANE_INLINE void stream(const Doubles &v, double *out)
{
#if defined(QUELVO_STREAMING)
    if ((reinterpret_cast<quintptr>(out) & 15) == 0) {
        _mm_stream_pd(out, __builtin_shufflevector(v, v, 0, 1));
        _mm_stream_pd(out + 2, __builtin_shufflevector(v, v, 2, 3));
        return;
    }
#endif
    store(v, out);
}

// Orders the streamed stores of this thread before everything it stores after.
QUELVO_LANE_INLINE void streamed()
{
#if defined(QUELVO_STREAMING)
    _mm_sfence();
#endif
}

// The lane masks of every combination of four flags, by the flags as the bits of a number.
inline constexpr qint64 flagMasks[16][count] = {
    {0, 0, 0, 0},   {-1, 0, 0, 0},   {0, -1, 0, 0},   {-1, -1, 0, 0},   {0, 0, -1, 0},   {-1, 0, -1, 0},
    {0, -1, -1, 0}, {-1, -1, -1, 0}, {0, 0, 0, -1},   {-1, 0, 0, -1},   {0, -1, 0, -1},  {-1, -1, 0, -1},
    {0, 0, -1, -1}, {-1, 0, -1, -1}, {0, -1, -1, -1}, {-1, -1, -1, -1},
};

// *mask = all ones in the lanes whose flag is set, else zeros. The multiplication gathers the four
// flag bytes (0 or 1) into the bits 24 to 27 without carries; a table look-up costs fewer vector
// instructions than spreading the bytes over the lanes.
QUELVO_LANE_INLINE void flagMask(const bool *flags, Bits *mask)
{
    static_assert(count == 4, "four flag bytes in a word");
    FlagWord bytes;
    std::memcpy(&bytes, flags, sizeof bytes);
    std::memcpy(mask, flagMasks[(bytes * 0x01020408u) >> 24], sizeof *mask);
}

// *out = the lanes of a where mask is all ones, of b where it is zero; no value is computed on.
// For vectors of doubles D of any width and masks B of the same width.
template <typename B, typename D>
QUELVO_LANE_INLINE void choose(const B &mask, const D &a, const D &b, D *out)
{
    *out = reinterpret_cast<D>((reinterpret_cast<B>(a) & mask) | (reinterpret_cast<B>(b) & ~mask));
}

// *out = a where a < b, else b (b where either is NaN), and the same with a > b: one instruction
// each where the processor has AVX (vminpd, vmaxpd pick by exactly that rule), where choose with
// a comparison takes four. GCC compiles these for the clone's instruction set except in the clone
// without AVX, where it takes lane after lane.
template <typename D>
QUELVO_LANE_INLINE void lesser(const D &a, const D &b, D *out)
{
    *out = a < b ? a : b;
}

template <typename D>
QUELVO_LANE_INLINE void greater(const D &a, const D &b, D *out)
{
    *out = a > b ? a : b;
}

} // namespace Lanes
