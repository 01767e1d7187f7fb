// The work of "arjx -c": makes an archive of files and directory trees.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct BuildRequest {
    std::string archive;                 // the archive to write (replaced when it exists)
    std::vector<std::string> paths;      // files and directories to add
    std::vector<std::string> textGlobs;  // entries matching one of these are text entries
    int method = 1;
    uint32_t headerTime = 0;             // MS-DOS time of the main header; 0: the newest entry's
    int threads = 0;                     // files coded at once, 0: one per processor (same bytes either way)
};

// What BuildArchive made.
struct BuildSummary {
    int files;
    int64_t originalBytes;
    int64_t archiveBytes;
};

// A file adds itself under its own name, a directory its whole tree with
// names relative to it (there must be at least one file). Entries are
// written in the byte order of their names; a glob matches the entry's own
// name, or its whole name when the glob holds a '/', without regard to
// case. Prints one line per entry and a total to out (nothing when out is
// null) and fills summary when it is not null. On any failure puts the reason, naming the file, into error,
// leaves no archive (an existing one stays as it was) and returns false.
bool BuildArchive(const BuildRequest& request, FILE* out, BuildSummary* summary, std::string* error);

// SOURCE_DATE_EPOCH, the moment (seconds since 1970) that makes rebuilt
// archives and diskettes the same bytes: *seconds is its value, or -1 when
// it is not set. False when it is set but not a number of seconds.
bool SourceDateEpoch(long long* seconds);

// Whether name matches the glob ('*', '?' and '[...]' with ranges and '!'
// or '^' for "none of"), without regard to case; '*' also matches '/'.
bool MatchesGlob(const char* glob, const char* name);
