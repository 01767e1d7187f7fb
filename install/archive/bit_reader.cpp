#include "install/archive/bit_reader.h"

#include "install/archive/archive_seam.h"
#include "install/archive/arj_header.h"

BitReaderState bitReader;
static uint8_t bitInput[BIT_INPUT_SIZE];

// The zero bits sit below any data bits still held, so those gone from the
// register are used.
int ZeroBitsUsed(const BitReaderState& s)
{
    return s.zeroBits > s.count ? s.zeroBits - s.count : 0;
}

bool RefillBits(BitReaderState& s, int need)
{
    // Whole bytes while they fit below 64 bits: the register never holds
    // more than 63 valid bits, which the branch-free refill relies on.
    while (s.count <= 55) {
        if (s.next == s.end) {
            int32_t left = EntryHeader.remainingCompressed;
            if (left <= 0) {
                // Past the entry's data: the stream continues with zero bits,
                // which are already in place below `count`.
                if (ZeroBitsUsed(s) > BIT_OVERRUN_LIMIT) {
                    s.failed = true;
                    return false;
                }
                s.zeroBits += 63 - s.count;
                s.count = 63;
                return true;
            }
            int want = left < BIT_INPUT_SIZE ? left : BIT_INPUT_SIZE;
            int got = ReadCached(s.archive, bitInput, want);
            if (got <= 0 || got > want) {
                s.failed = true;
                return false;
            }
            EntryHeader.remainingCompressed -= got;
            s.next = bitInput;
            s.end = bitInput + got;
        }
        s.bits |= (uint64_t)*s.next++ << (56 - s.count);
        s.count += 8;
    }
    return s.count >= need;
}

bool InitBitReader(int archive)
{
    bitReader.bits = 0;
    bitReader.count = 0;
    bitReader.next = bitInput;
    bitReader.end = bitInput;
    bitReader.archive = archive;
    bitReader.failed = false;
    bitReader.zeroBits = 0;
    return RefillBits(bitReader, 16);
}

bool FinishBitReader()
{
    if (ZeroBitsUsed(bitReader) > BIT_OVERRUN_LIMIT)
        return false;
    int32_t left = EntryHeader.remainingCompressed;
    if (left <= 0)
        return true;
    EntryHeader.remainingCompressed = 0;
    return SeekCached(bitReader.archive, left, 1) != -1;
}

bool LoadMoreBitsSlow(BitReaderState& s, uint64_t& bits, int& count, const uint8_t*& in,
                      const uint8_t*& inEnd, int need)
{
    SaveBits(s, bits, count, in, inEnd);
    bool ok = RefillBits(s, need);
    LoadBits(s, bits, count, in, inEnd);
    return ok;
}
