// The codes of methods 1-3 as a parser chooses them: literals and matches
// in order, with the counts of their symbols.
#pragma once
#include <cstdint>
#include <cstring>

#include "authoring/arj_writer/lz_format.h"

struct SymbolCounts {
    uint32_t literal[LITERAL_SYMBOLS];    // literal/length symbols
    uint32_t position[POSITION_SYMBOLS];
};

struct TokenBlock {
    uint16_t symbol[MAX_BLOCK_CODES];    // literal byte, or 256 + length - 3
    uint16_t position[MAX_BLOCK_CODES];  // for a match: its distance less one
    int count;
    SymbolCounts counts;                 // of the codes [0, count)
};

inline void ClearTokens(TokenBlock& b)
{
    b.count = 0;
    memset(&b.counts, 0, sizeof b.counts);
}

inline void AddLiteral(TokenBlock& b, uint8_t c)
{
    b.symbol[b.count++] = c;
    ++b.counts.literal[c];
}

inline void AddMatch(TokenBlock& b, int length, int distance)
{
    int s = LengthSymbol(length);
    unsigned p = (unsigned)distance - 1;
    b.symbol[b.count] = (uint16_t)s;
    b.position[b.count++] = (uint16_t)p;
    ++b.counts.literal[s];
    ++b.counts.position[PositionSymbol(p)];
}
