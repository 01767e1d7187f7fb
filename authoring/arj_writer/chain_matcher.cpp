#include "authoring/arj_writer/chain_matcher.h"

#include <cstring>

void ResetChainMatcher(ChainMatcher& m)
{
    ClearPositions(m.head4, 1 << CHAIN_HASH4_BITS);
    ClearPositions(m.head3, 1 << CHAIN_HASH3_BITS);
    memset(m.back, 0, sizeof m.back);
}
