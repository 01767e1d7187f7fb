// The decoders' shared output stage: the 26,624-byte history window taken
// for one entry, its flush in pieces with messages run in between, and the
// pump check that ends decoding when the installation has been ended.
// Portable.
#pragma once
#include <cstdint>

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
