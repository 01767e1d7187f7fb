// A native reader of INI files that answers like the platform's
// GetPrivateProfileStringA and GetPrivateProfileIntA on the same bytes: the
// text is ANSI, UTF-8 or UTF-16 (profile_text.h), lines end at CR or LF,
// spaces around lines, names and values are trimmed, a section header runs
// to the last ']' of its line and its name is trimmed inside the brackets,
// a name ends at a zero byte, section and key names compare without case
// (ASCII), only the first section of a name is searched and its first key of
// a name wins, a line without '=' is a key without value (so comment lines
// match no key), one pair of matching quotes around a value is removed, and
// values are cut to the caller's buffer. The file is parsed and indexed
// once; every lookup is then one search of a name. Also records the line of
// every key for reports.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

struct ProfileKey {
    std::string name;  // up to a zero byte
    bool hasValue;     // the line has '='
    std::string value;
    int line;  // 1-based line in the file
    bool matchable;  // false: a character of the name has no exact ANSI byte
};

struct ProfileSection {
    std::string name;  // "" for the keys before the first header, found by ""
    int line;
    std::vector<ProfileKey> keys;
    bool matchable;
    // Lower-case name to the index of the first key of that name.
    std::unordered_map<std::string, size_t> keyIndex;
};

struct ProfileFile {
    std::vector<ProfileSection> sections;
    // Lower-case name to the index of the first section of that name.
    std::unordered_map<std::string, size_t> sectionIndex;
};

// Parses the bytes of an INI file.
ProfileFile ParseProfile(const std::string& bytes);

// Reads and parses the file at a host path; false when it cannot be read.
bool LoadProfileFile(const std::string& hostPath, ProfileFile* file);

// The key the platform would find, or null.
const ProfileKey* FindProfileKey(const ProfileFile& file, const char* section, const char* key);

// GetPrivateProfileStringA with the default "": writes at most size - 1
// characters and the zero into value (size >= 1); returns the key's line,
// or 0 when the default was used.
int GetProfileValue(const ProfileFile& file, const char* section, const char* key, char* value,
                    int size);

// GetPrivateProfileIntA: the value read as the platform reads it (spaces,
// one sign, a "0x", "0o" or "0b" prefix in lower case only, digits up to the
// first that does not belong, wrapping at 32 bits); fallback when the key is
// missing or its value empty.
int GetProfileInt(const ProfileFile& file, const char* section, const char* key, int fallback);

// ASCII lower case, the form in which names are indexed.
std::string LowerName(const std::string& name);

// Replaces the value of the key on the given line (as FindProfileKey reports
// it) in the file's bytes; everything else stays as it is: the key, the
// spaces, quotes around the value, the line breaks. False when that line
// holds no value.
bool ReplaceValueOnLine(std::string* bytes, int line, const std::string& value);
