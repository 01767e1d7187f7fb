// Most-significant-bit-first reader of an entry's compressed data. It takes
// bytes from the archive only while the entry has some left
// (EntryHeader.remainingCompressed), so it never reads past the entry.
// Bits are held in a 64-bit register whose top bit is the next stream bit;
// the decoders keep a copy of it in locals in their inner loops. Below the
// valid bits the register holds zeros or the stream's next bits, which the
// next refill puts there again. Portable.
//
// Two things differ from a reader that takes one byte whenever its first bit
// is needed, both on purpose:
// - It reads ahead: up to BIT_INPUT_SIZE bytes of the entry's data per read,
//   so the archive's read position (and the progress taken from it) may be
//   up to 16 KB ahead of the decoder, never beyond the entry.
// - FinishBitReader moves the read position to the entry's end by what is
//   left of its compressed size, whether or not the decoder used those
//   bytes; the next header is then read where it lies.
// After the entry's data the stream continues with zero bits, which a
// decoder may look ahead into and use: an archive whose trailing zero bytes
// were cut off still decodes. A decoder that uses more than
// BIT_OVERRUN_LIMIT of them reads a damaged stream (a size claimed far
// beyond the data would otherwise decode zeros for ever). FinishBitReader
// judges that once, from the bits used at the end, so the verdict does not
// depend on where the refills fell; a refill that finds the limit already
// passed fails at once, which can only come sooner to the same verdict.
#pragma once
#include <cstdint>
#include <cstring>

const int BIT_INPUT_SIZE = 16384;
const int BIT_OVERRUN_LIMIT = 64;  // zero bits a decoder may use past the data

struct BitReaderState {
    uint64_t bits;        // next stream bits from bit 63 down
    int count;            // valid bits in `bits`
    const uint8_t* next;  // input bytes read but not yet in `bits`
    const uint8_t* end;
    int archive;
    bool failed;          // a read failed
    int zeroBits;         // zero bits put into `bits` after the entry's data
};

extern BitReaderState bitReader;

// Zero bits past the entry's data that the decoder has used so far.
int ZeroBitsUsed(const BitReaderState& s);

// Clears the reader and loads the first bits of the entry's data.
bool InitBitReader(int archive);

// Loads bits until at least `need` (at most 56) are valid; false when a read
// failed first or the decoder has used more than BIT_OVERRUN_LIMIT of the
// zero bits that follow the end of the entry's data.
bool RefillBits(BitReaderState& s, int need);

// After decoding, with the register saved in bitReader: false when the
// decoder used more than BIT_OVERRUN_LIMIT zero bits past the data, or when
// the archive ends before the entry's data do. Else moves the archive past
// any data the decoder left (by the rest of the compressed size), so the
// next header follows.
bool FinishBitReader();

// Loads whole input bytes into a register until 56 or more bits are valid,
// without a branch: `count` is at most 63 and eight bytes lie at `in`.
inline void RefillWhole(uint64_t& bits, int& count, const uint8_t*& in)
{
    uint64_t w;
    memcpy(&w, in, 8);
    bits |= __builtin_bswap64(w) >> count;
    in += (63 - count) >> 3;
    count |= 56;
}

// Fast refill for the inner loops: when eight input bytes are at hand, loads
// whole bytes until 56 or more bits are valid.
inline bool NeedBits(BitReaderState& s, int need)
{
    if (s.count >= need)
        return true;
    if (s.end - s.next >= 8) {
        RefillWhole(s.bits, s.count, s.next);
        return true;
    }
    return RefillBits(s, need);
}

// The next n bits (1..32) without consuming them; NeedBits(n) first.
inline uint32_t PeekBits(const BitReaderState& s, int n)
{
    return (uint32_t)(s.bits >> (64 - n));
}

inline void DropBits(BitReaderState& s, int n)
{
    s.bits <<= n;
    s.count -= n;
}

// Reads n bits (0..25); sets `failed` and returns 0 when the data ran out.
inline uint32_t GetBits(BitReaderState& s, int n)
{
    if (n == 0)
        return 0;
    if (!NeedBits(s, n)) {
        s.failed = true;
        return 0;
    }
    uint32_t v = PeekBits(s, n);
    DropBits(s, n);
    return v;
}

// Inner loops keep the register in locals; these move it to and from `s`.
inline void SaveBits(BitReaderState& s, uint64_t bits, int count, const uint8_t* in,
                     const uint8_t* inEnd)
{
    s.bits = bits;
    s.count = count;
    s.next = in;
    s.end = inEnd;
}

inline void LoadBits(const BitReaderState& s, uint64_t& bits, int& count, const uint8_t*& in,
                     const uint8_t*& inEnd)
{
    bits = s.bits;
    count = s.count;
    in = s.next;
    inEnd = s.end;
}

// Slow path of LoadMoreBits: through RefillBits.
bool LoadMoreBitsSlow(BitReaderState& s, uint64_t& bits, int& count, const uint8_t*& in,
                      const uint8_t*& inEnd, int need);

// NeedBits on locals, called when fewer than `need` (at most 56) bits are
// valid: afterwards at least `need` are, or false when a read failed.
inline __attribute__((always_inline)) bool LoadMoreBits(BitReaderState& s, uint64_t& bits,
                                                        int& count, const uint8_t*& in,
                                                        const uint8_t*& inEnd, int need)
{
    if (inEnd - in >= 8) {
        RefillWhole(bits, count, in);
        return true;
    }
    return LoadMoreBitsSlow(s, bits, count, in, inEnd, need);
}
