// The numbers of the compressed formats that the writer produces: the
// history that matches reach into, the match lengths, the symbol counts of
// the Huffman codes of methods 1-3 and the reach of method 4's codes.
#pragma once

const int HISTORY_SIZE = 26624;        // the decoders' window: a match reaches back at most this far
const int MIN_MATCH = 3;
const int MAX_MATCH = 256;
const int FAST_MAX_DISTANCE = 15872;   // method 4's position codes end here

// Methods 1-3: literal/length symbols (256 literals, then lengths 3..256),
// the code that sends their lengths, and the position code (bit counts of
// the distance less one).
const int LITERAL_SYMBOLS = 510;
const int LENGTH_CODE_SYMBOLS = 19;
const int POSITION_SYMBOLS = 17;
const int MAX_CODE_LENGTH = 16;
const int MAX_BLOCK_CODES = 65535;     // the block counter is 16 bits; 0 (65,536) is never written

inline int LengthSymbol(int length)
{
    return length - MIN_MATCH + 256;
}

// The position symbol of a distance less one: its bit count.
inline int PositionSymbol(unsigned p)
{
    return p == 0 ? 0 : 32 - __builtin_clz(p);
}
