// The matching loop of methods 2-4. At each position the hash chains give
// the best match: the longest, or, with prices, the one that saves the
// most bits against coding its bytes as literals. A match is put off by a
// byte while the next position has a better one (lazy evaluation). The
// parser's sink codes the literals and matches.
#pragma once
#include <cstdint>

#include "authoring/arj_writer/chain_matcher.h"

struct LazySettings {
    int depth;        // chain positions tried per search
    int niceLen;      // a match this long ends the search
    int lazyLen;      // a match this long is taken at once (0: never put off)
    int maxDistance;  // how far back a match may start
    int farShort;     // without prices: a three-byte match farther back than this is not taken
};

// Estimated bits of each literal, match length and position symbol (its
// extra bits included), in 1/16 bits.
struct Prices {
    int32_t literal[256];
    int32_t length[MAX_MATCH + 1];
    int32_t position[POSITION_SYMBOLS];
};

namespace lazy_matching {

struct Tables {
    int32_t* head4;
    int32_t* head3;
    uint16_t* back;
};

struct Choice {
    int len;
    int distance;
    int32_t gain;  // with prices: bits saved, 1/16 bits
};

// Enters pos and finds its best match: without prices the longest longer
// than floorLen; with prices the one saving most (floorLen is MIN_MATCH -
// 1). `saved` gives the literal bits of the bytes at pos (prefix sums).
template <bool PRICED>
inline __attribute__((always_inline)) Choice Search(const Tables& t, const uint8_t* data,
                                                    int32_t base, int pos, int maxLen,
                                                    const LazySettings& k, int floorLen,
                                                    const Prices* prices, const int32_t* saved)
{
    const uint8_t* here = data + pos;
    const int32_t s = base + pos;
    // The farthest position a match may start at, never before the window's
    // first byte.
    const int32_t cutoff = s - k.maxDistance > base ? s - k.maxDistance : base;
    const uint32_t first4 = Load32(here);
    uint32_t h4 = HashOf4(first4, CHAIN_HASH4_BITS);
    uint32_t h3 = HashOf3(first4, CHAIN_HASH3_BITS);
    int32_t candidate = t.head4[h4];
    int32_t short3 = t.head3[h3];
    t.head4[h4] = s;
    t.head3[h3] = s;
    uint32_t link = (uint32_t)(s - candidate);
    t.back[s & (POSITION_RING - 1)] = (uint16_t)(link < (uint32_t)POSITION_RING ? link : 0);

    Choice best = {floorLen, 0, 0};
    int longest = floorLen;
    auto consider = [&](int len, int distance) {
        longest = len;
        if (!PRICED) {
            best = Choice{len, distance, 0};
            return;
        }
        int32_t gain = saved[pos + len] - saved[pos] - prices->length[len] -
                       prices->position[PositionSymbol((unsigned)distance - 1)];
        if (gain > best.gain)
            best = Choice{len, distance, gain};
    };
    if (longest < MIN_MATCH && short3 >= cutoff &&
        ((Load32(data + (short3 - base)) ^ first4) & 0xFFFFFF) == 0 &&
        (PRICED || s - short3 <= k.farShort))
        consider(MIN_MATCH, s - short3);
    const int nice = k.niceLen < maxLen ? k.niceLen : maxLen;
    for (int depth = k.depth; candidate >= cutoff && depth > 0; --depth) {
        const uint8_t* there = data + (candidate - base);
        // Past four bytes, the four that end where a longer match would end
        // are compared first: most candidates fail there.
        if (longest >= 4
                ? Load32(there + longest - 3) == Load32(here + longest - 3) && Load32(there) == first4
                : Load32(there) == first4) {
            int len = ExtendMatch(here, there, 4, maxLen);
            if (len > longest) {
                consider(len, s - candidate);
                if (len >= nice)
                    break;
            }
        }
        int d = t.back[candidate & (POSITION_RING - 1)];
        if (d == 0)
            break;
        candidate -= d;
    }
    if (!PRICED && best.len < MIN_MATCH)
        best.len = 0;
    if (PRICED && best.gain <= 0)
        best.len = 0;
    return best;
}

}  // namespace lazy_matching

// Codes from in.pos up to `stop` (a match may end up to MAX_MATCH - 1
// beyond it; with prices, `saved` holds the literal bits' prefix sums from
// in.pos up to MAX_MATCH past stop, taken as saved[pos] for position pos)
// through sink.Literal(byte) and sink.Match(length, distance), and moves
// in.pos. Every position passed enters the matcher.
template <bool PRICED, typename Sink>
void MatchLazily(ChainMatcher& m, InputWindow& in, int stop, const LazySettings& k,
                 const Prices* prices, const int32_t* saved, Sink& sink)
{
    using namespace lazy_matching;
    const Tables t = {m.head4, m.head3, m.back};
    // In locals: the sink's byte stores could otherwise change them.
    const uint8_t* const data = in.data;
    const int32_t base = in.base;
    const int end = in.end;
    const int searchEnd = end - 3;  // positions with four bytes after them
    const int matchEnd = PRICED ? stop + MAX_MATCH : end;  // how far `saved` reaches
    int pos = in.pos;
    auto maxLenAt = [&](int at) {
        int left = (end < matchEnd ? end : matchEnd) - at;
        return left < MAX_MATCH ? left : MAX_MATCH;
    };
    while (pos < stop) {
        if (pos >= searchEnd) {
            sink.Literal(data[pos++]);
            continue;
        }
        Choice c = Search<PRICED>(t, data, base, pos, maxLenAt(pos), k, MIN_MATCH - 1, prices, saved);
        if (c.len == 0) {
            sink.Literal(data[pos++]);
            continue;
        }
        int next = pos + 1;  // the next position to enter
        while (c.len < k.lazyLen && pos + 1 < stop && pos + 1 < searchEnd) {
            Choice later = Search<PRICED>(t, data, base, pos + 1, maxLenAt(pos + 1), k,
                                          PRICED ? MIN_MATCH - 1 : c.len, prices, saved);
            next = pos + 2;
            if (later.len == 0 || (PRICED ? later.gain <= c.gain : later.len <= c.len))
                break;
            sink.Literal(data[pos++]);
            c = later;
        }
        sink.Match(c.len, c.distance);
        int after = pos + c.len;
        int limit = after < searchEnd ? after : searchEnd;
        int32_t s = base + next;
        for (int i = next; i < limit; ++i, ++s) {
            uint32_t first4 = Load32(data + i);
            uint32_t h4 = HashOf4(first4, CHAIN_HASH4_BITS);
            uint32_t link = (uint32_t)(s - t.head4[h4]);
            t.back[s & (POSITION_RING - 1)] = (uint16_t)(link < (uint32_t)POSITION_RING ? link : 0);
            t.head4[h4] = s;
            t.head3[HashOf3(first4, CHAIN_HASH3_BITS)] = s;
        }
        pos = after;
    }
    in.pos = pos;
}
