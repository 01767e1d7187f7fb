// A native reader of INI files that answers like the platform's
// GetPrivateProfileStringA on the same bytes: lines end at CR or LF, spaces
// around lines, names and values are trimmed, a section header runs to the
// last ']' of its line, section and key names compare without case, only the
// first section of a name is searched and its first key of a name wins, a
// line without '=' is a key without value (so comment lines match no key),
// one pair of matching quotes around a value is removed, and values are cut
// to the caller's buffer. Also records the line of every key for reports.
#pragma once
#include <string>
#include <vector>

struct ProfileKey {
    std::string name;
    bool hasValue;
    std::string value;
    int line;  // 1-based line in the file
};

struct ProfileSection {
    std::string name;  // "" for the keys before the first header, found by ""
    int line;
    std::vector<ProfileKey> keys;
};

struct ProfileFile {
    std::vector<ProfileSection> sections;
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

// Replaces the value of the key on the given line (as FindProfileKey reports
// it) in the file's bytes; everything else stays as it is: the key, the
// spaces, quotes around the value, the line breaks. False when that line
// holds no value.
bool ReplaceValueOnLine(std::string* bytes, int line, const std::string& value);
