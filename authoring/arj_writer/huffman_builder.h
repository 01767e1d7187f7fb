// Code lengths for symbol frequencies, limited to a maximum length, and the
// canonical codes that the reader builds from the lengths.
#pragma once
#include <cstdint>

// Fills lengths[0..n-1] (n <= 512; frequencies below 2^31 in total) with
// the lengths of a Huffman code no longer than maxLength bits, 0 for
// symbols of frequency 0. Returns the number of symbols used; with fewer
// than two every length is 0 (the code is sent as a single symbol).
int BuildCodeLengths(const uint32_t* freq, int n, int maxLength, uint8_t* lengths);

// The canonical codes of the lengths (at most 16): shorter codes first and,
// within one length, in the order of the symbols.
void MakeCanonicalCodes(const uint8_t* lengths, int n, uint16_t* codes);
