#include "authoring/arj_writer/block_writer.h"

#include <cstring>

#include "authoring/arj_writer/huffman_builder.h"

namespace {

// A code as it is sent: lengths and codes of its symbols, how many symbols
// it uses (fewer than two: sent as a single symbol, read with 0 bits) and
// how many lengths are sent (the rest are 0).
template <int N>
struct Code {
    uint8_t lengths[N];
    uint16_t codes[N];
    int used;
    int sent;
    int single;  // the symbol of a single-symbol code
};

template <int N>
void BuildCode(Code<N>& c, const uint32_t* freq)
{
    c.used = BuildCodeLengths(freq, N, MAX_CODE_LENGTH, c.lengths);
    c.single = 0;
    c.sent = 0;
    for (int s = 0; s < N; ++s) {
        if (freq[s] != 0)
            c.single = s;
        if (c.lengths[s] != 0)
            c.sent = s + 1;
    }
    MakeCanonicalCodes(c.lengths, N, c.codes);
}

// The literal/length lengths as the reader takes them: symbols of the
// length code (0: one zero, 1: 3-18 zeros in 4 more bits, 2: 20-531 zeros
// in 9 more bits, 3-18: a length of 1-16) with their extra bits.
struct SentLengths {
    uint8_t symbol[LITERAL_SYMBOLS];
    uint16_t extra[LITERAL_SYMBOLS];
    int count;
    uint32_t freq[LENGTH_CODE_SYMBOLS];
};

void Send(SentLengths& t, int symbol, int extra)
{
    t.symbol[t.count] = (uint8_t)symbol;
    t.extra[t.count++] = (uint16_t)extra;
    ++t.freq[symbol];
}

void ListLiteralLengths(const Code<LITERAL_SYMBOLS>& c, SentLengths& t)
{
    t.count = 0;
    for (uint32_t& f : t.freq)
        f = 0;
    int i = 0;
    while (i < c.sent) {
        if (c.lengths[i] != 0) {
            Send(t, c.lengths[i] + 2, 0);
            ++i;
            continue;
        }
        int run = 1;
        while (i + run < c.sent && c.lengths[i + run] == 0)
            ++run;
        i += run;
        if (run <= 2) {
            while (run-- > 0)
                Send(t, 0, 0);
        } else if (run <= 18) {
            Send(t, 1, run - 3);
        } else if (run == 19) {
            Send(t, 0, 0);
            Send(t, 1, 15);
        } else {
            Send(t, 2, run - 20);
        }
    }
}

const int RUN_EXTRA_BITS[3] = {0, 4, 9};

// One length of the length or position code: 0-6 in three bits, 7 or more
// as three 1 bits, (length - 7) more 1 bits and a 0 bit.
void PutSmallLength(BitWriter& w, int length)
{
    if (length < 7)
        PutBits(w, (uint32_t)length, 3);
    else
        PutBits(w, ((1u << (length - 4)) - 1) << 1, length - 3);
}

// The zero lengths that follow the third length of the length code, sent
// as a 2-bit count (0-3).
template <int N>
int ZerosAfterThird(const Code<N>& c)
{
    int z = 0;
    while (z < 3 && 3 + z < c.sent && c.lengths[3 + z] == 0)
        ++z;
    return z;
}

template <int N>
void PutSmallCode(BitWriter& w, const Code<N>& c, int countBits, bool zerosAfterThird)
{
    if (c.used < 2) {
        PutBits(w, 0, countBits);
        PutBits(w, (uint32_t)c.single, countBits);
        return;
    }
    PutBits(w, (uint32_t)c.sent, countBits);
    int i = 0;
    while (i < c.sent) {
        PutSmallLength(w, c.lengths[i++]);
        if (zerosAfterThird && i == 3) {
            int z = ZerosAfterThird(c);
            PutBits(w, (uint32_t)z, 2);
            i += z;
        }
    }
}

struct BlockCodes {
    Code<LITERAL_SYMBOLS> literal;
    Code<POSITION_SYMBOLS> position;
    Code<LENGTH_CODE_SYMBOLS> lengthCode;
    SentLengths sent;
};

void BuildBlockCodes(const SymbolCounts& counts, BlockCodes& c)
{
    BuildCode(c.literal, counts.literal);
    BuildCode(c.position, counts.position);
    if (c.literal.used >= 2) {
        ListLiteralLengths(c.literal, c.sent);
        BuildCode(c.lengthCode, c.sent.freq);
    } else {
        c.sent.count = 0;
        uint32_t none[LENGTH_CODE_SYMBOLS] = {0};
        BuildCode(c.lengthCode, none);
    }
}

}  // namespace

void WriteHuffmanBlock(BitWriter& w, const TokenBlock& b, int count, const SymbolCounts& counts,
                       BlockLengths* used)
{
    BlockCodes c;
    BuildBlockCodes(counts, c);
    if (used != nullptr) {
        memcpy(used->literal, c.literal.lengths, sizeof used->literal);
        memcpy(used->position, c.position.lengths, sizeof used->position);
    }
    PutBits(w, (uint32_t)count, 16);
    PutSmallCode(w, c.lengthCode, 5, true);
    if (c.literal.used >= 2) {
        PutBits(w, (uint32_t)c.literal.sent, 9);
        for (int i = 0; i < c.sent.count; ++i) {
            int s = c.sent.symbol[i];
            PutBits(w, c.lengthCode.codes[s], c.lengthCode.lengths[s]);
            if (s < 3)
                PutBits(w, c.sent.extra[i], RUN_EXTRA_BITS[s]);
        }
    } else {
        PutBits(w, 0, 9);
        PutBits(w, (uint32_t)c.literal.single, 9);
    }
    PutSmallCode(w, c.position, 5, false);

    // Each code in one piece: a match's length code, position code and
    // the position's extra bits (its bits below the top one) together.
    struct Piece {
        uint32_t bits;
        int count;
    };
    Piece literal[LITERAL_SYMBOLS];
    for (int s = 0; s < LITERAL_SYMBOLS; ++s)
        literal[s] = Piece{c.literal.codes[s], c.literal.lengths[s]};
    Piece position[POSITION_SYMBOLS];  // bits less the first position of the symbol
    for (int j = 0; j < POSITION_SYMBOLS; ++j) {
        int extra = j > 1 ? j - 1 : 0;
        uint32_t first = j > 0 ? 1u << (j - 1) : 0;
        position[j] = Piece{((uint32_t)c.position.codes[j] << extra) - first,
                            c.position.lengths[j] + extra};
    }
    for (int i = 0; i < count; ++i) {
        const Piece& l = literal[b.symbol[i]];
        if (b.symbol[i] < 256) {
            AddBits(w, l.bits, l.count);
        } else {
            unsigned p = b.position[i];
            const Piece& d = position[PositionSymbol(p)];
            AddBits(w, (uint64_t)l.bits << d.count | (d.bits + p), l.count + d.count);
        }
        MoveBytesFast(w);
    }
}
