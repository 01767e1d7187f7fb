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

static bool DecodeFastWindow(const DecodeTarget& t)
{
    if (!InitBitReader(t.archive)) {
        SetReadError(t.archiveName);
        return false;
    }
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
        if (r < rStop && inEnd - in >= 8) {
            const int r0 = r;
            do {
                if (count < 31) {
                    uint64_t w;
                    memcpy(&w, in, 8);
                    bits |= __builtin_bswap64(w) >> count;
                    in += (63 - count) >> 3;
                    count |= 56;
                }
                int x = TakeLengthValue(bits, count);
                if (x == 0) {
                    win[r++] = (uint8_t)(bits >> 56);
                    bits <<= 8;
                    count -= 8;
                    continue;
                }
                int p = TakeDistance(bits, count);
                if (!wrapped && p >= r) {
                    SetReadError(t.archiveName);
                    return false;
                }
                int i = r - p - 1;
                if (i < 0)
                    i += HISTORY_WINDOW_SIZE;
                CopyMatch(win, r, i, x + 2, HISTORY_WINDOW_SIZE);
                r += x + 2;
            } while (r < rStop && inEnd - in >= 8);
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
            if (r == HISTORY_WINDOW_SIZE) {
                if (!FlushWindow(t))
                    return false;
                r = 0;
                pumpAt = 0;
                wrapped = true;
            }
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
        while (length-- > 0) {
            win[r++] = win[i++];
            if (r == HISTORY_WINDOW_SIZE) {
                if (!FlushWindow(t))
                    return false;
                r = 0;
                pumpAt = 0;
                wrapped = true;
            }
            if (i == HISTORY_WINDOW_SIZE)
                i = 0;
        }
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
