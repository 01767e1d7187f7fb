// The decoders' shared output stage: the 26,624-byte history window taken
// for one entry, its flush in pieces with messages run in between, and the
// pump check that ends decoding when the installation has been ended.
// Portable.
#pragma once
#include <cstdint>
#include <cstring>

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

// True when the decoder should let messages run at window position r.
inline bool PumpDue(int r, int interval)
{
    if (interval <= 0)
        return true;
    if ((interval & (interval - 1)) == 0)
        return (r & (interval - 1)) == 0;
    return r % interval == 0;
}

// Writes window[0 .. count-1] in pieces of decoderWritePieceSize, each
// preceded by a message run. False with finishMessage set.
bool WriteWindowPart(const DecodeTarget& t, int count);

// A full window: message run, the whole window in pieces, progress report.
bool FlushWindow(const DecodeTarget& t);

// Copies a match that neither wraps nor crosses the window's end
// (i < r, r + length within the window): window[r + k] = window[i + k] in
// order, so a source that overlaps the destination repeats its bytes. Only
// bytes inside the destination are written: those after it are history that
// later matches may still read.
inline void CopyMatch(uint8_t* window, int r, int i, int length)
{
    uint8_t* d = window + r;
    const uint8_t* s = window + i;
    int distance = r - i;
    if (distance >= length) {
        // Source and destination are apart: load both ends, then store.
        if (length >= 8 && length <= 16) {
            uint64_t a, b;
            memcpy(&a, s, 8);
            memcpy(&b, s + length - 8, 8);
            memcpy(d, &a, 8);
            memcpy(d + length - 8, &b, 8);
        } else if (length >= 4 && length < 8) {
            uint32_t a, b;
            memcpy(&a, s, 4);
            memcpy(&b, s + length - 4, 4);
            memcpy(d, &a, 4);
            memcpy(d + length - 4, &b, 4);
        } else if (length == 3) {
            uint16_t a;
            memcpy(&a, s, 2);
            uint8_t c = s[2];
            memcpy(d, &a, 2);
            d[2] = c;
        } else {
            memcpy(d, s, (size_t)length);
        }
        return;
    }
    if (distance >= 8) {
        while (length >= 8) {
            memcpy(d, s, 8);
            d += 8;
            s += 8;
            length -= 8;
        }
    } else if (distance == 1) {
        memset(d, *s, (size_t)length);
        return;
    }
    while (length-- > 0)
        *d++ = *s++;
}
