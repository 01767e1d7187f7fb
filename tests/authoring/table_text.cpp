#include "tests/authoring/table_text.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

std::string ReadTableFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 't')
            out += '\t';
        else if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 's')
            out += ' ';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t bar = line.find(" | ", start);
        std::string field = line.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        size_t a = field.find_first_not_of(' ');
        size_t b = field.find_last_not_of(' ');
        fields.push_back(a == std::string::npos ? "" : field.substr(a, b - a + 1));
        if (bar == std::string::npos)
            return fields;
        start = bar + 3;
    }
}

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Sets key in section of an INI text written with CR LF: replaces its line,
// or adds it after the header (the section at the end when missing);
// "<absent>" removes it.
std::string WithValue(const std::string& script, const std::string& section, const std::string& key,
                      const std::string& value)
{
    std::vector<std::string> lines = Lines(script);
    size_t header = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "[" + section + "]")
            header = i;
    }
    if (header == lines.size())
        lines.push_back("[" + section + "]");
    size_t at = header + 1;
    bool found = false;
    for (size_t i = header + 1; i < lines.size() && (lines[i].empty() || lines[i][0] != '['); ++i) {
        if (lines[i].compare(0, key.size() + 1, key + "=") == 0) {
            at = i;
            found = true;
        }
    }
    if (found)
        lines.erase(lines.begin() + static_cast<long>(at));
    if (value != "<absent>")
        lines.insert(lines.begin() + static_cast<long>(at), key + "=" + value);
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

}  // namespace

std::vector<VerdictCase> ReadVerdictCases(const std::string& tableText)
{
    std::vector<VerdictCase> cases;
    std::string base;
    bool inBase = false;
    int number = 0;
    for (const std::string& line : Lines(tableText)) {
        ++number;
        if (line == "@base") {
            inBase = true;
            continue;
        }
        if (line == "@cases") {
            inBase = false;
            continue;
        }
        if (inBase) {
            base += line + "\r\n";
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        // expect | finding | section | key | value [| section | key | value ...]
        std::vector<std::string> f = SplitFields(line);
        VerdictCase c{number, f[0], f.size() > 1 && f[1] != "-" ? Unescape(f[1]) : "", base};
        for (size_t i = 2; i + 2 < f.size(); i += 3)
            c.script = WithValue(c.script, f[i], f[i + 1], Unescape(f[i + 2]));
        cases.push_back(c);
    }
    return cases;
}

std::vector<ProfileQuery> ReadProfileQueries(const std::string& tableText)
{
    std::vector<ProfileQuery> queries;
    std::string file;
    bool newFile = false;
    int number = 0;
    for (const std::string& line : Lines(tableText)) {
        ++number;
        if (line == "@file") {
            file.clear();
            newFile = true;
        } else if (line.compare(0, 8, "@expect ") == 0 || line.compare(0, 12, "@expect-int ") == 0) {
            newFile = false;
            // section | key | size or default | value
            bool integer = line[7] == '-';
            std::vector<std::string> f = SplitFields(line.substr(integer ? 12 : 8));
            queries.push_back(ProfileQuery{number, file, Unescape(f[0]), Unescape(f[1]),
                                           atoi(f[2].c_str()), f.size() > 3 ? Unescape(f[3]) : "",
                                           integer});
        } else if (newFile) {
            // A line ending in \c is written without its line break.
            if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\\c") == 0)
                file += Unescape(line.substr(0, line.size() - 2));
            else
                file += Unescape(line) + "\r\n";
        }
    }
    return queries;
}
