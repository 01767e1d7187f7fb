#include "authoring/distcheck/script_findings.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// The script's sections and keys as the loader reads them; a pattern
// ending in '_' stands for that prefix and a number 01 to 99.
struct KnownKeys {
    const char* section;
    std::vector<const char*> keys;
};
const KnownKeys KNOWN_KEYS[] = {
    {"General Info", {"IniWndStt", "ProducNam", "DlgBoxCap", "PicFilDir"}},
    {"Command Lines", {"ExeCLin_"}},
    {"Check Boxes", {"ChckBoxNumber", "BoxText_", "BoxStat_"}},
    {"Archive Files",
     {"ArcFileNumber", "DefSrcDir", "DefDstDir", "ArcFile_", "ArcDest_", "ArcSize_", "ArcCBox_", "ArcRExs_",
      "ArcCDir_"}},
    {"Program Items", {"AddIconNumber", "DefIcoGrp", "IcoDesc_", "IcoCLin_", "IcoCBox_"}},
    {"Percent Bars",
     {"PrctBarNumber", "WndExtHor", "WndExtVer", "PrcPLef_", "PrcPTop_", "PrcPRig_", "PrcPBot_", "PrcFDir_",
      "PrcBord_", "PrcBrdR_", "PrcBrdG_", "PrcBrdB_", "PrcBkgR_", "PrcBkgG_", "PrcBkgB_", "PrcFilR_",
      "PrcFilG_", "PrcFilB_"}},
    {"Other Options", {"DefPrgSpd"}},
};
// Names at most this many edits (a transposition is one) from a name the
// installer reads are taken as meant for it.
const size_t NEAR_MISS_EDITS = 2;

const KnownKeys* KnownSection(const std::string& name)
{
    for (const KnownKeys& k : KNOWN_KEYS) {
        if (LowerName(name) == LowerName(k.section))
            return &k;
    }
    return nullptr;
}

bool IsKnownKey(const KnownKeys* section, const std::string& name)
{
    if (section == nullptr)
        return false;
    std::string lower = LowerName(name);
    for (const char* key : section->keys) {
        std::string pattern = LowerName(key);
        if (pattern.back() != '_') {
            if (lower == pattern)
                return true;
        } else if (lower.size() == pattern.size() + 2 && lower.compare(0, pattern.size(), pattern) == 0 &&
                   isdigit(static_cast<unsigned char>(lower[pattern.size()])) &&
                   isdigit(static_cast<unsigned char>(lower[pattern.size() + 1])) &&
                   lower.compare(pattern.size(), 2, "00") != 0) {
            return true;
        }
    }
    return false;
}

// Edits between two names without case: insertions, deletions,
// substitutions and transpositions of neighbours.
size_t Edits(const std::string& a, const std::string& b)
{
    std::string x = LowerName(a);
    std::string y = LowerName(b);
    std::vector<std::vector<size_t>> d(x.size() + 1, std::vector<size_t>(y.size() + 1));
    for (size_t i = 0; i <= x.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= y.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= x.size(); ++i) {
        for (size_t j = 1; j <= y.size(); ++j) {
            size_t cost = x[i - 1] == y[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[x.size()][y.size()];
}

bool IsNear(const std::string& written, const std::string& wanted)
{
    // Long names only: short ones are all near each other. Names whose
    // lengths differ more than the edits allowed are not compared at all.
    size_t longer = std::max(written.size(), wanted.size());
    size_t shorter = std::min(written.size(), wanted.size());
    return wanted.size() > NEAR_MISS_EDITS * 2 && longer - shorter <= NEAR_MISS_EDITS &&
           Edits(written, wanted) <= NEAR_MISS_EDITS;
}

bool IsComment(const ProfileKey& k)
{
    return !k.name.empty() && (k.name[0] == ';' || k.name[0] == '#');
}

const ProfileSection* FirstSection(const ProfileFile& file, const std::string& name)
{
    auto s = file.sectionIndex.find(LowerName(name));
    return s == file.sectionIndex.end() ? nullptr : &file.sections[s->second];
}

std::string Bracketed(const std::string& name)
{
    return "[" + name + "]";
}

}  // namespace

bool FindNearMiss(const ProfileFile& file, const std::string& section, const std::string& key,
                  ScriptFinding* nearMiss)
{
    const ProfileSection* first = FirstSection(file, section);
    const KnownKeys* known = KnownSection(section);
    std::string lower = LowerName(key);
    if (first != nullptr) {
        // The name itself on a line without '=', or a near miss in the section.
        for (const ProfileKey& k : first->keys) {
            if (LowerName(k.name) == lower && !k.hasValue) {
                *nearMiss = {k.line, "line " + std::to_string(k.line) + " has " + k.name + " without '='"};
                return true;
            }
        }
        const ProfileKey* best = nullptr;
        size_t bestEdits = NEAR_MISS_EDITS + 1;
        for (const ProfileKey& k : first->keys) {
            if (IsComment(k) || IsKnownKey(known, k.name) || !IsNear(k.name, key))
                continue;
            size_t edits = Edits(k.name, key);
            if (edits < bestEdits) {
                best = &k;
                bestEdits = edits;
            }
        }
        if (best != nullptr) {
            *nearMiss = {best->line, "line " + std::to_string(best->line) + " has " + best->name +
                                         "; did you mean " + key + "?"};
            return true;
        }
    } else {
        for (const ProfileSection& s : file.sections) {
            if (s.line == 0 || KnownSection(s.name) != nullptr || !IsNear(s.name, section))
                continue;
            *nearMiss = {s.line, "line " + std::to_string(s.line) + " has " + Bracketed(s.name) +
                                     "; did you mean " + Bracketed(section) + "?"};
            return true;
        }
    }
    // The key written where the installer does not look for it.
    for (const ProfileSection& s : file.sections) {
        if (&s == first)
            continue;
        for (const ProfileKey& k : s.keys) {
            if (LowerName(k.name) != lower)
                continue;
            std::string where;
            if (s.line == 0)
                where = "above the first section";
            else if (LowerName(s.name) == LowerName(section))
                where = "in a later " + Bracketed(s.name) + " section, which the installer never reads";
            else
                where = "in " + Bracketed(s.name);
            *nearMiss = {k.line, "line " + std::to_string(k.line) + " has " + k.name + " " + where};
            return true;
        }
    }
    return false;
}

std::vector<ScriptFinding> ScriptWarnings(const ProfileFile& file, const std::vector<ProfileRead>& reads,
                                          bool loaded)
{
    std::vector<ScriptFinding> found;
    std::set<std::string> read;
    for (const ProfileRead& r : reads)
        read.insert(LowerName(r.section) + "/" + LowerName(r.key));
    for (size_t i = 0; i < file.sections.size(); ++i) {
        const ProfileSection& s = file.sections[i];
        auto first = file.sectionIndex.find(LowerName(s.name));
        bool isFirst = first != file.sectionIndex.end() && first->second == i;
        if (s.line != 0 && !isFirst && first != file.sectionIndex.end())
            found.push_back({s.line, "warning: " + Bracketed(s.name) + " given again (first on line " +
                                         std::to_string(file.sections[first->second].line) +
                                         "); the installer reads only the first, never the keys below this one"});
        const KnownKeys* known = KnownSection(s.name);
        for (size_t j = 0; j < s.keys.size(); ++j) {
            const ProfileKey& k = s.keys[j];
            if (k.name.empty() || IsComment(k))
                continue;
            if (s.line == 0) {
                found.push_back({k.line, "warning: " + k.name +
                                             " stands above the first section; the installer reads no key there"});
                continue;
            }
            if (!k.hasValue) {
                found.push_back({k.line, "warning: no '=' on this line; the installer sees a key " +
                                             k.name + " without a value"});
                continue;
            }
            auto firstKey = s.keyIndex.find(LowerName(k.name));
            if (firstKey != s.keyIndex.end() && firstKey->second != j) {
                found.push_back({k.line, "warning: " + k.name + " given again in " + Bracketed(s.name) +
                                             " (first on line " + std::to_string(s.keys[firstKey->second].line) +
                                             "); the installer takes the first"});
                continue;
            }
            if (!loaded || known == nullptr || !isFirst || read.count(LowerName(s.name) + "/" + LowerName(k.name)))
                continue;
            std::string why = IsKnownKey(known, k.name) ? "not needed by this script's counts and flags"
                                                        : "not a key of " + Bracketed(known->section);
            for (const char* name : known->keys) {
                // A numbered name is compared with the number written.
                std::string candidate = name;
                if (candidate.back() == '_' && k.name.size() >= 2)
                    candidate += k.name.substr(k.name.size() - 2);
                if (!IsKnownKey(known, k.name) && IsKnownKey(known, candidate) && IsNear(k.name, candidate)) {
                    why += "; did you mean " + candidate + "?";
                    break;
                }
            }
            found.push_back({k.line, "warning: the installer never reads " + k.name + " (" + why + ")"});
        }
    }
    for (const ProfileRead& r : reads) {
        if (r.line == 0)
            continue;
        if (r.value.find(';') != std::string::npos)
            found.push_back({r.line, "warning: " + r.key + " = \"" + r.value +
                                         "\": the installer takes the ';' and all after it as part of the value "
                                         "(a comment needs a line of its own)"});
        if (r.key == "DefPrgSpd") {
            // The loader's rule: decimal digits whose value is 0 to 4.
            size_t nonZero = r.value.find_first_not_of('0');
            bool digits = !r.value.empty() && r.value.find_first_not_of("0123456789") == std::string::npos;
            bool valid = digits && (nonZero == std::string::npos ||
                                    (nonZero == r.value.size() - 1 && r.value[nonZero] <= '4'));
            if (!valid)
                found.push_back({r.line, "warning: DefPrgSpd = \"" + r.value +
                                             "\" is ignored by the installer (0 to 4); the speed level stays 2"});
        }
    }
    std::stable_sort(found.begin(), found.end(),
              [](const ScriptFinding& a, const ScriptFinding& b) { return a.line < b.line; });
    return found;
}
