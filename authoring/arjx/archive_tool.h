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

// The tools' walk over an archive's entries as the installer reads them.
// FindFirstEntry reads past the archive's own header: false when there is
// none. NextEntry reads the next entry's header and leaves the read
// position on its data: 1 with the name (*fault says whether the installer
// refuses it), 0 at the end of the archive, -1 for a damaged header.
bool FindFirstEntry(int archive);
int NextEntry(int archive, char name[ENTRY_NAME_SIZE], EntryNameFault* fault);

// Why a name inside an archive is refused, for the tools' messages ("a
// device name"); "" for a safe name.
const char* EntryNameFaultText(EntryNameFault fault);
