// Findings about how an install.ini is written, beside the installer's
// verdict: where a missing key or section has a near miss (a misspelt name,
// a key above the first section, without '=', in a later section of the
// same name or in another section), and warnings that leave the verdict as
// it is: lines without '=', keys and sections given twice, keys the
// installer never reads, a value it ignores, a ';' inside a value.
#pragma once
#include <string>
#include <vector>

#include "authoring/distcheck/native_platform.h"
#include "authoring/distcheck/profile_reader.h"

struct ScriptFinding {
    int line;
    std::string text;
};

// For a key that the loader found missing: the line that most likely meant
// it, and a note for the report ("line 37 has ArcDset_02; did you mean
// ArcDest_02?"); false when there is none.
bool FindNearMiss(const ProfileFile& file, const std::string& section, const std::string& key,
                  ScriptFinding* nearMiss);

// The warnings about the file and about the values that the loader read
// (reads, in order); loaded: the loader accepted the script, so that every
// key it would read has been read.
std::vector<ScriptFinding> ScriptWarnings(const ProfileFile& file, const std::vector<ProfileRead>& reads,
                                          bool loaded);
