#include "authoring/arj_writer/block_splitter.h"

#include <cmath>

namespace {

// log2(1 + i/256) in 1/256 bits.
struct MantissaTable {
    uint16_t value[256];
    MantissaTable()
    {
        for (int i = 0; i < 256; ++i)
            value[i] = (uint16_t)(std::log2(1.0 + i / 256.0) * 256);
    }
};
const MantissaTable mantissa;

// log2 of x (x >= 1) in 1/256 bits, from the leading bit's place and the
// next eight bits.
uint32_t Log2Fixed(uint32_t x)
{
    int e = 31 - __builtin_clz(x);
    uint32_t top = e >= 8 ? x >> (e - 8) : x << (8 - e);
    return (uint32_t)e * 256 + mantissa.value[top & 255];
}

// Bits of a code for the counts (entropy) and of its description (a few
// bits per symbol used), in 1/256 bits.
uint64_t CodeEstimate(const uint32_t* counts, int n, uint32_t bitsPerSymbolSent)
{
    uint64_t total = 0;
    uint64_t sum = 0;
    uint32_t used = 0;
    for (int i = 0; i < n; ++i) {
        uint32_t f = counts[i];
        if (f != 0) {
            total += f;
            sum += (uint64_t)f * Log2Fixed(f);
            ++used;
        }
    }
    if (used < 2)
        return 0;
    return total * Log2Fixed((uint32_t)total) - sum + (uint64_t)used * bitsPerSymbolSent * 256;
}

uint32_t BlockEstimate(const SymbolCounts& c)
{
    const uint32_t BLOCK_OVERHEAD = 60;  // count, the length code, the counts of lengths
    uint64_t bits = CodeEstimate(c.literal, LITERAL_SYMBOLS, 5) +
                    CodeEstimate(c.position, POSITION_SYMBOLS, 4);
    return (uint32_t)(bits >> 8) + BLOCK_OVERHEAD;
}

// Writes the first `count` codes as a block and moves the rest to the front.
void WriteFirst(BlockSplitter& s, BitWriter& w, int count, const SymbolCounts& counts)
{
    TokenBlock& t = s.tokens;
    WriteHuffmanBlock(w, t, count, counts, &s.lengths);
    ++s.blocksWritten;
    int rest = t.count - count;
    memmove(t.symbol, t.symbol + count, (size_t)rest * sizeof t.symbol[0]);
    memmove(t.position, t.position + count, (size_t)rest * sizeof t.position[0]);
    t.count = rest;
    for (int i = 0; i < LITERAL_SYMBOLS; ++i)
        t.counts.literal[i] -= counts.literal[i];
    for (int i = 0; i < POSITION_SYMBOLS; ++i)
        t.counts.position[i] -= counts.position[i];
}

}  // namespace

void StartBlocks(BlockSplitter& s)
{
    ClearTokens(s.tokens);
    s.chunkStart = 0;
    memset(&s.decided, 0, sizeof s.decided);
    s.decidedBits = 0;
    s.blocksWritten = 0;
}

void EndChunk(BlockSplitter& s, BitWriter& w)
{
    TokenBlock& t = s.tokens;
    if (t.count == s.chunkStart)
        return;
    uint32_t together = BlockEstimate(t.counts);
    if (s.chunkStart > 0) {
        SymbolCounts chunk;
        for (int i = 0; i < LITERAL_SYMBOLS; ++i)
            chunk.literal[i] = t.counts.literal[i] - s.decided.literal[i];
        for (int i = 0; i < POSITION_SYMBOLS; ++i)
            chunk.position[i] = t.counts.position[i] - s.decided.position[i];
        uint32_t alone = BlockEstimate(chunk);
        if (together > s.decidedBits + alone) {
            WriteFirst(s, w, s.chunkStart, s.decided);
            together = alone;
        }
    }
    s.decided = t.counts;
    s.decidedBits = together;
    s.chunkStart = t.count;
    // A block holds at most 65,535 codes: one more chunk must fit.
    if (t.count > MAX_BLOCK_CODES - SPLIT_CHUNK) {
        WriteFirst(s, w, t.count, t.counts);
        s.chunkStart = 0;
        memset(&s.decided, 0, sizeof s.decided);
        s.decidedBits = 0;
    }
}

void FinishBlocks(BlockSplitter& s, BitWriter& w)
{
    EndChunk(s, w);
    if (s.tokens.count > 0)
        WriteFirst(s, w, s.tokens.count, s.tokens.counts);
    s.chunkStart = 0;
    memset(&s.decided, 0, sizeof s.decided);
    s.decidedBits = 0;
}
