#include "install/script/transfer_sizes.h"

// The largest size is 32767, not 32768: it must fit a signed 16-bit count.
const SpeedLevelColumn SpeedLevelTable[SPEED_LEVEL_COUNT] = {
    {512, 512, 128, 512, 512},
    {1024, 1024, 256, 1024, 1024},
    {2048, 2048, 512, 2048, 2048},
    {8192, 8192, 2048, 8192, 8192},
    {32767, 32767, 8192, 32767, 32767},
};

int readPieceSize = 2048;
int bufferedReadPumpInterval = 2048;
int decoderPumpInterval = 512;
int decoderWritePieceSize = 2048;
int storedWritePieceSize = 2048;

void SetTransferSizes(int speedLevel)
{
    if (speedLevel < 0 || speedLevel >= SPEED_LEVEL_COUNT)
        return;
    const SpeedLevelColumn& c = SpeedLevelTable[speedLevel];
    readPieceSize = c.readPieceSize;
    bufferedReadPumpInterval = c.bufferedReadPumpInterval;
    decoderPumpInterval = c.decoderPumpInterval;
    decoderWritePieceSize = c.decoderWritePieceSize;
    storedWritePieceSize = c.storedWritePieceSize;
}
