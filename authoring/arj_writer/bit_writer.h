// Most-significant-bit-first writer of compressed data into a byte buffer,
// the mirror of the reader's bit reader: values enter a 64-bit register
// from the top and leave it four bytes at a time. The owner makes room in
// the buffer between blocks (TakeWrittenBytes).
#pragma once
#include <cstdint>
#include <cstring>

struct BitWriter {
    uint64_t bits;   // pending bits from bit 63 down
    int count;       // pending bits, below 32 between calls
    uint8_t* start;  // the buffer
    uint8_t* next;   // where the next whole bytes go
};

inline void StartBitWriter(BitWriter& w, uint8_t* buffer)
{
    w.bits = 0;
    w.count = 0;
    w.start = buffer;
    w.next = buffer;
}

// Appends the n low bits of value (0 <= n <= 32; value < 2^n).
inline void PutBits(BitWriter& w, uint32_t value, int n)
{
    w.bits |= (uint64_t)value << 32 << (32 - n) >> w.count;
    w.count += n;
    if (w.count >= 32) {
        uint32_t top = __builtin_bswap32((uint32_t)(w.bits >> 32));
        memcpy(w.next, &top, 4);
        w.next += 4;
        w.bits <<= 32;
        w.count -= 32;
    }
}

// The fast pair for code loops: AddBits appends the n low bits of value
// (w.count + n <= 64), and MoveBytesFast then moves every whole pending
// byte out with one 8-byte store (the buffer has 8 bytes of room past the
// bytes written), leaving fewer than 8 pending, so that up to 56 bits can
// follow.
inline void AddBits(BitWriter& w, uint64_t value, int n)
{
    w.bits |= value << (63 - n) << 1 >> w.count;
    w.count += n;
}

inline void MoveBytesFast(BitWriter& w)
{
    uint64_t bytes = __builtin_bswap64(w.bits);
    memcpy(w.next, &bytes, 8);
    w.next += w.count >> 3;
    w.bits <<= w.count & ~7;
    w.count &= 7;
}

// Moves every whole pending byte into the buffer.
inline void MoveWholeBytes(BitWriter& w)
{
    while (w.count >= 8) {
        *w.next++ = (uint8_t)(w.bits >> 56);
        w.bits <<= 8;
        w.count -= 8;
    }
}

// Ends the stream: the last byte is filled with zero bits.
inline void FlushBits(BitWriter& w)
{
    MoveWholeBytes(w);
    if (w.count > 0) {
        *w.next++ = (uint8_t)(w.bits >> 56);
        w.bits = 0;
        w.count = 0;
    }
}

// The bytes written since the last call; the buffer is then reused from its start.
inline int TakeWrittenBytes(BitWriter& w)
{
    int n = (int)(w.next - w.start);
    w.next = w.start;
    return n;
}
