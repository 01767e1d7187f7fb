#include "authoring/distcheck/distcheck.h"

#include <cstring>

#include "authoring/arjx/archive_tool.h"
#include "authoring/arjx/host_files.h"
#include "authoring/distcheck/native_platform.h"
#include "authoring/distcheck/profile_reader.h"
#include "authoring/distcheck/script_findings.h"
#include "install/archive/arj_reader.h"
#include "install/script/install_script.h"
#include "install/script/path_checks.h"
#include "install/script/path_keywords.h"

namespace {

const char NOT_FOUND_MESSAGE[] = "Cannot open the file 'install.ini'.";
const char TERMINATED_TEXT[] = "Installation process is terminated.";
// A weight this many times too large or too small for its archive's bytes
// makes the bars visibly jump.
const double WEIGHT_TOLERANCE = 2.0;

struct Report {
    FILE* out;
    bool quiet;
    std::string scriptFile;  // host path of install.ini, as shown
    ProfileFile profile;

    void Line(int line, const std::string& text) const
    {
        if (!quiet)
            fprintf(out, "%s:%d: %s\n", scriptFile.c_str(), line, text.c_str());
    }
    int LineOf(const char* section, const char* key) const
    {
        const ProfileKey* k = FindProfileKey(profile, section, key);
        return k != nullptr ? k->line : SectionLine(section);
    }
    int SectionLine(const char* section) const
    {
        for (const ProfileSection& s : profile.sections) {
            if (strcasecmp(s.name.c_str(), section) == 0)
                return s.line;
        }
        return 1;
    }
};

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, strlen(prefix), prefix) == 0;
}

// --- Why a value failed ------------------------------------------------------

const char* const GROUP_NAMES[] = {"program", "source", "destination", "system"};

// The first keyword of a group outside allowed, or "".
std::string ForbiddenKeyword(const std::string& value, unsigned allowed)
{
    for (int i = 0; i < PATH_KEYWORD_COUNT; ++i) {
        if ((PathKeywordGroups[i] & allowed) == 0 && value.find(PathKeywords[i]) != std::string::npos)
            return PathKeywords[i];
    }
    return "";
}

std::string AllowedGroups(unsigned allowed)
{
    std::string names;
    for (int g = 0; g < 4; ++g) {
        if (allowed & (1u << g))
            names += std::string(names.empty() ? "" : ", ") + GROUP_NAMES[g];
    }
    return names.empty() ? "none" : names;
}

std::string TextRule(const std::string& v)
{
    if (v.size() >= NAME_SIZE)
        return "longer than 63 characters";
    if (!HasNoControlChars(v.c_str()))
        return "contains a control character";
    return "";
}

std::string NumberRule(const std::string& v, long long low, long long high, const char* limit)
{
    if (!IsAllDigits(v.c_str()))
        return "not a number (decimal digits only)";
    std::string digits = v.substr(v.find_first_not_of('0') == std::string::npos ? v.size() - 1
                                                                                  : v.find_first_not_of('0'));
    if (digits.size() > 10 || std::stoll(digits) > 0x7FFFFFFF)
        return "too large a number";
    long long n = std::stoll(digits);
    if (n < low)
        return "less than " + std::to_string(low);
    if (n > high)
        return limit != nullptr ? std::string("greater than ") + limit + " (" + std::to_string(high) + ")"
                                : "greater than " + std::to_string(high);
    return "";
}

std::string DirectoryRule(const std::string& v, unsigned allowed, bool mustExist)
{
    std::string keyword = ForbiddenKeyword(v, allowed);
    if (!keyword.empty())
        return "path keyword " + keyword + " is not allowed here (allowed groups: " +
               AllowedGroups(allowed) + ")";
    char value[PATH_SIZE];
    if (!ExpandPathKeywords(v.c_str(), value, RAW_VALUE_SIZE))
        return "too long once its path keywords are replaced";
    if (mustExist)
        return std::string("no such directory on the diskette (") + value + ")";
    return std::string("not a directory the platform can qualify (") + value +
           "), or longer than 124 characters once qualified";
}

std::string CommandRule(const std::string& v)
{
    size_t i = 0;
    std::string upper = v;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    bool prefix = upper.size() >= 9 && StartsWith(upper, "ES:") && upper[3] >= '1' && upper[3] <= '8' &&
                  upper.compare(4, 4, "_WS:") == 0 && upper[8] >= '0' && upper[8] <= '2';
    if (!prefix)
        return "does not start with ES:<stage 1-8>_WS:<show 0-2>";
    i = 9;
    if (i < v.size() && v[i] != ' ')
        return "no space after the ES:_WS: prefix";
    if (!HasNoControlChars(v.c_str()))
        return "contains a control character";
    std::string keyword = ForbiddenKeyword(v, KEYWORD_GROUP_PROGRAM | KEYWORD_GROUP_SYSTEM);
    if (!keyword.empty())
        return "stages 1, 2 and 8 may not use " + keyword + " (allowed groups: program, system)";
    return "";
}

// The rule that value of key failed; the loader read it last.
std::string DescribeRule(const ProfileRead& r)
{
    const std::string& k = r.key;
    const std::string& v = r.value;
    const InstallScriptRecord& s = InstallScript;
    int checkBoxCount = 0;
    for (const ProfileRead& earlier : LoaderReads()) {
        if (earlier.key == "ChckBoxNumber")
            checkBoxCount = atoi(earlier.value.c_str());
    }
    if (IsBlank(v.c_str()) && !StartsWith(k, "ExeCLin_"))
        return r.line == 0 ? "missing" : "blank";
    std::string rule;
    if (k == "ProducNam" || k == "DlgBoxCap" || k == "DefIcoGrp" || StartsWith(k, "BoxText_") ||
        StartsWith(k, "IcoDesc_"))
        rule = TextRule(v);
    else if (k == "PicFilDir")
        rule = DirectoryRule(v, KEYWORD_GROUP_PROGRAM, true);
    else if (k == "DefSrcDir")
        rule = DirectoryRule(v, KEYWORD_GROUP_PROGRAM, false);
    else if (k == "DefDstDir")
        rule = DirectoryRule(v, KEYWORD_GROUP_SYSTEM, false);
    else if (StartsWith(k, "ArcDest_"))
        rule = DirectoryRule(v, KEYWORD_GROUP_DESTINATION | KEYWORD_GROUP_SYSTEM, false);
    else if (StartsWith(k, "ExeCLin_"))
        rule = CommandRule(v);
    else if (StartsWith(k, "IcoCLin_")) {
        std::string keyword = ForbiddenKeyword(v, KEYWORD_GROUP_DESTINATION | KEYWORD_GROUP_SYSTEM);
        if (!keyword.empty())
            rule = "path keyword " + keyword + " is not allowed here (allowed groups: destination, system)";
    } else if (StartsWith(k, "ArcFile_")) {
        if (v.size() >= ARCHIVE_NAME_SIZE)
            rule = "longer than 15 characters";
        else if (!IsBareFileName(v.c_str()))
            rule = "not a bare file name";
        // The loader has released its tables; the earlier names are in the reads.
        for (const ProfileRead& earlier : LoaderReads()) {
            if (rule.empty() && StartsWith(earlier.key, "ArcFile_") && earlier.key != k &&
                earlier.value == v)
                rule = "the same name as " + earlier.key;
        }
    } else if (StartsWith(k, "PrcPBot_")) {
        rule = NumberRule(v, 0, 0x7FFFFFFF, nullptr);
        if (rule.empty())
            rule = "the bar's rectangle is empty or reaches beyond WndExtHor x WndExtVer (" +
                   std::to_string(s.logicalWidth) + " x " + std::to_string(s.logicalHeight) + ")";
    } else {
        // The numbers: their ranges, as the loader reads them.
        struct Range { const char* key; long long low, high; const char* limit; };
        const Range ranges[] = {
            {"IniWndStt", 0, 1, nullptr},     {"ChckBoxNumber", 0, 99, nullptr},
            {"BoxStat_", 0, 1, nullptr},      {"ArcFileNumber", 1, 99, nullptr},
            {"ArcSize_", 1, 0x7FFFFFFF, nullptr},
            {"ArcCBox_", 0, checkBoxCount, "ChckBoxNumber"},
            {"ArcRExs_", 0, 2, nullptr},      {"ArcCDir_", 0, 1, nullptr},
            {"AddIconNumber", 0, 99, nullptr},
            {"IcoCBox_", 0, checkBoxCount, "ChckBoxNumber"},
            {"PrctBarNumber", 0, 99, nullptr}, {"WndExtHor", 100, 0x7FFFFFFF, nullptr},
            {"WndExtVer", 100, 0x7FFFFFFF, nullptr}, {"PrcFDir_", 1, 4, nullptr},
            {"PrcBord_", 0, 1, nullptr},       {"PrcP", 0, 0x7FFFFFFF, nullptr},
            {"PrcB", 0, 255, nullptr},         {"PrcF", 0, 255, nullptr},
        };
        for (const Range& range : ranges) {
            if (StartsWith(k, range.key)) {
                rule = NumberRule(v, range.low, range.high, range.limit);
                break;
            }
        }
    }
    return rule.empty() ? "rejected by the installer's rule for this key" : rule;
}

// --- Archives ----------------------------------------------------------------

struct ArchiveCheck {
    int diskette = -1;         // index of the diskette that holds it
    std::string hostPath;
    int32_t fileSize = 0;
    int files = 0;
    long long bytes = 0;
    std::vector<std::string> problems;  // each names the entry
    std::string verdict;                // the installer's message when it would stop
};

std::string RefusalReason(const EntryHeaderRecord& e)
{
    if (e.minimumVersion > 3)
        return "needs ARJ version " + std::to_string(e.minimumVersion) + " to extract";
    if (e.method > 4 || (e.method == 4 && e.archiverVersion == 1))
        return "unsupported method " + std::to_string(e.method);
    if (e.fileType != 0 && e.fileType != 1)
        return "unsupported entry type " + std::to_string(e.fileType) + " (directories and labels are not installed)";
    return "binary entry made on another host system (" + std::to_string(e.hostSystem) +
           "); only MS-DOS binaries and text entries are installed";
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The rule that an entry's name breaks, with the part that breaks it (the
// installer refuses the first fault it meets, in this order).
std::string UnsafeNameRule(const char* name)
{
    if (name[0] == '\\' || name[0] == '/')
        return "it starts with a separator, so it would be written from the drive's root";
    if (name[0] != '\0' && name[1] == ':')
        return "it starts with the drive " + std::string(name, 2) + ", outside the destination";
    const char* part = name;
    for (const char* q = name;; ++q) {
        if (*q == '\\' || *q == '/' || *q == '\0') {
            std::string text(part, static_cast<size_t>(q - part));
            if (text == "..")
                return "a part \"..\" would climb out of the destination";
            if (q > part && (q[-1] == '.' || q[-1] == ' '))
                return "a part \"" + text + "\" ends in a " + (q[-1] == '.' ? "dot" : "space") +
                       ", which Windows drops";
            if (FindEntryNameFault(text.c_str()) == ENTRY_NAME_DEVICE)
                return "a part \"" + text + "\" names the device " +
                       text.substr(0, text.find_first_of(". ")) + "; the file would be written to it";
            if (*q == '\0')
                break;
            part = q + 1;
        }
    }
    return EntryNameFaultText(FindEntryNameFault(name));
}

void TestArchive(ArchiveCheck& a, const std::string& archiveName)
{
    std::string lower = Lower(archiveName);
    const std::string readError = "Reading or unpacking error in '" + lower + "'. ";
    int archive = HostOpenArchive(a.hostPath.c_str());
    if (archive == -1) {
        a.problems.push_back("cannot be opened");
        a.verdict = "Cannot open the file '" + lower + "'. ";
        return;
    }
    BuildCrcTable();
    if (!FindFirstEntry(archive)) {
        a.problems.push_back("no ARJ archive header found");
        a.verdict = readError;
        HostClose(archive);
        return;
    }
    for (;;) {
        char name[ENTRY_NAME_SIZE];
        EntryNameFault fault;
        int rc = NextEntry(archive, name, &fault);
        if (rc == 0)
            break;
        if (rc == -1) {
            a.problems.push_back("damaged header after " + std::to_string(a.files) + " entries");
            if (a.verdict.empty())
                a.verdict = readError;
            break;  // the entries after it cannot be found
        }
        int dataStart = SeekCached(archive, 0, 1);
        const EntryHeaderRecord e = EntryHeader;
        bool ok = true;
        if (fault != ENTRY_NAME_SAFE) {
            a.problems.push_back("entry " + Quoted(name) + ": unsafe name (" + UnsafeNameRule(name) + ")");
            if (a.verdict.empty())
                a.verdict = readError;
            ok = false;
        } else if (!IsEntrySupported()) {
            a.problems.push_back("entry " + Quoted(name) + ": " + RefusalReason(e));
            if (a.verdict.empty())
                a.verdict = readError;
            ok = false;
        } else {
            int output = HostOpenDiscard(0x7FFFFFFFFFFFLL);
            runningCrc = 0xFFFFFFFFu;
            finishMessage[0] = '\0';
            bool decoded = DecodeEntryData(archive, output, lower.c_str(), name);
            HostClose(output);
            if (!decoded || ~runningCrc != e.fileCrc) {
                std::string text = decoded ? "CRC does not match" : finishMessage;
                a.problems.push_back("entry " + Quoted(name) + ": damaged data (" + text + ")");
                if (a.verdict.empty())
                    a.verdict = decoded ? "The file '" + Lower(BaseName(name)) + "' is not correctly unpacked. "
                                        : std::string(finishMessage);
                ok = false;
            }
        }
        if (ok) {
            ++a.files;
            a.bytes += e.uncompressedSize;
        }
        if (!ok && (e.remainingCompressed < 0 ||
                    SeekCached(archive, dataStart + e.remainingCompressed, 0) == -1))
            break;
    }
    HostClose(archive);
}

std::string Expanded(const char* text)
{
    char value[PATH_SIZE];
    if (!ExpandPathKeywords(text, value, PATH_SIZE))
        return std::string(text) + " (too long once expanded)";
    return value;
}

std::string CheckBoxCondition(int box)
{
    if (box == 0)
        return "always";
    return "with check box " + std::to_string(box) + " " + Quoted(InstallScript.checkBoxes[box - 1].label);
}

const char* const STAGE_TEXT[] = {
    "",
    "before the window shows",
    "when the options dialog appears",
    "after the options are confirmed",
    "after the directories are made, before copying",
    "after a successful installation; waits",
    "after a failed or cancelled installation; waits",
    "after stage 5 or 6; waits",
    "just before the installer exits; waits",
};
const char* const SHOW_TEXT[] = {"minimized", "normal", "maximized"};

std::string DisketteName(const std::vector<std::string>& diskettes, int index)
{
    return "diskette " + std::to_string(index + 1) + " (" + diskettes[static_cast<size_t>(index)] + ")";
}

}  // namespace

// Loads the script on the diskette with the installer's loader; when the
// loader refuses it, reports the key it read last and the installer's
// message.
static bool LoadScript(const std::string& diskette, Report& report)
{
    SetDisketteDirectory(diskette);
    ClearLoaderRecord();
    bool loaded = LoadInstallScript("A:\\");
    std::string scriptHost;
    if (InstallScript.scriptPath[0] != '\0' && HostPathOf(InstallScript.scriptPath, &scriptHost)) {
        report.scriptFile = scriptHost;
        // The file as the loader read it, parsed once.
        if (ScriptProfile() != nullptr)
            report.profile = *ScriptProfile();
        else
            LoadProfileFile(scriptHost, &report.profile);
    }
    const ShownMessage& m = LoaderMessage();
    bool notFound = !loaded && m.text == NOT_FOUND_MESSAGE;
    if (notFound)
        report.Line(1, "no install.ini in " + diskette);
    int refusedLine = 0;
    if (!loaded && !notFound && !LoaderReads().empty()) {
        const ProfileRead& r = LoaderReads().back();
        int line = r.line != 0 ? r.line : report.SectionLine(r.section.c_str());
        std::string text = "[" + r.section + "] " + r.key + " = " + Quoted(r.value) + ": " + DescribeRule(r);
        // A missing key: the line that most likely meant it.
        ScriptFinding nearMiss;
        if (r.line == 0 && FindNearMiss(report.profile, r.section, r.key, &nearMiss)) {
            line = nearMiss.line;
            text += "; " + nearMiss.text;
        }
        report.Line(line, text);
        refusedLine = line;
    }
    if (!notFound) {
        for (const ScriptFinding& w : ScriptWarnings(report.profile, LoaderReads(), loaded)) {
            if (w.line != refusedLine)  // that line has been named already
                report.Line(w.line, w.text);
        }
    }
    if (loaded)
        return true;
    fprintf(report.out, "install.exe would refuse the script: caption %s, message %s, icon %s\n",
            Quoted(m.caption).c_str(), Quoted(m.text).c_str(),
            m.icon == SCRIPT_ICON_STOP ? "stop" : "exclamation");
    return false;
}

bool LoadScriptAsInstaller(const std::string& dir, FILE* out)
{
    Report report{out, false, dir + "/install.ini", {}};
    return LoadScript(dir, report);
}

int RunDistcheck(const std::vector<std::string>& diskettes, bool quiet, FILE* out)
{
    Report report{out, quiet, diskettes[0] + "/install.ini", {}};
    if (!LoadScript(diskettes[0], report))
        return 1;

    const InstallScriptRecord& s = InstallScript;
    // The installer's passes: each archive comes from the first diskette
    // whose source directory holds it.
    std::vector<ArchiveCheck> checks(static_cast<size_t>(s.archiveCount));
    std::string below = PathBelowRoot(s.sourceDir);
    if (!StartsWith(s.sourceDir, "A:") && !StartsWith(s.sourceDir, "a:"))
        report.Line(report.LineOf("Archive Files", "DefSrcDir"),
                    std::string("warning: DefSrcDir is ") + s.sourceDir +
                        ", not on the diskette drive; the diskettes stand for its drive");
    for (size_t d = 0; d < diskettes.size(); ++d) {
        SetDisketteDirectory(diskettes[d]);
        for (int i = 0; i < s.archiveCount; ++i) {
            ArchiveCheck& a = checks[static_cast<size_t>(i)];
            std::string path = "A:\\" + below + s.archives[i].name;
            std::string host;
            int32_t size = GetFileSizeByName(path.c_str());
            if (a.diskette != -1 || size == -1 || !HostPathOf(path, &host))
                continue;
            a.diskette = static_cast<int>(d);
            a.hostPath = host;
            a.fileSize = size;
        }
    }
    SetDisketteDirectory(diskettes[0]);

    std::string verdict;
    int firstFault = -1;  // the archive whose fault the installer meets first
    long long totalWeight = 0;
    long long totalBytes = 0;
    for (int i = 0; i < s.archiveCount; ++i) {
        ArchiveCheck& a = checks[static_cast<size_t>(i)];
        if (a.diskette != -1)
            TestArchive(a, s.archives[i].name);
        totalWeight += s.archives[i].size;
        totalBytes += a.fileSize;
    }

    for (int i = 0; i < s.checkBoxCount; ++i) {
        char key[16];
        snprintf(key, sizeof(key), "BoxText_%02d", i + 1);
        report.Line(report.LineOf("Check Boxes", key),
                    "check box " + std::to_string(i + 1) + " " + Quoted(s.checkBoxes[i].label) +
                        (s.checkBoxes[i].checked ? ", checked at first" : ", unchecked at first"));
    }
    bool failed = false;
    for (int i = 0; i < s.archiveCount; ++i) {
        const ArchiveEntry& e = s.archives[i];
        ArchiveCheck& a = checks[static_cast<size_t>(i)];
        char key[16];
        snprintf(key, sizeof(key), "ArcFile_%02d", i + 1);
        int line = report.LineOf("Archive Files", key);
        std::string head = std::string(key) + " " + e.name;
        if (a.diskette == -1) {
            failed = true;
            // Where the platform looks: the source directory parsed on each
            // diskette, inside it.
            std::string looked;
            for (size_t d = 0; d < diskettes.size(); ++d) {
                std::string host;
                SetDisketteDirectory(diskettes[d]);
                if (!HostPathOf(std::string("A:\\") + below, &host))
                    host = diskettes[d] + "/" + below + " (missing)";
                looked += (looked.empty() ? "" : ", ") + host;
            }
            SetDisketteDirectory(diskettes[0]);
            report.Line(line, head + ": error: missing, not on any diskette (looked in " + looked + ")");
            if (firstFault == -1)
                verdict = std::string("asks for another diskette until cancelled: ") + Quoted(TERMINATED_TEXT);
            continue;
        }
        for (const std::string& problem : a.problems)
            report.Line(line, head + " (" + a.hostPath + "): error: " + problem);
        if (!a.problems.empty()) {
            failed = true;
            // The installer meets the archives diskette by diskette, each
            // diskette's in key order; the first fault ends it.
            if (firstFault == -1 || a.diskette < checks[static_cast<size_t>(firstFault)].diskette) {
                firstFault = i;
                verdict = "stops with " + Quoted(a.verdict + TERMINATED_TEXT);
            }
        }
        char destination[PATH_SIZE];
        std::string where = Expanded(e.destination);
        memcpy(destination, where.c_str(), where.size() < PATH_SIZE ? where.size() + 1 : 1);
        if (where.size() < PATH_SIZE && QualifyDirectory(destination, false))
            where = destination;
        report.Line(line, head + " on " + DisketteName(diskettes, a.diskette) + ": " +
                              std::to_string(a.files) + " files, " + std::to_string(a.bytes) +
                              " bytes -> " + where + " (" + CheckBoxCondition(e.checkBox) + ")");
        // The bars advance by the weights; compare each share with the
        // archive's share of the bytes read.
        if (totalWeight > 0 && totalBytes > 0) {
            double weightShare = static_cast<double>(e.size) / static_cast<double>(totalWeight);
            double byteShare = static_cast<double>(a.fileSize) / static_cast<double>(totalBytes);
            char text[200];
            snprintf(text, sizeof(text), "ArcSize_%02d = %d: %.0f%% of the bars for %.0f%% of the archive bytes",
                     i + 1, e.size, weightShare * 100, byteShare * 100);
            snprintf(key, sizeof(key), "ArcSize_%02d", i + 1);
            // A weight of the archive's size in KB (what distpack writes)
            // is the best there is, however small archives round.
            int kilobytes = a.fileSize > 1024 ? (a.fileSize + 1023) / 1024 : 1;
            bool farOff = e.size != kilobytes &&
                          (byteShare == 0 || weightShare / byteShare > WEIGHT_TOLERANCE ||
                           byteShare / weightShare > WEIGHT_TOLERANCE);
            std::string advice;
            if (farOff)
                advice = "; warning: the bars will jump (its size in KB, " + std::to_string(kilobytes) +
                         ", would fit)";
            report.Line(report.LineOf("Archive Files", key), text + advice);
        }
    }
    int commandKey = 1;
    for (int i = 0; i < s.commandLineCount; ++i) {
        const CommandLineEntry& c = s.commandLines[i];
        // The accepted commands keep the order of their keys.
        int line = report.SectionLine("Command Lines");
        for (; commandKey <= MAX_NUMBERED_KEYS; ++commandKey) {
            char key[16];
            snprintf(key, sizeof(key), "ExeCLin_%02d", commandKey);
            const ProfileKey* k = FindProfileKey(report.profile, "Command Lines", key);
            size_t length = strlen(c.command);
            if (k != nullptr && k->value.size() >= length &&
                k->value.compare(k->value.size() - length, length, c.command) == 0) {
                line = k->line;
                ++commandKey;
                break;
            }
        }
        report.Line(line, "stage " + std::to_string(c.stage) + " (" + STAGE_TEXT[c.stage] + "), window " +
                           SHOW_TEXT[c.showMode] + ": " + Expanded(c.command));
    }
    for (int i = 0; i < s.programItemCount; ++i) {
        const ProgramItemEntry& item = s.programItems[i];
        char key[16];
        snprintf(key, sizeof(key), "IcoDesc_%02d", i + 1);
        report.Line(report.LineOf("Program Items", key),
                    "program item " + Quoted(item.description) + " in group " + Quoted(s.iconGroup) +
                        ": " + Expanded(item.commandLine) + " (" + CheckBoxCondition(item.checkBox) + ")");
    }

    int exitCode = failed ? 1 : 0;
    if (failed)
        fprintf(out, "install.exe would accept the script but the installation %s\n", verdict.c_str());
    else
        fprintf(out, "install.exe would accept the script and install %d %s from %zu %s\n", s.archiveCount,
                s.archiveCount == 1 ? "archive" : "archives", diskettes.size(),
                diskettes.size() == 1 ? "diskette" : "diskettes");
    FreeInstallScript();
    return exitCode;
}
