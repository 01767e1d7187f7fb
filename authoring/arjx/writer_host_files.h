// The archive writer's file seam (authoring/arj_writer/writer_files.h) on
// POSIX files, for the native tools; and the MS-DOS time of a moment, as
// the seam gives it for files.
#pragma once
#include <cstdint>

#include "authoring/arj_writer/writer_files.h"

// The MS-DOS date (high word) and time (low word) of a POSIX time in local
// time, clamped to 1980-2107 (the format's range).
uint32_t LocalDosDateTime(int64_t unixTime);
