// The text of an INI file as the platform's ANSI profile functions see it
// (code page 1252, as under Wine here): a file that starts with a UTF-8 or
// UTF-16 byte-order mark is decoded and each UTF-16 unit converted to one
// byte, exactly or by the platform's best fit ("Ā" gives "A"), else '?'.
// Invalid UTF-8 gives '?' for each piece the platform's decoder refuses.
// A file without a mark is taken byte for byte.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// text: the ANSI bytes. lossy (one flag per byte of text): the byte stands
// for a character that has no exact ANSI byte, so no ANSI name can match it.
void ProfileTextOf(const std::string& bytes, std::string* text, std::vector<bool>* lossy);

// The byte of a UTF-16 unit, or '?' (then *exact is false).
unsigned char AnsiByteOfUnit(uint16_t unit, bool* exact);

// The mappings outside U+0000-U+007F and U+00A0-U+00FF, in unit order
// (cp1252_table.cpp, generated).
struct Cp1252Mapping {
    uint16_t unit;
    uint8_t byte;
};
extern const Cp1252Mapping CP1252_MAPPINGS[];
extern const int CP1252_MAPPING_COUNT;
