#include "authoring/distcheck/profile_reader.h"

#include "authoring/distcheck/profile_text.h"

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

// Where the text of the raw bytes starts: after a UTF-8 mark; npos for
// UTF-16, whose bytes are not edited in place.
static size_t TextStart(const std::string& bytes)
{
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                              (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        return std::string::npos;
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

// A name as the platform compares it: up to a zero byte; unmatchable when
// one of its characters has no exact ANSI byte.
static std::string NameUpToZero(const std::string& text, size_t start, size_t end,
                                const std::vector<bool>& lossy, bool* matchable)
{
    std::string name = text.substr(start, end - start);
    name.resize(strlen(name.c_str()));
    *matchable = true;
    for (size_t i = start; i < start + name.size(); ++i) {
        if (lossy[i])
            *matchable = false;
    }
    return name;
}

static void AddSection(ProfileFile& file, const std::string& name, int line, bool matchable)
{
    file.sections.push_back(ProfileSection{name, line, {}, matchable, {}});
    if (matchable)
        file.sectionIndex.emplace(LowerName(name), file.sections.size() - 1);
}

ProfileFile ParseProfile(const std::string& bytes)
{
    std::string text;
    std::vector<bool> lossy;
    ProfileTextOf(bytes, &text, &lossy);
    ProfileFile file;
    AddSection(file, "", 0, true);
    size_t at = 0;
    int line = 1;
    for (;;) {
        int lineOfText = line;
        size_t start;
        size_t end;
        if (!NextLine(text, &at, &line, &start, &end))
            break;
        if (start >= end)
            continue;
        if (text[start] == '[') {
            size_t close = text.rfind(']', end - 1);
            if (close != std::string::npos && close > start) {
                size_t nameStart = start + 1;
                size_t nameEnd = close;
                while (nameStart < nameEnd && IsProfileSpace(static_cast<unsigned char>(text[nameStart])))
                    ++nameStart;
                while (nameEnd > nameStart && IsProfileSpace(static_cast<unsigned char>(text[nameEnd - 1])))
                    --nameEnd;
                bool matchable;
                std::string name = NameUpToZero(text, nameStart, nameEnd, lossy, &matchable);
                AddSection(file, name, lineOfText, matchable);
                continue;
            }
        }
        ProfileKey key{"", false, "", lineOfText, true};
        size_t equals = text.find('=', start);
        if (equals < end) {
            size_t nameEnd = equals;
            while (nameEnd > start && IsProfileSpace(static_cast<unsigned char>(text[nameEnd - 1])))
                --nameEnd;
            size_t valueStart = equals + 1;
            while (valueStart < end && IsProfileSpace(static_cast<unsigned char>(text[valueStart])))
                ++valueStart;
            key.name = NameUpToZero(text, start, nameEnd, lossy, &key.matchable);
            key.hasValue = true;
            key.value = text.substr(valueStart, end - valueStart);
            // Text after a zero byte is invisible to the platform's strings.
            key.value.resize(strlen(key.value.c_str()));
        } else {
            key.name = NameUpToZero(text, start, end, lossy, &key.matchable);
        }
        ProfileSection& section = file.sections.back();
        std::vector<ProfileKey>& keys = section.keys;
        // Runs of lines with neither name nor value keep only the first.
        if (!key.name.empty() || keys.empty() || !keys.back().name.empty()) {
            keys.push_back(key);
            if (key.matchable)
                section.keyIndex.emplace(LowerName(key.name), keys.size() - 1);
        }
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

std::string LowerName(const std::string& name)
{
    std::string lower = name;
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

const ProfileKey* FindProfileKey(const ProfileFile& file, const char* section, const char* key)
{
    auto s = file.sectionIndex.find(LowerName(Trimmed(section)));
    if (s == file.sectionIndex.end())
        return nullptr;
    // Only the first section of the name is searched.
    const ProfileSection& found = file.sections[s->second];
    auto k = found.keyIndex.find(LowerName(Trimmed(key)));
    return k == found.keyIndex.end() ? nullptr : &found.keys[k->second];
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

int GetProfileInt(const ProfileFile& file, const char* section, const char* key, int fallback)
{
    // The platform reads the value into 30 characters first.
    char value[30];
    GetProfileValue(file, section, key, value, sizeof(value));
    if (value[0] == '\0')
        return fallback;
    const char* p = value;
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'o' || p[1] == 'b')) {
        base = p[1] == 'x' ? 16 : p[1] == 'o' ? 8 : 2;
        p += 2;
    }
    uint32_t total = 0;
    for (; *p != '\0'; ++p) {
        unsigned digit;
        if (*p >= '0' && *p <= '9')
            digit = static_cast<unsigned>(*p - '0');
        else if (LowerAscii(*p) >= 'a' && LowerAscii(*p) <= 'z')
            digit = static_cast<unsigned>(LowerAscii(*p) - 'a' + 10);
        else
            break;
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    return static_cast<int>(negative ? 0u - total : total);
}

bool ReplaceValueOnLine(std::string* bytes, int line, const std::string& value)
{
    size_t at = TextStart(*bytes);
    if (at == std::string::npos)
        return false;
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
