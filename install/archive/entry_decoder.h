// Turns the current entry's data into its output file: method 0 is copied,
// methods 1-3 and 4 are decoded through a 26,624-byte history window that is
// written out in pieces, with queued messages run in between. Portable.
#pragma once
#include <cstdint>

const int HISTORY_WINDOW_SIZE = 26624;   // 0x6800, not a power of two
const int STORED_BUFFER_SIZE = 24576;    // 0x6000

// Decodes the entry described by EntryHeader from the archive's read position
// into output. The caller has set runningCrc to 0xFFFFFFFF. archiveName names
// the archive in read errors, outputName the output file in write errors. On
// failure finishMessage holds the text; the output stays as far as written.
bool DecodeEntryData(int archive, int output, const char* archiveName, const char* outputName);

// Feeds the bytes to runningCrc and writes them; text entries are written
// with bit 7 of every byte cleared. False when a write falls short.
bool WriteOutputBlock(int output, const uint8_t* bytes, int count);

// The failure texts, put into finishMessage (names lower-cased).
void SetMemoryError();
void SetTerminated();
void SetReadError(const char* archiveName);   // or terminated when cancelRequested
void SetWriteError(const char* outputName);
