// The codes of method 4: no blocks and no tables. A literal is a 0 bit and
// its 8 bits. A match sends x = length - 2 (1-254) as k 1 bits (k the
// largest with 2^k - 1 <= x, at most 7), a 0 bit unless k is 7, and x - (2^k
// - 1) in k bits; then p = distance - 1 (0-15,871) as k 1 bits (k = 0-4 for
// the ranges starting at 0, 512, 1,536, 3,584 and 7,680), a 0 bit unless k
// is 4, and p less its range's start in 9 + k bits. Both parts of a match
// (at most 14 and 17 bits) go out in one piece, from the tables below.
// Every code ends with the branch-free byte flush: the buffer needs 8
// bytes of room past the bytes written.
#pragma once
#include <cstdint>

#include "authoring/arj_writer/bit_writer.h"
#include "authoring/arj_writer/lz_format.h"

struct FastCode {
    uint32_t bits = 0;  // for a position: less the start of its range
    int count = 0;
};

// The code of each length 3..256 (entries below 3 unused).
struct FastLengthCodes {
    FastCode code[MAX_MATCH + 1];
    constexpr FastLengthCodes() : code()
    {
        for (int length = MIN_MATCH; length <= MAX_MATCH; ++length) {
            uint32_t x = (uint32_t)length - 2;
            int k = 0;
            while (k < 7 && (2u << k) - 1 <= x)
                ++k;
            uint32_t ones = (1u << k) - 1;
            code[length] = k < 7 ? FastCode{ones << (k + 1) | (x - ones), 2 * k + 1}
                                 : FastCode{ones << 7 | (x - ones), 14};
        }
    }
};

// The code of each 512-byte piece of p = distance - 1 (31 pieces), whose
// bits plus p give the code of p.
struct FastPositionCodes {
    FastCode piece[FAST_MAX_DISTANCE / 512];
    constexpr FastPositionCodes() : piece()
    {
        for (int k = 0, start = 0; k <= 4; start += 512 << k, ++k) {
            uint32_t ones = (1u << k) - 1;
            FastCode c = k < 4 ? FastCode{ones << (k + 10), 2 * k + 10}
                               : FastCode{0xFu << 13, 17};
            c.bits -= (uint32_t)start;
            for (int i = start / 512; i < (start + (512 << k)) / 512; ++i)
                piece[i] = c;
        }
    }
};

constexpr FastLengthCodes FAST_LENGTH_CODES;
constexpr FastPositionCodes FAST_POSITION_CODES;

inline void PutFastLiteral(BitWriter& w, uint8_t c)
{
    AddBits(w, c, 9);
    MoveBytesFast(w);
}

inline __attribute__((always_inline)) void PutFastMatch(BitWriter& w, int length, int distance)
{
    uint32_t p = (uint32_t)distance - 1;
    const FastCode& l = FAST_LENGTH_CODES.code[length];
    const FastCode& d = FAST_POSITION_CODES.piece[p >> 9];
    AddBits(w, l.bits << d.count | (d.bits + p), l.count + d.count);
    MoveBytesFast(w);
}
