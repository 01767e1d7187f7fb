// The three ways an entry's data become its file. Each takes the target of
// DecodeEntryData, returns false with finishMessage set, and leaves the
// archive at the end of the entry's data on success. Portable.
#pragma once
#include <cstdint>

#include "install/archive/history_window.h"

// Method 0: the data are the file, copied in archive-aligned pieces.
bool CopyStoredData(const DecodeTarget& t);

// Methods 1 to 3: LZ77 with static Huffman codes in blocks.
bool DecodeHuffmanData(const DecodeTarget& t);

// Method 4: LZ77 with fixed variable-length codes.
bool DecodeFastData(const DecodeTarget& t);

// Builds the lookup table (top tableBits bits) and, for longer codes, the
// tree in leftChild/rightChild for a canonical code of the given lengths.
// False when the lengths do not form a complete prefix code (or exceed 16).
// A table entry is the symbol, or the tree node where a longer code goes on;
// withLengths makes it the symbol shifted left by 6 with its code length,
// or FAST_NODE with the node.
const unsigned FAST_NODE = 0x8000;
bool MakeDecodeTable(int symbolCount, const uint8_t* lengths, int tableBits, uint16_t* table,
                     bool withLengths = false);

const int TREE_NODE_COUNT = 1019;
extern uint16_t leftChild[TREE_NODE_COUNT];
extern uint16_t rightChild[TREE_NODE_COUNT];
