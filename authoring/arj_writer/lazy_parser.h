// Parser of methods 1-3: hash-chain matches with lazy evaluation,
// collected into blocks of static Huffman codes. Methods 1 and 2 choose
// their matches by the bits they save under the codes of the block before
// (priced); method 1 searches deepest, method 3 least.
#pragma once

#include "authoring/arj_writer/bit_writer.h"
#include "authoring/arj_writer/block_splitter.h"
#include "authoring/arj_writer/chain_matcher.h"
#include "authoring/arj_writer/input_window.h"
#include "authoring/arj_writer/lazy_matching.h"

const int LAZY_STEP = 1 << 15;

struct LazyParser {
    ChainMatcher matcher;
    BlockSplitter blocks;
    int method;
    Prices prices;
    int pricedBlocks;                 // blocks written when the prices were last set
    int32_t saved[INPUT_CAPACITY + 1];  // literal bits' prefix sums by window position
};

// Forgets all positions (the matcher's stream positions start again).
void ResetLazyParser(LazyParser& p);

// Prepares for a new entry of method 1, 2 or 3.
void StartLazyParser(LazyParser& p, int method);

// Codes from in.pos on, at most LAZY_STEP bytes and not beyond CodableEnd
// (a match may end up to MAX_MATCH - 1 further); blocks are written as
// they end, and the last one when the whole entry has been coded.
void RunLazyParser(LazyParser& p, InputWindow& in, BitWriter& w);
