// The codes of method 4: no blocks and no tables. A literal is a 0 bit and
// its 8 bits. A match sends its length less 2 (1-254) as k 1 bits (k the
// bit count of length - 1, at most 7), a 0 bit unless k is 7, and k bits;
// then its distance less one (0-15,871) as k 1 bits (k = 0-4 for ranges
// starting at 0, 512, 1,536, 3,584 and 7,680), a 0 bit unless k is 4, and
// 9 + k bits.
#pragma once
#include <cstdint>

#include "authoring/arj_writer/bit_writer.h"

// A match takes at most 14 + 17 bits, a literal 9.
const int MAX_FAST_CODE_BITS = 31;

inline void PutFastLiteral(BitWriter& w, uint8_t c)
{
    PutBits(w, c, 9);
}

inline __attribute__((always_inline)) void PutFastMatch(BitWriter& w, int length, int distance)
{
    uint32_t x = (uint32_t)length - 2;
    int k = 31 - __builtin_clz(x + 1);
    uint32_t v = x + 1 - (1u << k);
    if (k < 7)
        PutBits(w, ((1u << k) - 1) << (k + 1) | v, 2 * k + 1);
    else
        PutBits(w, 0x7Fu << 7 | v, 14);

    uint32_t p = (uint32_t)distance - 1;
    k = 31 - __builtin_clz(p / 512 + 1);
    v = p - 512 * ((1u << k) - 1);
    if (k < 4)
        PutBits(w, ((1u << k) - 1) << (k + 10) | v, 2 * k + 10);
    else
        PutBits(w, 0xFu << 13 | v, 17);
}
