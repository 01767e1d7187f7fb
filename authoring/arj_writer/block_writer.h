// Writes one block of methods 1-3: its code count, the three code
// descriptions as the reader reads them (the 19-symbol code of the code
// lengths, the 510 literal/length lengths, the 17-symbol position code) and
// the block's codes.
#pragma once

#include "authoring/arj_writer/bit_writer.h"
#include "authoring/arj_writer/token_block.h"

// The room one block needs: 65,535 codes of at most 46 bits, the code
// descriptions, and the 8 bytes that the code loop's stores may touch past
// what it writes.
const int MAX_BLOCK_BYTES = MAX_BLOCK_CODES * 46 / 8 + 1024;

// The code lengths a block was written with (0: the symbol has no code).
struct BlockLengths {
    uint8_t literal[LITERAL_SYMBOLS];
    uint8_t position[POSITION_SYMBOLS];
};

// Writes the first `count` (1 to 65,535) codes of b as one block, with
// codes built for `counts`, their symbol counts; the code lengths go to
// `used` when it is not null.
void WriteHuffmanBlock(BitWriter& w, const TokenBlock& b, int count, const SymbolCounts& counts,
                       BlockLengths* used = nullptr);
