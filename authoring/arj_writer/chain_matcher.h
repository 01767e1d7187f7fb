// Match finder of methods 1-4: hash chains over the first four bytes of
// each position (every earlier position with the same hash, newest first)
// and one remembered position per hash of the first three bytes, for the
// shortest matches. A chain link is the distance back to the previous
// position of the chain; positions are stream positions (input_window.h).
#pragma once
#include <cstdint>

#include "authoring/arj_writer/input_window.h"

const int CHAIN_HASH4_BITS = 15;
const int CHAIN_HASH3_BITS = 14;

struct ChainMatcher {
    int32_t head4[1 << CHAIN_HASH4_BITS];  // newest position of each hash
    int32_t head3[1 << CHAIN_HASH3_BITS];
    uint16_t back[POSITION_RING];  // distance to the previous position of the chain; 0: none
};

// Forgets every position.
void ResetChainMatcher(ChainMatcher& m);

// Moves every position down by delta (a multiple of POSITION_RING); those
// below delta are forgotten.
void RebaseChainMatcher(ChainMatcher& m, int32_t delta);

// Enters stream position s, whose first four bytes are first4. Returns the
// newest earlier position of its chain; *short3 becomes the newest earlier
// position with the same hash of three bytes.
inline int32_t EnterChain(ChainMatcher& m, int32_t s, uint32_t first4, int32_t* short3)
{
    uint32_t h4 = HashOf4(first4, CHAIN_HASH4_BITS);
    uint32_t h3 = HashOf3(first4, CHAIN_HASH3_BITS);
    int32_t previous = m.head4[h4];
    *short3 = m.head3[h3];
    m.head4[h4] = s;
    m.head3[h3] = s;
    uint32_t link = (uint32_t)(s - previous);
    m.back[s & (POSITION_RING - 1)] = (uint16_t)(link < (uint32_t)POSITION_RING ? link : 0);
    return previous;
}

// The next older position of the chain after the one at stream position s,
// or one below every cutoff.
inline int32_t NextInChain(const ChainMatcher& m, int32_t s)
{
    int d = m.back[s & (POSITION_RING - 1)];
    return d != 0 ? s - d : NO_POSITION;
}
