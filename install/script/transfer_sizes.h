// Sizes by which the decoder and the file layer divide long work so that
// queued window messages (repaint, cancel) run in between. The script's speed
// level picks one column of SpeedLevelTable when the options are confirmed.
// Portable: no platform headers.
#pragma once

const int SPEED_LEVEL_COUNT = 5;
const int DEFAULT_SPEED_LEVEL = 2;

struct SpeedLevelColumn {
    int readPieceSize;             // bytes per platform read call when reading in pieces
    int bufferedReadPumpInterval;  // bytes copied out of a file cache between message runs
    int decoderPumpInterval;       // decoder output bytes between message runs
    int decoderWritePieceSize;     // bytes per write call of decoded output
    int storedWritePieceSize;      // bytes per write call of stored data
};

extern const SpeedLevelColumn SpeedLevelTable[SPEED_LEVEL_COUNT];

// The sizes in force; they start with the default level's column.
extern int readPieceSize;
extern int bufferedReadPumpInterval;
extern int decoderPumpInterval;
extern int decoderWritePieceSize;
extern int storedWritePieceSize;

// Copies the column of the given level (0..4; others are ignored).
void SetTransferSizes(int speedLevel);
