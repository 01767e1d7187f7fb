#include "authoring/arj_writer/chain_matcher.h"

#include <cstring>

void ResetChainMatcher(ChainMatcher& m)
{
    ClearPositions(m.head4, 1 << CHAIN_HASH4_BITS);
    ClearPositions(m.head3, 1 << CHAIN_HASH3_BITS);
    memset(m.back, 0, sizeof m.back);
}

static void Rebase(int32_t* table, int count, int32_t delta)
{
    for (int i = 0; i < count; ++i)
        table[i] = table[i] < delta ? NO_POSITION : table[i] - delta;
}

void RebaseChainMatcher(ChainMatcher& m, int32_t delta)
{
    // The links are distances, and the ring keeps each position's place.
    Rebase(m.head4, 1 << CHAIN_HASH4_BITS, delta);
    Rebase(m.head3, 1 << CHAIN_HASH3_BITS, delta);
}
