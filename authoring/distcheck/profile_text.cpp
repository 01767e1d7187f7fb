#include "authoring/distcheck/profile_text.h"

namespace {

const uint32_t REPLACEMENT = 0xFFFD;

// The characters of the bytes 0x80-0x9F in code page 1252.
const uint16_t HIGH_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsContinuation(const std::string& bytes, size_t at)
{
    return at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;
}

// One character of UTF-8 at *at, decoded as the platform's decoder does:
// it takes continuation bytes while they are valid and stops at the first
// that makes the sequence overlong, a surrogate or beyond U+10FFFF; the
// bytes taken so far then give one replacement character.
uint32_t NextUtf8(const std::string& bytes, size_t* at)
{
    unsigned char lead = static_cast<unsigned char>(bytes[(*at)++]);
    if (lead < 0x80)
        return lead;
    int more;
    uint32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        value = lead & 0x07u;
    } else {
        return REPLACEMENT;
    }
    if (more == 3) {
        if (!IsContinuation(bytes, *at))
            return REPLACEMENT;
        value = value << 6 | (bytes[(*at)++] & 0x3Fu);
        if (value < 0x10)
            return REPLACEMENT;  // overlong
    }
    if (more >= 2) {
        if (!IsContinuation(bytes, *at))
            return REPLACEMENT;
        uint32_t next = value << 6 | (bytes[*at] & 0x3Fu);
        if (next >= (0x110000 >> 6))
            return REPLACEMENT;  // beyond U+10FFFF; the byte is not taken
        value = next;
        ++*at;
        if (value < 0x20 || (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)))
            return REPLACEMENT;  // overlong, or a surrogate
    }
    if (!IsContinuation(bytes, *at))
        return REPLACEMENT;
    value = value << 6 | (bytes[(*at)++] & 0x3Fu);
    return value < 0x80 ? REPLACEMENT : value;
}

void AppendUnit(uint16_t unit, std::string* text, std::vector<bool>* lossy)
{
    bool exact;
    text->push_back(static_cast<char>(AnsiByteOfUnit(unit, &exact)));
    lossy->push_back(!exact);
}

// A character beyond U+FFFF is two units, each converted on its own.
void AppendCharacter(uint32_t c, std::string* text, std::vector<bool>* lossy)
{
    if (c < 0x10000) {
        AppendUnit(static_cast<uint16_t>(c), text, lossy);
    } else {
        c -= 0x10000;
        AppendUnit(static_cast<uint16_t>(0xD800 + (c >> 10)), text, lossy);
        AppendUnit(static_cast<uint16_t>(0xDC00 + (c & 0x3FF)), text, lossy);
    }
}

}  // namespace

unsigned char AnsiByteOfUnit(uint16_t unit, bool* exact)
{
    *exact = true;
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<unsigned char>(unit);
    int low = 0;
    int high = CP1252_MAPPING_COUNT - 1;
    while (low <= high) {
        int middle = (low + high) / 2;
        const Cp1252Mapping& m = CP1252_MAPPINGS[middle];
        if (m.unit == unit) {
            // Exact when the byte stands for the unit itself, not a best fit.
            *exact = m.byte >= 0x80 && m.byte < 0xA0 && HIGH_CONTROLS[m.byte - 0x80] == unit;
            return m.byte;
        }
        if (m.unit < unit)
            low = middle + 1;
        else
            high = middle - 1;
    }
    *exact = false;
    return '?';
}

void ProfileTextOf(const std::string& bytes, std::string* text, std::vector<bool>* lossy)
{
    text->clear();
    lossy->clear();
    auto byteAt = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text->reserve(bytes.size());
        for (size_t at = 3; at < bytes.size();)
            AppendCharacter(NextUtf8(bytes, &at), text, lossy);
    } else if (bytes.size() >= 2 && ((byteAt(0) == 0xFF && byteAt(1) == 0xFE) ||
                                     (byteAt(0) == 0xFE && byteAt(1) == 0xFF))) {
        bool bigEndian = byteAt(0) == 0xFE;
        text->reserve(bytes.size() / 2);
        size_t at = 2;
        for (; at + 1 < bytes.size(); at += 2) {
            uint16_t unit = bigEndian ? static_cast<uint16_t>(byteAt(at) << 8 | byteAt(at + 1))
                                      : static_cast<uint16_t>(byteAt(at + 1) << 8 | byteAt(at));
            AppendUnit(unit, text, lossy);
        }
        if (at < bytes.size())  // an odd last byte: half a unit
            AppendUnit(static_cast<uint16_t>(REPLACEMENT), text, lossy);
    } else {
        *text = bytes;
        lossy->assign(bytes.size(), false);
    }
}
