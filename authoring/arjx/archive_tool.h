// The work of arjx: test or extract every entry of one archive the way the
// installer reads it, printing one line per entry.
#pragma once
#include <cstdio>

#include "install/archive/arj_header.h"

// Decodes every entry of the archive at path, checks its CRC and prints
// "name  method M  host H  type T  size S  ok" (or the failure text instead
// of "ok") to out. With extractDir, entries are written below it (directory
// parts created, date and time set, text entries with bit 7 cleared) and the
// first failure ends the run. Returns true when every entry is supported
// and matches.
bool RunArchiveTool(const char* path, const char* extractDir, FILE* out);

// Why a name inside an archive is refused, for the tools' messages ("a
// device name"); "" for a safe name.
const char* EntryNameFaultText(EntryNameFault fault);
