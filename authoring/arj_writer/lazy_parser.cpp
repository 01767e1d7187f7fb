#include "authoring/arj_writer/lazy_parser.h"

#include <cmath>

// Method 1 searches deepest and puts matches off longest; methods 1 and 2
// choose by price.
static const LazySettings SETTINGS[3] = {
    {64, 256, 256, HISTORY_SIZE, 4096},  // method 1
    {16, 128, 64, HISTORY_SIZE, 4096},   // method 2
    {8, 48, 16, HISTORY_SIZE, 4096},     // method 3
};
static const bool PRICED[3] = {true, true, false};

void ResetLazyParser(LazyParser& p)
{
    ResetChainMatcher(p.matcher);
}

static const int PRICE_UNIT = 16;         // prices are in 1/16 bits
static const int UNCODED_BITS = 13;       // a symbol that had no code

// Prices from the code lengths of the last block written.
static void PricesFromLengths(Prices& r, const BlockLengths& l)
{
    for (int c = 0; c < 256; ++c)
        r.literal[c] = PRICE_UNIT * (l.literal[c] != 0 ? l.literal[c] : UNCODED_BITS);
    for (int n = MIN_MATCH; n <= MAX_MATCH; ++n) {
        int s = LengthSymbol(n);
        r.length[n] = PRICE_UNIT * (l.literal[s] != 0 ? l.literal[s] : UNCODED_BITS);
    }
    for (int j = 0; j < POSITION_SYMBOLS; ++j)
        r.position[j] = PRICE_UNIT * ((l.position[j] != 0 ? l.position[j] : 8) + (j > 1 ? j - 1 : 0));
}

// Prices before any block: literals by their frequency in the first bytes,
// lengths and positions by rough rules.
static void FirstPrices(Prices& r, const uint8_t* data, int n)
{
    uint32_t freq[256] = {0};
    for (int i = 0; i < n; ++i)
        ++freq[data[i]];
    for (int c = 0; c < 256; ++c) {
        double bits = freq[c] != 0 ? std::log2((double)n / freq[c]) : 14;
        r.literal[c] = (int32_t)(PRICE_UNIT * (bits < 1 ? 1 : bits > 14 ? 14 : bits) + PRICE_UNIT / 2);
    }
    for (int len = MIN_MATCH; len <= MAX_MATCH; ++len)
        r.length[len] = PRICE_UNIT * (3 + 2 * (31 - __builtin_clz((unsigned)len - 2)));
    for (int j = 0; j < POSITION_SYMBOLS; ++j)
        r.position[j] = PRICE_UNIT * (4 + (j > 1 ? j - 1 : 0));
}

void StartLazyParser(LazyParser& p, int method)
{
    StartBlocks(p.blocks);
    p.method = method;
    p.pricedBlocks = -1;  // first prices from the first bytes
}

namespace {

struct BlockSink {
    BlockSplitter& blocks;
    BitWriter& w;
    void Literal(uint8_t c) { AddLiteralCode(blocks, w, c); }
    void Match(int length, int distance) { AddMatchCode(blocks, w, length, distance); }
};

}  // namespace

void RunLazyParser(LazyParser& p, InputWindow& in, BitWriter& w)
{
    int stop = CodableEnd(in);
    if (stop - in.pos > LAZY_STEP)
        stop = in.pos + LAZY_STEP;
    BlockSink sink{p.blocks, w};
    const LazySettings& k = SETTINGS[p.method - 1];
    if (PRICED[p.method - 1]) {
        if (p.pricedBlocks == -1) {
            int n = in.end - in.pos < 65536 ? in.end - in.pos : 65536;
            FirstPrices(p.prices, in.data + in.pos, n);
            p.pricedBlocks = 0;
        } else if (p.pricedBlocks != p.blocks.blocksWritten) {
            PricesFromLengths(p.prices, p.blocks.lengths);
            p.pricedBlocks = p.blocks.blocksWritten;
        }
        int reach = stop + MAX_MATCH < in.end ? stop + MAX_MATCH : in.end;
        p.saved[in.pos] = 0;
        for (int i = in.pos; i < reach; ++i)
            p.saved[i + 1] = p.saved[i] + p.prices.literal[in.data[i]];
        MatchLazily<true>(p.matcher, in, stop, k, &p.prices, p.saved, sink);
    } else {
        MatchLazily<false>(p.matcher, in, stop, k, nullptr, nullptr, sink);
    }
    if (in.complete && in.pos == in.end)
        FinishBlocks(p.blocks, w);
}
