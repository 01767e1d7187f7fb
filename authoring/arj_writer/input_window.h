// The entry's bytes as the parsers see them: one buffer with the history
// that a match may reach into, the bytes still to code and the bytes read
// ahead. The entry compressor slides it along the source; the parsers keep
// positions into it and move them when it slides.
#pragma once
#include <cstdint>
#include <cstring>

#include "authoring/arj_writer/lz_format.h"

const int INPUT_CAPACITY = 1 << 18;
const int INPUT_PADDING = 16;          // readable bytes after the capacity (8-byte loads)
const int LOOKAHEAD = MAX_MATCH + 8;   // a whole match and a hash after each position coded
const int MAX_STEP_INPUT = 1 << 16;    // bytes a parser codes in one call at most

// The matchers remember stream positions: buffer index plus `base`, which
// grows as the buffer slides and between entries, so the positions they
// remember need no update. Positions go into rings of this many entries (a
// power of two above the history).
const int POSITION_RING = 32768;

// Table entries for no position: below every cutoff.
const int32_t NO_POSITION = -(1 << 30);

// Stream positions stay below this (the entry compressor makes the
// matchers forget everything when base would pass it), so that a
// difference with NO_POSITION still fits 32 bits.
const int32_t STREAM_LIMIT = 1 << 29;

// A match a matcher found: its length and how far back it starts.
struct Match {
    uint16_t length;
    uint16_t distance;
};

struct InputWindow {
    uint8_t* data;  // INPUT_CAPACITY + INPUT_PADDING bytes
    int pos;        // the next byte to code
    int end;        // bytes in data
    bool complete;  // the source has no more bytes than those in data
    int32_t base;   // stream position of data[0]
};

// Where the parsers must stop for now: at the end once the source is
// complete, else where a whole match and a hash still fit before the end.
inline int CodableEnd(const InputWindow& in)
{
    return in.complete ? in.end : in.end - LOOKAHEAD;
}

// The longest match the bytes present allow at pos.
inline int MaxMatchAt(const InputWindow& in, int pos)
{
    int left = in.end - pos;
    return left < MAX_MATCH ? left : MAX_MATCH;
}

inline void ClearPositions(int32_t* table, int count)
{
    for (int i = 0; i < count; ++i)
        table[i] = NO_POSITION;
}

inline uint32_t Load32(const uint8_t* p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

inline uint64_t Load64(const uint8_t* p)
{
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}

// Multiplicative hashes of the first four bytes at a position (as loaded
// by Load32), and of their first three, into `bits` bits.
inline uint32_t HashOf4(uint32_t first4, int bits)
{
    return (first4 * 0x9E3779B1u) >> (32 - bits);
}

inline uint32_t HashOf3(uint32_t first4, int bits)
{
    return ((first4 << 8) * 0x9E3779B1u) >> (32 - bits);
}

// How far the bytes at a and b agree, from `start` up to maxLen; 8 bytes a
// step while they fit (the buffer's padding lets the last step look past).
inline int ExtendMatch(const uint8_t* a, const uint8_t* b, int start, int maxLen)
{
    int len = start;
    while (len < maxLen) {
        uint64_t x = Load64(a + len) ^ Load64(b + len);
        if (x != 0) {
            len += __builtin_ctzll(x) >> 3;
            return len < maxLen ? len : maxLen;
        }
        len += 8;
    }
    return maxLen;
}
