// Reading of the test tables that the Windows tests (under Wine) and the
// native tests check alike: script verdicts and profile answers. Portable.
#pragma once
#include <string>
#include <vector>

// The whole file, or "" when it cannot be read.
std::string ReadTableFile(const std::string& path);

// Undoes the escapes \t \r \n \\ \xHH and \s (a space, for spaces at the
// ends of a field).
std::string Unescape(const std::string& text);

// Splits at " | " and trims each field's spaces.
std::vector<std::string> SplitFields(const std::string& line);

// One case of the script verdict table: the script text and what the
// installer answers: "accepted", "rejected" (the script's caption) or
// "rejected-early" (the default caption); finding: what the checker's report
// line must contain, or "".
struct VerdictCase {
    int tableLine;
    std::string expect;
    std::string finding;
    std::string script;
};
std::vector<VerdictCase> ReadVerdictCases(const std::string& tableText);

// One query of the profile table: a file's bytes and the value the
// platform's GetPrivateProfileStringA gives with a buffer of size bytes, or
// (integer) what GetPrivateProfileIntA gives with size as its default.
struct ProfileQuery {
    int tableLine;
    std::string file;
    std::string section;
    std::string key;
    int size;
    std::string expected;
    bool integer;
};
std::vector<ProfileQuery> ReadProfileQueries(const std::string& tableText);
