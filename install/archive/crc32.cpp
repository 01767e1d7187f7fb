#include "install/archive/crc32.h"

uint32_t runningCrc = 0xFFFFFFFFu;

// crcTable[0] is the classic byte table; crcTable[k][i] is the register
// after byte i followed by k zero bytes, so eight bytes can be folded in at
// once (slicing by eight).
static uint32_t crcTable[8][256];
static bool crcTableBuilt = false;

void BuildCrcTable()
{
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i;
        for (int k = 0; k < 8; ++k)
            r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
        crcTable[0][i] = r;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        for (int k = 1; k < 8; ++k)
            crcTable[k][i] = crcTable[0][crcTable[k - 1][i] & 0xFF] ^ (crcTable[k - 1][i] >> 8);
    }
    crcTableBuilt = true;
}

static uint32_t Update(uint32_t crc, const uint8_t* p, size_t n)
{
    if (!crcTableBuilt)
        BuildCrcTable();
    while (n >= 8) {
        uint32_t lo = crc ^ ((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
                             (uint32_t)p[3] << 24);
        uint32_t hi = (uint32_t)p[4] | (uint32_t)p[5] << 8 | (uint32_t)p[6] << 16 |
                      (uint32_t)p[7] << 24;
        crc = crcTable[7][lo & 0xFF] ^ crcTable[6][(lo >> 8) & 0xFF] ^
              crcTable[5][(lo >> 16) & 0xFF] ^ crcTable[4][lo >> 24] ^
              crcTable[3][hi & 0xFF] ^ crcTable[2][(hi >> 8) & 0xFF] ^
              crcTable[1][(hi >> 16) & 0xFF] ^ crcTable[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = crcTable[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

void UpdateCrc(const void* bytes, size_t count)
{
    runningCrc = Update(runningCrc, static_cast<const uint8_t*>(bytes), count);
}

uint32_t Crc32Of(const void* bytes, size_t count)
{
    return ~Update(0xFFFFFFFFu, static_cast<const uint8_t*>(bytes), count);
}
