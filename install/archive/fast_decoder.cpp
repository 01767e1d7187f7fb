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

static bool DecodeFastWindow(const DecodeTarget& t)
{
    if (!InitBitReader(t.archive)) {
        SetReadError(t.archiveName);
        return false;
    }
    BitReaderState& s = bitReader;
    uint8_t* const win = historyWindow;
    const int64_t size = EntryHeader.uncompressedSize;
    const int interval = decoderPumpInterval;
    int64_t produced = 0;
    int r = 0;
    uint64_t bits;
    int count;
    const uint8_t* in;
    const uint8_t* inEnd;
    LoadBits(s, bits, count, in, inEnd);

    while (produced < size) {
        if (PumpDue(r, interval) && !PumpOrTerminate())
            return false;
        // At most 14 bits of length and then 17 of distance or 8 of literal.
        if (count < 31 && !LoadMoreBits(s, bits, count, in, inEnd, 31)) {
            SetReadError(t.archiveName);
            return false;
        }
        int k = LeadingOnes(bits, 7);
        int used = k + (k < 7 ? 1 : 0);
        bits <<= used;
        int x = 0;
        if (k > 0) {
            x = (1 << k) - 1 + (int)(bits >> (64 - k));
            bits <<= k;
            used += k;
        }
        if (x == 0) {
            win[r++] = (uint8_t)(bits >> 56);
            bits <<= 8;
            count -= used + 8;
            ++produced;
            if (r == HISTORY_WINDOW_SIZE) {
                if (!FlushWindow(t))
                    return false;
                r = 0;
            }
            continue;
        }
        int length = x + 2;
        k = LeadingOnes(bits, 4);
        int stop = k < 4 ? 1 : 0;
        bits <<= k + stop;
        int p = 512 * ((1 << k) - 1) + (int)(bits >> (64 - (9 + k)));
        bits <<= 9 + k;
        count -= used + k + stop + 9 + k;

        if (PumpDue(r, interval) && !PumpOrTerminate())
            return false;
        if (p >= produced) {
            SetReadError(t.archiveName);
            return false;
        }
        produced += length;
        int i = r - p - 1;
        if (i < 0)
            i += HISTORY_WINDOW_SIZE;
        if (i < r && r < HISTORY_WINDOW_SIZE - 257) {
            CopyMatch(win, r, i, length);
            r += length;
        } else {
            while (length-- > 0) {
                win[r++] = win[i++];
                if (r == HISTORY_WINDOW_SIZE) {
                    if (!FlushWindow(t))
                        return false;
                    r = 0;
                }
                if (i == HISTORY_WINDOW_SIZE)
                    i = 0;
            }
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
