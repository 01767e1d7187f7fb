// CRC-32 of headers and file contents (reflected, polynomial 0xEDB88320,
// preset 0xFFFFFFFF; a stored CRC matches the complement of the register).
// Portable.
#pragma once
#include <cstddef>
#include <cstdint>

extern uint32_t runningCrc;

// Fills the lookup tables; called before each archive.
void BuildCrcTable();

// Feeds bytes to runningCrc.
void UpdateCrc(const void* bytes, size_t count);

// CRC-32 of a whole buffer (complemented result), for checks and tools.
uint32_t Crc32Of(const void* bytes, size_t count);

// Test hook: with false, long buffers take the table path too, as on a
// processor without carry-less multiplication (the default is true).
void AllowCarrylessCrc(bool allowed);

// Feeds bytes to a register of the caller's own (preset 0xFFFFFFFF, the
// CRC is its complement), for data that arrive in pieces.
uint32_t ContinueCrc32(uint32_t crcRegister, const void* bytes, size_t count);
