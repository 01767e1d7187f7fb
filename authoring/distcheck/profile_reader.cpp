#include "authoring/distcheck/profile_reader.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// The platform's white space in profiles: the C spaces and ^Z, the old
// end-of-file mark (not the no-break space).
bool IsProfileSpace(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string Trimmed(const char* text)
{
    std::string s = text;
    size_t start = 0;
    while (start < s.size() && IsProfileSpace(static_cast<unsigned char>(s[start])))
        ++start;
    size_t end = s.size();
    while (end > start && IsProfileSpace(static_cast<unsigned char>(s[end - 1])))
        --end;
    return s.substr(start, end - start);
}

}  // namespace

// The next line of text from `at`: its bytes [start, end) without the
// line break and without the spaces around it; `at` moves past the breaks
// that follow and `line` counts them as editors do (CR LF is one break, a
// lone CR or LF one each). False at the end of the bytes.
static bool NextLine(const std::string& bytes, size_t* at, int* line, size_t* start, size_t* end)
{
    if (*at >= bytes.size())
        return false;
    *start = *at;
    while (*at < bytes.size() && bytes[*at] != '\n' && bytes[*at] != '\r')
        ++*at;
    *end = *at;
    while (*at < bytes.size() && (bytes[*at] == '\n' || bytes[*at] == '\r')) {
        if (bytes[*at] == '\r' && *at + 1 < bytes.size() && bytes[*at + 1] == '\n')
            ++*at;
        ++*at;
        ++*line;
    }
    while (*start < *end && IsProfileSpace(static_cast<unsigned char>(bytes[*start])))
        ++*start;
    while (*end > *start && IsProfileSpace(static_cast<unsigned char>(bytes[*end - 1])))
        --*end;
    return true;
}

// A UTF-8 mark is skipped; the text is otherwise taken byte for byte.
static size_t TextStart(const std::string& bytes)
{
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

ProfileFile ParseProfile(const std::string& bytes)
{
    ProfileFile file;
    file.sections.push_back(ProfileSection{"", 0, {}});
    size_t at = TextStart(bytes);
    int line = 1;
    for (;;) {
        int lineOfText = line;
        size_t start;
        size_t end;
        if (!NextLine(bytes, &at, &line, &start, &end))
            break;
        if (start >= end)
            continue;
        std::string text = bytes.substr(start, end - start);
        // Text after an embedded zero is invisible to the platform's strings.
        text = text.c_str();
        if (text.empty())
            continue;
        if (text[0] == '[') {
            size_t close = text.rfind(']');
            if (close != std::string::npos) {
                file.sections.push_back(ProfileSection{text.substr(1, close - 1), lineOfText, {}});
                continue;
            }
        }
        ProfileKey key{text, false, "", lineOfText};
        size_t equals = text.find('=');
        if (equals != std::string::npos) {
            size_t nameEnd = equals;
            while (nameEnd > 0 && IsProfileSpace(static_cast<unsigned char>(text[nameEnd - 1])))
                --nameEnd;
            size_t valueStart = equals + 1;
            while (valueStart < text.size() &&
                   IsProfileSpace(static_cast<unsigned char>(text[valueStart])))
                ++valueStart;
            key.name = text.substr(0, nameEnd);
            key.hasValue = true;
            key.value = text.substr(valueStart);
        }
        std::vector<ProfileKey>& keys = file.sections.back().keys;
        // Runs of lines with neither name nor value keep only the first.
        if (!key.name.empty() || keys.empty() || !keys.back().name.empty())
            keys.push_back(key);
    }
    return file;
}

bool LoadProfileFile(const std::string& hostPath, ProfileFile* file)
{
    std::ifstream in(hostPath, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    *file = ParseProfile(bytes.str());
    return true;
}

const ProfileKey* FindProfileKey(const ProfileFile& file, const char* section, const char* key)
{
    std::string sectionName = Trimmed(section);
    std::string keyName = Trimmed(key);
    for (const ProfileSection& s : file.sections) {
        if (!SameName(s.name, sectionName))
            continue;
        for (const ProfileKey& k : s.keys) {
            if (SameName(k.name, keyName))
                return &k;
        }
        return nullptr;  // only the first section of the name is searched
    }
    return nullptr;
}

int GetProfileValue(const ProfileFile& file, const char* section, const char* key, char* value,
                    int size)
{
    const ProfileKey* found = FindProfileKey(file, section, key);
    if (found == nullptr || !found->hasValue) {
        value[0] = '\0';
        return 0;
    }
    const char* text = found->value.c_str();
    size_t length = found->value.size();
    // A value that starts and ends with the same quote loses both; when it
    // is cut, the character before the cut goes instead of the closing quote.
    bool quoted = length >= 2 && (text[0] == '"' || text[0] == '\'') && text[length - 1] == text[0];
    if (quoted) {
        ++text;
        --length;
    }
    size_t copied = length < static_cast<size_t>(size - 1) ? length : static_cast<size_t>(size - 1);
    memcpy(value, text, copied);
    value[copied] = '\0';
    if (quoted && static_cast<size_t>(size) >= length && copied > 0)
        value[copied - 1] = '\0';
    return found->line;
}

bool ReplaceValueOnLine(std::string* bytes, int line, const std::string& value)
{
    size_t at = TextStart(*bytes);
    int current = 1;
    for (;;) {
        int lineOfText = current;
        size_t start;
        size_t end;
        if (!NextLine(*bytes, &at, &current, &start, &end))
            return false;
        if (lineOfText != line)
            continue;
        size_t equals = bytes->find('=', start);
        if (equals == std::string::npos || equals >= end)
            return false;
        size_t valueStart = equals + 1;
        while (valueStart < end && IsProfileSpace(static_cast<unsigned char>((*bytes)[valueStart])))
            ++valueStart;
        // Quotes around the value stay; the text between them is replaced.
        char first = valueStart < end ? (*bytes)[valueStart] : '\0';
        if (end - valueStart >= 2 && (first == '"' || first == '\'') && (*bytes)[end - 1] == first) {
            ++valueStart;
            --end;
        }
        bytes->replace(valueStart, end - valueStart, value);
        return true;
    }
}
