// Method 4: LZ77 with fixed codes. A length value is a unary prefix of up to
// seven 1 bits (k) ended by a 0 bit (none after seven), then k bits; 0 means
// a literal byte of 8 bits follows, n > 0 a match of n + 2 bytes whose
// distance is a unary prefix of up to four 1 bits (k) and 9 + k bits.
#include <cstring>

#include "install/archive/archive_seam.h"
#include "install/archive/arj_header.h"
#include "install/archive/bit_reader.h"
#include "install/archive/decoders.h"
#include "install/archive/entry_decoder.h"
#include "install/script/transfer_sizes.h"

// Number of leading 1 bits of v, at most `limit` (limit < 64).
static inline int LeadingOnes(uint64_t v, int limit)
{
    uint64_t x = ~v | ((uint64_t)1 << (63 - limit));
    return __builtin_clzll(x);
}

// Window positions from which a whole match (256 bytes at most) fits before
// the window's end; the fast loop stays below.
const int FAST_WINDOW_END = HISTORY_WINDOW_SIZE - 256;

// Takes a length value (at most 14 bits) off the register.
static inline int TakeLengthValue(uint64_t& bits, int& count)
{
    int k = LeadingOnes(bits, 7);
    int used = k + (k < 7 ? 1 : 0);
    bits <<= used;
    count -= used;
    if (k == 0)
        return 0;
    int x = (1 << k) - 1 + (int)(bits >> (64 - k));
    bits <<= k;
    count -= k;
    return x;
}

// Takes a match distance less one (at most 17 bits) off the register.
static inline int TakeDistance(uint64_t& bits, int& count)
{
    int k = LeadingOnes(bits, 4);
    int stop = k < 4 ? 1 : 0;
    bits <<= k + stop;
    int p = 512 * ((1 << k) - 1) + (int)(bits >> (64 - (9 + k)));
    bits <<= 9 + k;
    count -= k + stop + 9 + k;
    return p;
}

// The start of a match (its first bit, 1, and the 10 bits after it): its
// length code and the prefix of its distance code in one lookup, for the
// common matches whose both fit. An entry holds the bits they take (low 4
// bits), the length less 3 (next 5) and the distance's prefix value k (top
// 3: 9 + k bits follow); 0 where they do not fit.
const int MATCH_TABLE_BITS = 10;
static uint16_t matchTable[1 << MATCH_TABLE_BITS];
static bool matchTableBuilt = false;

static void BuildMatchTable()
{
    for (int v = 0; v < (1 << MATCH_TABLE_BITS); ++v) {
        uint64_t b = ((uint64_t)1 << 63) | (uint64_t)v << (63 - MATCH_TABLE_BITS);
        int n = 64;
        int length = TakeLengthValue(b, n) + 2;
        int k = LeadingOnes(b, 4);
        int used = 64 - n + k + (k < 4 ? 1 : 0);
        matchTable[v] = used <= 1 + MATCH_TABLE_BITS && length - 3 < 32
                            ? (uint16_t)(used | (length - 3) << 4 | k << 9)
                            : 0;
    }
    matchTableBuilt = true;
}

// Takes a match (its first bit is 1; 31 bits valid) off the register.
static inline __attribute__((always_inline)) void TakeMatch(uint64_t& bits, int& count,
                                                            int& length, int& distance)
{
    unsigned e = matchTable[(bits >> (63 - MATCH_TABLE_BITS)) & ((1 << MATCH_TABLE_BITS) - 1)];
    if (e != 0) {
        int k = (int)(e >> 9);
        int used = (int)(e & 15) + 9 + k;
        length = (int)((e >> 4) & 31) + 3;
        bits <<= e & 15;
        distance = 512 * ((1 << k) - 1) + (int)(bits >> (55 - k)) + 1;
        bits <<= 9 + k;
        count -= used;
        return;
    }
    length = TakeLengthValue(bits, count) + 2;
    distance = TakeDistance(bits, count) + 1;
}

// The first bits of six literal codes in a row.
const uint64_t LITERAL_RUN_BITS = (uint64_t)1 << 63 | (uint64_t)1 << 54 | (uint64_t)1 << 45 |
                                  (uint64_t)1 << 36 | (uint64_t)1 << 27 | (uint64_t)1 << 18;

// Match copies of the fast loop may write up to 15 bytes past the match's
// end: the bytes there are the window's oldest, further back than this
// code's longest distance, and the decoder writes them again before the
// window is flushed.

// The source lies 1 to 7 bytes below the destination: its bytes repeat.
static inline void CopyNearOver(uint8_t* d, int distance, int length)
{
    if (distance == 1) {
        uint64_t v = d[-1] * 0x0101010101010101ull;
        uint8_t* end = d + length;
        do {
            memcpy(d, &v, 8);
            d += 8;
        } while (d < end);
    } else {
        const uint8_t* s = d - distance;
        while (length-- > 0)
            *d++ = *s++;
    }
}

static bool DecodeFastWindow(const DecodeTarget& t)
{
    if (!InitBitReader(t.archive)) {
        SetReadError(t.archiveName);
        return false;
    }
    if (!matchTableBuilt)
        BuildMatchTable();
    BitReaderState& s = bitReader;
    uint8_t* const win = historyWindow;
    const int interval = decoderPumpInterval;
    int64_t left = EntryHeader.uncompressedSize;  // bytes still to produce
    // Until the window is first full, a match may reach back only over its
    // first r bytes; after that, every distance lies in the window.
    bool wrapped = false;
    int r = 0;
    int pumpAt = 0;
    uint64_t bits;
    int count;
    const uint8_t* in;
    const uint8_t* inEnd;
    LoadBits(s, bits, count, in, inEnd);

    while (left > 0) {
        if (r >= pumpAt) {
            if (!PumpOrTerminate())
                return false;
            pumpAt = NextPumpAt(r, interval);
        }

        // The fast loop: while eight input bytes are at hand and the output
        // stays below the next pump position, the window's end (less a
        // match) and the entry's size.
        int rStop = pumpAt < FAST_WINDOW_END ? pumpAt : FAST_WINDOW_END;
        if (left < rStop - r)
            rStop = r + (int)left;
        if (rStop - r > 6 && inEnd - in >= 8) {
            // The register in locals of the loop's own, which stay in
            // processor registers.
            uint64_t b = bits;
            int n = count;
            const uint8_t* q = in;
            uint8_t* out = win + r;
            uint8_t* const outStop = win + rStop;
            uint8_t* const literalsStop = outStop - 6;  // room for six literals
            if (n < 56)
                RefillWhole(b, n, q);
            do {
                // Up to six literals at once, without a branch per code:
                // the first match bit among the codes' first bits (every
                // ninth bit while literals last) tells how many there
                // are. All six bytes are stored; those past the literals
                // are written again.
                int literalBits = __builtin_clzll((b & LITERAL_RUN_BITS) | ((uint64_t)1 << 9));
                out[0] = (uint8_t)(b >> 55);
                out[1] = (uint8_t)(b >> 46);
                out[2] = (uint8_t)(b >> 37);
                out[3] = (uint8_t)(b >> 28);
                out[4] = (uint8_t)(b >> 19);
                out[5] = (uint8_t)(b >> 10);
                out += (literalBits * 57) >> 9;  // literalBits / 9
                b <<= literalBits;
                n -= literalBits;
                if (inEnd - q < 8)
                    break;
                RefillWhole(b, n, q);
                if (literalBits == 54)
                    continue;  // six literals: the next code is not known
                if (out >= outStop)
                    break;

                // A match (the register's first bit is 1).
                int length;
                int distance;
                TakeMatch(b, n, length, distance);
                int at = (int)(out - win);
                int i = at - distance;
                if (i >= 0 && distance >= 8) {
                    CopyWordsPast(out, win + i, length);
                } else if (i >= 0) {
                    CopyNearOver(out, distance, length);
                } else {
                    // A match may reach back only over bytes already
                    // produced; every distance of this code lies within
                    // the window.
                    if (!wrapped) {
                        SetReadError(t.archiveName);
                        return false;
                    }
                    i += HISTORY_WINDOW_SIZE;
                    if (i <= HISTORY_WINDOW_SIZE - 16 - length)
                        CopyWordsPast(out, win + i, length);
                    else
                        CopyMatch(win, at, i, length, HISTORY_WINDOW_SIZE);
                }
                out += length;
                if (inEnd - q < 8)
                    break;
                RefillWhole(b, n, q);
            } while (out <= literalsStop);
            bits = b;
            count = n;
            in = q;
            int r0 = r;
            r = (int)(out - win);
            left -= r - r0;
            continue;
        }

        // One code at a time near the window's end and the input's.
        // At most 14 bits of length and then 17 of distance or 8 of literal.
        if (count < 31 && !LoadMoreBits(s, bits, count, in, inEnd, 31)) {
            SetReadError(t.archiveName);
            return false;
        }
        int x = TakeLengthValue(bits, count);
        if (x == 0) {
            win[r++] = (uint8_t)(bits >> 56);
            bits <<= 8;
            count -= 8;
            --left;
            if (r == HISTORY_WINDOW_SIZE && !WrapWindow(t, r, pumpAt, wrapped))
                return false;
            continue;
        }
        int length = x + 2;
        int p = TakeDistance(bits, count);
        // A match may reach back only over bytes already produced; every
        // distance of this code lies within the window.
        if (!wrapped && p >= r) {
            SetReadError(t.archiveName);
            return false;
        }
        left -= length;
        int i = r - p - 1;
        if (i < 0)
            i += HISTORY_WINDOW_SIZE;
        if (!CopyMatchSlowly(t, r, i, length, pumpAt, wrapped))
            return false;
    }
    SaveBits(s, bits, count, in, inEnd);
    if (!WriteWindowPart(t, r))
        return false;
    if (!FinishBitReader()) {
        SetReadError(t.archiveName);
        return false;
    }
    return true;
}

bool DecodeFastData(const DecodeTarget& t)
{
    if (!TakeHistoryWindow())
        return false;
    bool ok = DecodeFastWindow(t);
    ReleaseHistoryWindow();
    return ok;
}
