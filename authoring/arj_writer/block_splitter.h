// Where the blocks of methods 1-3 end. A parser's codes are taken in
// chunks of SPLIT_CHUNK; a chunk joins the open block when one Huffman code
// for both is estimated to take no more bits than a code for each (counts'
// entropy plus the codes' descriptions), else the open block is written
// and the chunk opens the next one. Blocks stay within 65,535 codes.
#pragma once

#include "authoring/arj_writer/bit_writer.h"
#include "authoring/arj_writer/block_writer.h"
#include "authoring/arj_writer/token_block.h"

const int SPLIT_CHUNK = 2048;

struct BlockSplitter {
    TokenBlock tokens;      // the open block: decided codes, then the current chunk
    int chunkStart;         // codes before this are decided to belong to the open block
    SymbolCounts decided;   // their counts
    uint32_t decidedBits;   // and their estimated bits
    BlockLengths lengths;   // the code lengths of the last block written
    int blocksWritten;
};

void StartBlocks(BlockSplitter& s);

// Decides where the current chunk goes (called when it is full).
void EndChunk(BlockSplitter& s, BitWriter& w);

// Writes everything still open (at the entry's end).
void FinishBlocks(BlockSplitter& s, BitWriter& w);

inline void AddLiteralCode(BlockSplitter& s, BitWriter& w, uint8_t c)
{
    AddLiteral(s.tokens, c);
    if (s.tokens.count - s.chunkStart == SPLIT_CHUNK)
        EndChunk(s, w);
}

inline void AddMatchCode(BlockSplitter& s, BitWriter& w, int length, int distance)
{
    AddMatch(s.tokens, length, distance);
    if (s.tokens.count - s.chunkStart == SPLIT_CHUNK)
        EndChunk(s, w);
}
