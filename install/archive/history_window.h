// The decoders' shared output stage: the 26,624-byte history window taken
// for one entry, its flush in pieces with messages run in between, and the
// pump check that ends decoding when the installation has been ended.
// Portable.
#pragma once
#include <cstdint>
#include <cstring>

#include "install/archive/entry_decoder.h"

// The files and names of the entry being decoded.
struct DecodeTarget {
    int archive;
    int output;
    const char* archiveName;  // named in read errors
    const char* outputName;   // named in write errors
};

extern uint8_t* historyWindow;

// Takes a zero-filled window; false (and the memory text) when none.
bool TakeHistoryWindow();
void ReleaseHistoryWindow();

// Runs queued messages; false (and the terminated text) when the
// installation has been ended.
bool PumpOrTerminate();

// The window position at which the decoder next lets messages run, after
// running them at position r: the next multiple of the interval. Output
// that passes that position runs them at the next code.
inline int NextPumpAt(int r, int interval)
{
    if (interval <= 0)
        return r + 1;
    return (r / interval + 1) * interval;
}

// Writes window[0 .. count-1] in pieces of decoderWritePieceSize, each
// preceded by a message run. False with finishMessage set.
bool WriteWindowPart(const DecodeTarget& t, int count);

// A full window: message run, the whole window in pieces, progress report.
bool FlushWindow(const DecodeTarget& t);

// After the window's last byte: writes the window out; decoding goes on at
// its start, where messages run next, and every position holds history.
inline bool WrapWindow(const DecodeTarget& t, int& r, int& pumpAt, bool& wrapped)
{
    if (!FlushWindow(t))
        return false;
    r = 0;
    pumpAt = 0;
    wrapped = true;
    return true;
}

// Copies a match one byte at a time from window position i to r, through
// the window's end.
inline bool CopyMatchSlowly(const DecodeTarget& t, int& r, int i, int length, int& pumpAt,
                            bool& wrapped)
{
    while (length-- > 0) {
        historyWindow[r++] = historyWindow[i++];
        if (r == HISTORY_WINDOW_SIZE && !WrapWindow(t, r, pumpAt, wrapped))
            return false;
        if (i == HISTORY_WINDOW_SIZE)
            i = 0;
    }
    return true;
}

inline void Copy8(uint8_t* d, const uint8_t* s)
{
    uint64_t v;
    memcpy(&v, s, 8);
    memcpy(d, &v, 8);
}

// Copies length (>= 8) bytes forward in words, the last word ending at the
// end: right when source and destination do not overlap, when the source
// lies at least 8 bytes below (each word reads bytes already final) and when
// it lies at least 8 bytes above (each word reads bytes not yet written).
inline void CopyWords(uint8_t* d, const uint8_t* s, int length)
{
    uint8_t* last = d + length - 8;
    const uint8_t* lastSource = s + length - 8;
    while (d < last) {
        Copy8(d, s);
        d += 8;
        s += 8;
    }
    Copy8(last, lastSource);
}

// Copies length (>= 1) bytes forward in words, 16 bytes a step, and may
// write up to 15 bytes past the end (the window's block has room for
// them). Right when the source lies at least 8 bytes below the destination
// (each word reads bytes already final) or anywhere above it (each word
// reads bytes not yet written).
inline __attribute__((always_inline)) void CopyWordsPast(uint8_t* d, const uint8_t* s, int length)
{
    uint8_t* end = d + length;
    do {
        Copy8(d, s);
        Copy8(d + 8, s + 8);
        d += 16;
        s += 16;
    } while (d < end);
}

// Copies length (>= 1) bytes from s to d inside the window with the result
// of a byte-by-byte forward copy: a source below that overlaps the
// destination repeats its bytes. Only bytes inside the destination are
// written: those after it are history that later matches may still read.
inline __attribute__((always_inline)) void CopyForward(uint8_t* d, const uint8_t* s, int length)
{
    if (s == d)
        return;
    size_t apart = s < d ? (size_t)(d - s) : (size_t)(s - d);
    if (apart >= (size_t)length) {
        // No overlap: load both ends, then store.
        if (length >= 8 && length <= 16) {
            uint64_t a, b;
            memcpy(&a, s, 8);
            memcpy(&b, s + length - 8, 8);
            memcpy(d, &a, 8);
            memcpy(d + length - 8, &b, 8);
        } else if (length > 16) {
            CopyWords(d, s, length);
        } else if (length >= 4) {
            uint32_t a, b;
            memcpy(&a, s, 4);
            memcpy(&b, s + length - 4, 4);
            memcpy(d, &a, 4);
            memcpy(d + length - 4, &b, 4);
        } else {
            uint8_t a = s[0], b = s[length / 2], c = s[length - 1];
            d[0] = a;
            d[length / 2] = b;
            d[length - 1] = c;
        }
    } else if (apart >= 8) {
        CopyWords(d, s, length);
    } else if (s > d) {
        memmove(d, s, (size_t)length);
    } else if (apart == 1) {
        memset(d, *s, (size_t)length);
    } else {
        while (length-- > 0)
            *d++ = *s++;
    }
}

// Copies a match of `length` bytes from window position i to r, where
// r + length stays within the window: the source may lie below r or, as
// history from the window's previous round, above it and then wrap around
// the window's end.
inline __attribute__((always_inline)) void CopyMatch(uint8_t* window, int r, int i, int length,
                                                    int windowSize)
{
    if (i > windowSize - length) {
        int first = windowSize - i;
        CopyForward(window + r, window + i, first);
        r += first;
        i = 0;
        length -= first;
    }
    CopyForward(window + r, window + i, length);
}
