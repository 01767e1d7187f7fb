// Methods 1 to 3. Each block starts with its code counter and three static
// canonical codes: the length code (19 symbols) that codes the literal/length
// code lengths, the literal/length code (510 symbols: 256 literals, then
// match lengths 3..256) and the position code (17 symbols: bit counts of the
// match distance). Literal/length symbols are found with one 12-bit table
// lookup, the others with an 8-bit lookup; longer codes continue in a tree.
#include <cstring>

#include "install/archive/archive_seam.h"
#include "install/archive/arj_header.h"
#include "install/archive/bit_reader.h"
#include "install/archive/decoders.h"
#include "install/archive/entry_decoder.h"
#include "install/script/transfer_sizes.h"

const int LITERAL_SYMBOLS = 510;
const int LENGTH_CODE_SYMBOLS = 19;
const int POSITION_SYMBOLS = 17;
const int LITERAL_TABLE_BITS = 12;
const int SMALL_TABLE_BITS = 8;

uint16_t leftChild[TREE_NODE_COUNT];
uint16_t rightChild[TREE_NODE_COUNT];

static uint8_t literalLengths[LITERAL_SYMBOLS];
static uint8_t smallLengths[LENGTH_CODE_SYMBOLS];  // length code, then position code
static uint16_t smallTable[1 << SMALL_TABLE_BITS];
static uint16_t blockCounter;  // codes left in the block; 0 read as 65,536

// The literal/length table of the inner loop: each entry holds the code
// length in its low 6 bits (a shift count as it stands) and the symbol above
// them, or, with FAST_NODE set, the tree node where a longer code continues.
// One lookup thus gives both the symbol and the bits to drop.
static uint16_t literalFast[1 << LITERAL_TABLE_BITS];

// The position table of the inner loop: for a code of at most 8 bits, the
// bits that it and its extra bits take together (low 6 bits), the number of
// extra bits (next 4) and the value that they are added to (top 16), so
// that one lookup and one shift take a whole match distance off the
// register; or FAST_NODE and the tree node.
static uint32_t positionFast[1 << SMALL_TABLE_BITS];

// The position table entry of symbol j.
static uint32_t PositionEntry(unsigned j)
{
    unsigned extra = j >= 2 ? j - 1 : 0;
    unsigned base = j >= 2 ? 1u << (j - 1) : j;
    return base << 16 | extra << 6 | (smallLengths[j] + extra);
}

static void MakePositionTable()
{
    for (int i = 0; i < (1 << SMALL_TABLE_BITS); ++i) {
        unsigned j = smallTable[i];
        positionFast[i] = j >= (unsigned)POSITION_SYMBOLS ? FAST_NODE | j : PositionEntry(j);
    }
}

bool MakeDecodeTable(int symbolCount, const uint8_t* lengths, int tableBits, uint16_t* table,
                     bool withLengths)
{
    uint32_t count[17] = {0};
    uint32_t start[18];
    uint32_t weight[17];
    for (int s = 0; s < symbolCount; ++s) {
        if (lengths[s] > 16)
            return false;
        ++count[lengths[s]];
    }
    start[1] = 0;
    for (int L = 1; L <= 16; ++L)
        start[L + 1] = start[L] + (count[L] << (16 - L));
    int tableSize = 1 << tableBits;
    if (start[17] == 0) {
        // No symbol at all: a code that a valid stream never uses. Every
        // lookup gives symbol 0 with no bits, so nothing stale is read.
        for (int i = 0; i < tableSize; ++i)
            table[i] = 0;
        return true;
    }
    // Exactly 65,536 is a complete prefix code; the sum is kept in 32 bits so
    // that an over-full code cannot wrap to look complete.
    if (start[17] != 0x10000)
        return false;

    int shift = 16 - tableBits;
    for (int L = 1; L <= tableBits; ++L) {
        start[L] >>= shift;
        weight[L] = 1u << (tableBits - L);
    }
    for (int L = tableBits + 1; L <= 16; ++L)
        weight[L] = 1u << (16 - L);

    uint32_t i = start[tableBits + 1] >> shift;
    for (; i < (uint32_t)tableSize; ++i)
        table[i] = 0;

    int nextNode = symbolCount;
    uint32_t mask = 1u << (15 - tableBits);
    for (int s = 0; s < symbolCount; ++s) {
        int L = lengths[s];
        if (L == 0)
            continue;
        uint32_t next = start[L] + weight[L];
        if (L <= tableBits) {
            uint16_t entry = (uint16_t)(withLengths ? s << 6 | L : s);
            for (uint32_t k = start[L]; k < next; ++k)
                table[k] = entry;
        } else {
            uint32_t k = start[L];
            uint16_t* slot = &table[k >> shift];
            uint16_t nodeMark = withLengths ? FAST_NODE : 0;  // in the table only
            for (int n = L - tableBits; n > 0; --n) {
                if (*slot == 0) {
                    if (nextNode >= TREE_NODE_COUNT)
                        return false;
                    leftChild[nextNode] = 0;
                    rightChild[nextNode] = 0;
                    *slot = (uint16_t)(nodeMark | nextNode++);
                }
                unsigned node = *slot & ~FAST_NODE;
                slot = (k & mask) ? &rightChild[node] : &leftChild[node];
                nodeMark = 0;
                k <<= 1;
            }
            *slot = (uint16_t)s;
        }
        start[L] = next;
    }
    return true;
}

// Follows a code longer than its table from tree node j, with the bits
// after the table's first tableBits: the symbol.
static inline int WalkTree(uint64_t bits, int j, int tableBits, int symbolCount)
{
    uint64_t m = (uint64_t)1 << (63 - tableBits);
    while (j >= symbolCount) {
        j = (bits & m) ? rightChild[j] : leftChild[j];
        m >>= 1;
    }
    return j;
}

// Decodes one symbol of a code with an 8-bit table (16 bits must be valid).
static int DecodeSmall(BitReaderState& s, int symbolCount)
{
    int j = WalkTree(s.bits, smallTable[s.bits >> 56], SMALL_TABLE_BITS, symbolCount);
    DropBits(s, smallLengths[j]);
    return j;
}

// Reads the length code or the position code into smallTable.
static bool ReadPtLengths(int symbolCount, int countBits, int specialIndex)
{
    BitReaderState& s = bitReader;
    int n = (int)GetBits(s, countBits);
    if (n == 0) {
        int x = (int)GetBits(s, countBits);
        if (s.failed || x >= symbolCount)
            return false;
        memset(smallLengths, 0, sizeof smallLengths);
        for (int i = 0; i < (1 << SMALL_TABLE_BITS); ++i)
            smallTable[i] = (uint16_t)x;
        return true;
    }
    if (n > symbolCount)
        return false;
    int i = 0;
    while (i < n) {
        // A length takes 3 bits, or up to 17 when it is 7 or more.
        if (!NeedBits(s, 20))
            return false;
        int x = (int)(s.bits >> 61);
        if (x == 7) {
            // Three 1 bits, then one more 1 bit per unit above 7, then a 0.
            uint64_t m = (uint64_t)1 << 60;
            while (m >= ((uint64_t)1 << 48) && (s.bits & m)) {
                ++x;
                m >>= 1;
            }
        }
        DropBits(s, x < 7 ? 3 : x - 3);
        smallLengths[i++] = (uint8_t)x;
        if (i == specialIndex) {
            int z = (int)GetBits(s, 2);
            while (z-- > 0 && i < n)
                smallLengths[i++] = 0;
        }
    }
    if (s.failed)
        return false;
    for (; i < symbolCount; ++i)
        smallLengths[i] = 0;
    return MakeDecodeTable(symbolCount, smallLengths, SMALL_TABLE_BITS, smallTable);
}

// Reads the literal/length code lengths with the length code.
static bool ReadCLengths()
{
    BitReaderState& s = bitReader;
    int n = (int)GetBits(s, 9);
    if (n == 0) {
        int x = (int)GetBits(s, 9);
        if (s.failed || x >= LITERAL_SYMBOLS)
            return false;
        memset(literalLengths, 0, sizeof literalLengths);
        for (int i = 0; i < (1 << LITERAL_TABLE_BITS); ++i)
            literalFast[i] = (uint16_t)(x << 6);  // read with no bits
        return true;
    }
    if (n > LITERAL_SYMBOLS)
        return false;
    int i = 0;
    while (i < n) {
        if (!NeedBits(s, 16))
            return false;
        int x = DecodeSmall(s, LENGTH_CODE_SYMBOLS);
        if (x <= 2) {
            int run = x == 0 ? 1 : x == 1 ? (int)GetBits(s, 4) + 3 : (int)GetBits(s, 9) + 20;
            if (s.failed || i + run > LITERAL_SYMBOLS)
                return false;
            memset(literalLengths + i, 0, (size_t)run);
            i += run;
        } else {
            literalLengths[i++] = (uint8_t)(x - 2);
        }
    }
    for (; i < LITERAL_SYMBOLS; ++i)
        literalLengths[i] = 0;
    return MakeDecodeTable(LITERAL_SYMBOLS, literalLengths, LITERAL_TABLE_BITS, literalFast, true);
}

static bool StartBlock()
{
    BitReaderState& s = bitReader;
    blockCounter = (uint16_t)GetBits(s, 16);
    if (s.failed)
        return false;
    if (!ReadPtLengths(LENGTH_CODE_SYMBOLS, 5, 3) || !ReadCLengths() ||
        !ReadPtLengths(POSITION_SYMBOLS, 5, -1) || s.failed)
        return false;
    // A block whose header runs past the entry's data belongs to a damaged
    // stream: made of zero bits, it would give 65,536 zero bytes read with
    // no bits at all.
    if (ZeroBitsUsed(s) > 0)
        return false;
    MakePositionTable();
    return true;
}

// The literal/length symbol at the top of `bits` (16 bits valid), and
// its code length in `used`.
static inline int LiteralSymbol(uint64_t bits, int& used)
{
    unsigned e = literalFast[bits >> (64 - LITERAL_TABLE_BITS)];
    if (e & FAST_NODE) {
        int c = WalkTree(bits, (int)(e & ~FAST_NODE), LITERAL_TABLE_BITS, LITERAL_SYMBOLS);
        used = literalLengths[c];
        return c;
    }
    used = (int)(e & 63);
    return (int)(e >> 6);
}

// Takes a position code and its extra bits (31 bits valid) off the
// register: the match distance less one.
static inline int TakePosition(uint64_t& bits, int& count)
{
    unsigned e = positionFast[bits >> (64 - SMALL_TABLE_BITS)];
    if (__builtin_expect(e & FAST_NODE, 0)) {
        int j = WalkTree(bits, (int)(e & ~FAST_NODE), SMALL_TABLE_BITS, POSITION_SYMBOLS);
        e = PositionEntry((unsigned)j);
    }
    int total = (int)(e & 63);
    // The top `total` bits (none for 0), of which the extra bits are the last.
    uint32_t taken = (uint32_t)((bits >> (63 - total)) >> 1);
    bits <<= total;
    count -= total;
    return (int)(e >> 16) + (int)(taken & ((1u << ((e >> 6) & 15)) - 1));
}

// Window positions from which a whole match (256 bytes at most) fits before
// the window's end; the fast loop stays below.
const int FAST_WINDOW_END = HISTORY_WINDOW_SIZE - 256;

// The fast loop's match copies may write up to 15 bytes past a match's end,
// over the oldest history, just ahead of the output, which a match whose
// distance is within 16 of the window's size still reads. Those bytes are
// kept here: the window as it was when it was last written out.
static uint8_t previousRound[HISTORY_WINDOW_SIZE];
const int OVERWRITTEN_AHEAD = 16;

// Puts back the history that copies may have overwritten ahead of r.
static inline void RestoreAhead(uint8_t* win, int r)
{
    int n = HISTORY_WINDOW_SIZE - r < OVERWRITTEN_AHEAD ? HISTORY_WINDOW_SIZE - r : OVERWRITTEN_AHEAD;
    memcpy(win + r, previousRound + r, (size_t)n);
}

// The fast loop's matches that it does not copy in words past their end:
// those whose source lies less than 8 bytes back, runs into the window's
// end, or reaches into the oldest history just ahead (put back first).
// Exact, out of the loop's way.
static __attribute__((noinline)) void CopyUncommonMatch(uint8_t* win, int at, int i, int length,
                                                        int distance)
{
    if (distance > HISTORY_WINDOW_SIZE - OVERWRITTEN_AHEAD)
        RestoreAhead(win, at);
    CopyMatch(win, at, i, length, HISTORY_WINDOW_SIZE);
}

static bool DecodeHuffmanWindow(const DecodeTarget& t)
{
    blockCounter = 0;
    if (!InitBitReader(t.archive)) {
        SetReadError(t.archiveName);
        return false;
    }
    BitReaderState& s = bitReader;
    uint8_t* const win = historyWindow;
    const int interval = decoderPumpInterval;
    int64_t left = EntryHeader.uncompressedSize;  // bytes still to produce
    // Until the window is first full, the bytes produced are the first r of
    // it and a match may reach back only over them; after that, over the
    // whole window.
    bool wrapped = false;
    int r = 0;
    int pumpAt = 0;
    int32_t codesLeft = 0;  // in the block

    // The bit register lives in locals in this loop; `s` is brought up to
    // date around the calls that use it.
    uint64_t bits = s.bits;
    int count = s.count;
    const uint8_t* in = s.next;
    const uint8_t* inEnd = s.end;
    while (left > 0) {
        if (r >= pumpAt) {
            if (!PumpOrTerminate())
                return false;
            pumpAt = NextPumpAt(r, interval);
        }
        if (codesLeft == 0) {
            SaveBits(s, bits, count, in, inEnd);
            if (!StartBlock()) {
                SetReadError(t.archiveName);
                return false;
            }
            LoadBits(s, bits, count, in, inEnd);
            codesLeft = blockCounter == 0 ? 0x10000 : blockCounter;
        }

        // The fast loop: while eight input bytes are at hand, the block has
        // codes left, and the output stays below the next pump position,
        // the window's end (less a match) and the entry's size.
        int rStop = pumpAt < FAST_WINDOW_END ? pumpAt : FAST_WINDOW_END;
        if (left < rStop - r)
            rStop = r + (int)left;
        // Codes that the fast loop may take without looking at the input's
        // end: each takes at most 47 bits, less than 6 bytes, and a refill
        // reads 8 bytes beyond those in the register.
        int run = codesLeft;
        if ((inEnd - in - 16) / 6 < run)
            run = (int)((inEnd - in - 16) / 6);
        if (r < rStop && run > 0) {
            // The register in locals of the loop's own, which stay in
            // processor registers.
            uint64_t b = bits;
            int n = count;
            const uint8_t* q = in;
            uint8_t* out = win + r;
            uint8_t* const outStop = win + rStop;
            int32_t codes = codesLeft - run;  // left after the run
            do {
                // A literal/length code, a position code and its extra bits
                // take 47 bits at most.
                RefillWhole(b, n, q);
                int used;
                int c = LiteralSymbol(b, used);
                b <<= used;
                n -= used;
                if (c < 256) {
                    *out++ = (uint8_t)c;
                    continue;
                }
                int length = c - 253;
                int distance = TakePosition(b, n) + 1;
                int at = (int)(out - win);
                // A match may reach back only over bytes already produced,
                // and never beyond the window.
                if (distance > (wrapped ? HISTORY_WINDOW_SIZE : at)) {
                    SetReadError(t.archiveName);
                    return false;
                }
                int i = at - distance;
                i += i < 0 ? HISTORY_WINDOW_SIZE : 0;
                if (__builtin_expect(distance >= 8 && i <= HISTORY_WINDOW_SIZE - 16 - length &&
                                         distance <= HISTORY_WINDOW_SIZE - OVERWRITTEN_AHEAD,
                                     1))
                    CopyWordsPast(out, win + i, length);
                else
                    CopyUncommonMatch(win, at, i, length, distance);
                out += length;
            } while (--run != 0 && out < outStop);
            codes += run;
            bits = b;
            count = n;
            in = q;
            codesLeft = codes;
            int r0 = r;
            r = (int)(out - win);
            left -= r - r0;
            // The one-code path copies exactly and reads what lies ahead.
            if (wrapped)
                RestoreAhead(win, r);
            continue;
        }

        // One code at a time near the window's end and the input's.
        --codesLeft;
        // A literal/length code takes 16 bits at most.
        if (count < 16 && !LoadMoreBits(s, bits, count, in, inEnd, 16)) {
            SetReadError(t.archiveName);
            return false;
        }
        int used;
        int c = LiteralSymbol(bits, used);
        bits <<= used;
        count -= used;

        if (c < 256) {
            win[r++] = (uint8_t)c;
            --left;
            if (r == HISTORY_WINDOW_SIZE) {
                memcpy(previousRound, win, HISTORY_WINDOW_SIZE);
                if (!WrapWindow(t, r, pumpAt, wrapped))
                    return false;
            }
            continue;
        }

        int length = c - 253;
        // A position code and its extra bits take 31 bits at most.
        if (count < 31 && !LoadMoreBits(s, bits, count, in, inEnd, 31)) {
            SetReadError(t.archiveName);
            return false;
        }
        int p = TakePosition(bits, count);
        // A match may reach back only over bytes already produced, and
        // never beyond the window.
        if (p >= (wrapped ? HISTORY_WINDOW_SIZE : r)) {
            SetReadError(t.archiveName);
            return false;
        }
        left -= length;
        int i = r - p - 1;
        if (i < 0)
            i += HISTORY_WINDOW_SIZE;
        int r0 = r;
        if (!CopyMatchSlowly(t, r, i, length, pumpAt, wrapped))
            return false;
        // Across the window's end: the round just written out becomes the
        // previous one (its first bytes are already this round's, behind
        // the output, where the previous round is no longer read).
        if (r < r0)
            memcpy(previousRound, win, HISTORY_WINDOW_SIZE);
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

bool DecodeHuffmanData(const DecodeTarget& t)
{
    if (!TakeHistoryWindow())
        return false;
    bool ok = DecodeHuffmanWindow(t);
    ReleaseHistoryWindow();
    return ok;
}
