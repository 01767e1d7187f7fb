// Match finder of methods 2-4: hash chains over the first four bytes
// (every earlier position with the same hash, newest first, up to a search
// depth), and one remembered position per hash of three bytes for the
// shortest matches. A chain link is the distance back to the previous
// position of the chain.
#pragma once
#include <cstdint>

#include "authoring/arj_writer/input_window.h"

const int CHAIN_HASH4_BITS = 15;
const int CHAIN_HASH3_BITS = 14;

struct ChainMatcher {
    int32_t head4[1 << CHAIN_HASH4_BITS];  // newest stream position of each hash
    int32_t head3[1 << CHAIN_HASH3_BITS];
    uint16_t back[POSITION_RING];  // distance to the previous position of the chain; 0: none
};

// Forgets every position.
void ResetChainMatcher(ChainMatcher& m);

// Enters stream position s, whose first four bytes are first4; returns
// the newest earlier position of its chain.
inline int32_t EnterChain(ChainMatcher& m, int32_t s, uint32_t first4)
{
    uint32_t h = HashOf4(first4, CHAIN_HASH4_BITS);
    int32_t previous = m.head4[h];
    m.head4[h] = s;
    uint32_t d = (uint32_t)(s - previous);
    m.back[s & (POSITION_RING - 1)] = (uint16_t)(d < (uint32_t)POSITION_RING ? d : 0);
    m.head3[HashOf3(first4, CHAIN_HASH3_BITS)] = s;
    return previous;
}

// Enters buffer position pos (four bytes readable there) of a window
// whose data[0] is at stream position base.
inline void InsertChain(ChainMatcher& m, const uint8_t* data, int32_t base, int pos)
{
    EnterChain(m, base + pos, Load32(data + pos));
}

// The next older position of the chain after stream position s.
inline int32_t NextInChain(const ChainMatcher& m, int32_t s)
{
    int d = m.back[s & (POSITION_RING - 1)];
    return d != 0 ? s - d : NO_POSITION;
}

// Enters buffer position pos (four bytes readable there; data[0] is at
// stream position base) and walks its
// chain, at most `depth` positions and maxDistance back, for matches longer
// than `best` (at most maxLen). Each longer one is passed to found(length,
// distance); the walk stops when that returns false or a match reaches
// niceLen. Returns the longest length found (`best` when none).
template <typename Found>
inline __attribute__((always_inline)) int WalkChain(ChainMatcher& m, const uint8_t* data, int32_t base, int pos, int maxLen,
                     int niceLen, int depth, int maxDistance, int best, Found found)
{
    const uint8_t* here = data + pos;
    const int32_t s = base + pos;
    const int32_t cutoff = s - maxDistance;  // the farthest position a match may start at
    const uint32_t first4 = Load32(here);
    int32_t short3 = m.head3[HashOf3(first4, CHAIN_HASH3_BITS)];
    int32_t candidate = EnterChain(m, s, first4);
    if (best >= maxLen)
        return best;
    if (best < MIN_MATCH && short3 >= cutoff &&
        ((Load32(data + (short3 - base)) ^ first4) & 0xFFFFFF) == 0) {
        best = MIN_MATCH;
        if (!found(MIN_MATCH, (int)(s - short3)))
            return best;
    }
    while (candidate >= cutoff && depth-- > 0) {
        const uint8_t* there = data + (candidate - base);
        // Past four bytes, the four that end where a longer match would end
        // are compared first: most candidates fail there.
        if (best >= 4 ? Load32(there + best - 3) == Load32(here + best - 3) && Load32(there) == first4
                      : Load32(there) == first4) {
            int len = ExtendMatch(here, there, 4, maxLen);
            if (len > best) {
                best = len;
                if (!found(len, (int)(s - candidate)) || len >= niceLen)
                    break;
            }
        }
        candidate = NextInChain(m, candidate);
    }
    return best;
}

// The longest match at pos longer than `best`, entering pos; sets *distance
// when there is one.
inline int FindChainMatch(ChainMatcher& m, const uint8_t* data, int32_t base, int pos, int maxLen,
                          int niceLen, int depth, int maxDistance, int best, int* distance)
{
    return WalkChain(m, data, base, pos, maxLen, niceLen, depth, maxDistance, best, [&](int, int d) {
        *distance = d;
        return true;
    });
}
