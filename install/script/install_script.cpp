#include "install/script/install_script.h"

#include <cstdio>
#include <cstring>

#include "install/script/path_checks.h"
#include "install/script/path_keywords.h"
#include "install/script/script_platform.h"
#include "install/script/transfer_sizes.h"

InstallScriptRecord InstallScript;

static const char DEFAULT_CAPTION[] = "Tarvo Installation Program";
static const char SCRIPT_FILE_NAME[] = "Install.Ini";
static const char NOT_FOUND_MESSAGE[] = "Cannot open the file 'install.ini'.";
static const char NOT_CORRECT_MESSAGE[] = "The file 'install.ini' is not correct.";
static const char NO_MEMORY_MESSAGE[] = "Available memory is not enough. ";

// Which message ends a failed load.
enum LoadStatus { EARLY_ERROR, LATE_ERROR, NO_MEMORY };
static LoadStatus loadStatus;

// Test seam: the number of table allocations that still succeed (-1: all).
static int allocationsLeft = -1;

void SetScriptAllocationLimit(int allocations)
{
    allocationsLeft = allocations;
}

// Test seam: run before each table allocation.
static void (*allocationHook)() = nullptr;

void SetScriptAllocationHook(void (*hook)())
{
    allocationHook = hook;
}

// One zeroed block of exactly count records on the process heap; on failure
// the status becomes "no memory".
static void* AllocateTable(int count, size_t recordSize)
{
    if (allocationHook != nullptr)
        allocationHook();
    void* block = nullptr;
    if (allocationsLeft != 0)
        block = AllocateZeroed(static_cast<size_t>(count) * recordSize);
    if (allocationsLeft > 0)
        --allocationsLeft;
    if (block == nullptr)
        loadStatus = NO_MEMORY;
    return block;
}

static void FreeTable(void* table)
{
    if (table != nullptr)
        ReleaseAllocated(table);
}

void FreeInstallScript()
{
    FreeTable(InstallScript.commandLines);
    InstallScript.commandLines = nullptr;
    InstallScript.commandLineCount = 0;
    FreeTable(InstallScript.checkBoxes);
    InstallScript.checkBoxes = nullptr;
    InstallScript.checkBoxCount = 0;
    FreeTable(InstallScript.archives);
    InstallScript.archives = nullptr;
    InstallScript.archiveCount = 0;
    FreeTable(InstallScript.programItems);
    InstallScript.programItems = nullptr;
    InstallScript.programItemCount = 0;
    FreeTable(InstallScript.percentBars);
    InstallScript.percentBars = nullptr;
    InstallScript.percentBarCount = 0;
}

void ApplySpeedLevel()
{
    SetTransferSizes(InstallScript.speedLevel);
}

// Appends tail to path (size bytes) when it fits.
static bool AppendBounded(char* path, const char* tail, size_t size)
{
    size_t length = strlen(path);
    size_t tailLength = strlen(tail);
    if (length + tailLength >= size)
        return false;
    memcpy(path + length, tail, tailLength + 1);
    return true;
}

bool LocateScript(const char* commandLine)
{
    // scriptPath stays empty until the script is found, so "Ini_Dir" and
    // "Ini_Roo" cannot expand in the command-line directory: such a command
    // line, like one longer than a path buffer holds, does not name the
    // directory and the search goes on beside the program.
    InstallScript.scriptPath[0] = '\0';
    char path[PATH_SIZE];
    size_t length = strlen(commandLine);
    if (length < sizeof(path)) {
        memcpy(path, commandLine, length + 1);
        if (CheckPathKeywords(path, true, false, false, true) &&
            ExpandPathKeywords(path, path, sizeof(path)) && !IsBlank(path) &&
            DirectoryExists(path) && AppendBounded(path, SCRIPT_FILE_NAME, sizeof(path)) &&
            GetFileSizeByName(path) != -1) {
            memcpy(InstallScript.scriptPath, path, strlen(path) + 1);
            return true;
        }
    }

    unsigned moduleLength = QueryProgramPath(path, sizeof(path));
    if (moduleLength > 0 && moduleLength < sizeof(path)) {
        char* last = strrchr(path, '\\');
        if (last != nullptr)
            last[1] = '\0';
        else
            path[0] = '\0';
        if (AppendBounded(path, SCRIPT_FILE_NAME, sizeof(path)) && GetFileSizeByName(path) != -1) {
            memcpy(InstallScript.scriptPath, path, strlen(path) + 1);
            return true;
        }
    }

    ShowScriptMessage(NOT_FOUND_MESSAGE, DEFAULT_CAPTION, SCRIPT_ICON_STOP);
    return false;
}

// --- Reading values ----------------------------------------------------------

static const char SECTION_GENERAL[] = "General Info";
static const char SECTION_COMMANDS[] = "Command Lines";
static const char SECTION_CHECK_BOXES[] = "Check Boxes";
static const char SECTION_ARCHIVES[] = "Archive Files";
static const char SECTION_ITEMS[] = "Program Items";
static const char SECTION_BARS[] = "Percent Bars";
static const char SECTION_OTHER[] = "Other Options";

// The raw value of a key, at most 127 characters; a missing key reads as "".
static void ReadRaw(const char* section, const char* key, char* value)
{
    ReadProfileString(section, key, value, RAW_VALUE_SIZE, InstallScript.scriptPath);
}

// A key name from a numbered pattern such as "BoxText_%02d" (key holds 32 bytes).
static const char* NumberedKey(char* key, const char* pattern, int number)
{
    snprintf(key, 32, pattern, number);
    return key;
}

// A text value: not blank, at most 63 characters, no control character.
static bool ReadText(const char* section, const char* key, char* text)
{
    char value[RAW_VALUE_SIZE];
    ReadRaw(section, key, value);
    size_t length = strlen(value);
    if (IsBlank(value) || length >= NAME_SIZE || !HasNoControlChars(value))
        return false;
    memcpy(text, value, length + 1);
    return true;
}

// The value of a digit string fits a signed 32-bit integer; the platform's
// integer reader would wrap a larger one (4294967298 reads as 2).
static bool FitsInt32(const char* digits)
{
    while (*digits == '0')
        ++digits;
    size_t length = strlen(digits);
    return length < 10 || (length == 10 && strcmp(digits, "2147483647") <= 0);
}

// A number value: decimal digits only whose value fits 32 bits, then within
// low..high. The value is taken from the text that was checked, not read
// from the file a second time.
static bool ReadNumber(const char* section, const char* key, int low, int high, int32_t* number)
{
    char value[RAW_VALUE_SIZE];
    ReadRaw(section, key, value);
    if (IsBlank(value) || !IsAllDigits(value) || !FitsInt32(value))
        return false;
    int32_t read = 0;
    for (const char* digit = value; *digit != '\0'; ++digit)
        read = read * 10 + (*digit - '0');
    if (read < low || read > high)
        return false;
    *number = read;
    return true;
}

static bool ReadNumbered(const char* section, const char* pattern, int index, int low, int high,
                         int32_t* number)
{
    char key[32];
    return ReadNumber(section, NumberedKey(key, pattern, index), low, high, number);
}

const int ANY = 0x7fffffff;

// A directory value as read: not blank, only the allowed keyword groups,
// expanded (capacity 128), then qualified into directory. Existence is
// tested instead of a plain qualification when mustExist is set.
static bool CheckDirectory(const char* value, unsigned groups, bool mustExist, char* directory)
{
    if (IsBlank(value))
        return false;
    if (!CheckPathKeywords(value, (groups & KEYWORD_GROUP_PROGRAM) != 0,
                           (groups & KEYWORD_GROUP_SOURCE) != 0,
                           (groups & KEYWORD_GROUP_DESTINATION) != 0,
                           (groups & KEYWORD_GROUP_SYSTEM) != 0))
        return false;
    char expanded[RAW_VALUE_SIZE];
    if (!ExpandPathKeywords(value, expanded, sizeof(expanded)))
        return false;
    if (mustExist ? !DirectoryExists(expanded) : !QualifyDirectory(expanded, false))
        return false;
    memcpy(directory, expanded, strlen(expanded) + 1);
    return true;
}

// Reads a directory key that need not exist yet.
static bool ReadDirectory(const char* section, const char* key, unsigned groups, char* directory)
{
    char value[RAW_VALUE_SIZE];
    ReadRaw(section, key, value);
    return CheckDirectory(value, groups, false, directory);
}

// --- Sections ----------------------------------------------------------------

static bool LoadGeneralInfo()
{
    InstallScriptRecord& s = InstallScript;
    if (!ReadNumber(SECTION_GENERAL, "IniWndStt", 0, 1, &s.windowState) ||
        !ReadText(SECTION_GENERAL, "ProducNam", s.productName) ||
        !ReadText(SECTION_GENERAL, "DlgBoxCap", s.caption))
        return false;
    loadStatus = LATE_ERROR;
    s.pictureDir[0] = '\0';
    if (s.windowState == 1) {
        char value[RAW_VALUE_SIZE];
        ReadRaw(SECTION_GENERAL, "PicFilDir", value);
        if (!IsBlank(value) && !CheckDirectory(value, KEYWORD_GROUP_PROGRAM, true, s.pictureDir))
            return false;
    }
    return true;
}

// Parses one non-blank "ExeCLin" value into entry. False rejects the
// script; *skip is set for a prefix followed by spaces only.
static bool ParseCommandLine(char* value, CommandLineEntry* entry, bool* skip)
{
    *skip = false;
    int prefixLength = 0;
    int stage = 0;
    int showMode = 0;
    for (int s = 1; s <= 8 && prefixLength == 0; ++s) {
        for (int w = 0; w <= 2; ++w) {
            char prefix[16];
            int length = snprintf(prefix, sizeof(prefix), "ES:%d_WS:%d", s, w);
            int i = 0;
            while (i < length && value[i] != '\0') {
                char a = value[i];
                char b = prefix[i];
                if (a >= 'a' && a <= 'z')
                    a = static_cast<char>(a - 'a' + 'A');
                if (a != b)
                    break;
                ++i;
            }
            if (i == length) {
                prefixLength = length;
                stage = s;
                showMode = w;
                break;
            }
        }
    }
    if (prefixLength == 0)
        return false;
    const char* text = value + prefixLength;
    while (*text == ' ')
        ++text;
    if (*text == '\0') {
        *skip = true;
        return true;
    }
    if (text == value + prefixLength)
        return false;
    memmove(value, text, strlen(text) + 1);
    if (!HasNoControlChars(value))
        return false;
    if ((stage == 1 || stage == 2 || stage == 8) &&
        !CheckPathKeywords(value, true, false, false, true))
        return false;
    entry->stage = stage;
    entry->showMode = showMode;
    memcpy(entry->command, value, strlen(value) + 1);
    return true;
}

static bool LoadCommandLines()
{
    char key[32];
    char value[RAW_VALUE_SIZE];
    int present = 0;
    for (int i = 1; i <= MAX_NUMBERED_KEYS; ++i) {
        ReadRaw(SECTION_COMMANDS, NumberedKey(key, "ExeCLin_%02d", i), value);
        if (!IsBlank(value))
            ++present;
    }
    if (present == 0)
        return true;
    CommandLineEntry* table =
        static_cast<CommandLineEntry*>(AllocateTable(present, sizeof(CommandLineEntry)));
    if (table == nullptr)
        return false;
    InstallScript.commandLines = table;

    // The file may change between the passes: a count that differs rejects
    // the script, and the table is never written past.
    int seen = 0;
    int accepted = 0;
    for (int i = 1; i <= MAX_NUMBERED_KEYS; ++i) {
        ReadRaw(SECTION_COMMANDS, NumberedKey(key, "ExeCLin_%02d", i), value);
        if (IsBlank(value))
            continue;
        if (++seen > present)
            return false;
        bool skip;
        if (!ParseCommandLine(value, &table[accepted], &skip))
            return false;
        if (!skip)
            ++accepted;
    }
    if (seen != present)
        return false;

    // Replace the table by one of exactly the accepted entries.
    InstallScript.commandLines = nullptr;
    if (accepted > 0) {
        CommandLineEntry* exact =
            static_cast<CommandLineEntry*>(AllocateTable(accepted, sizeof(CommandLineEntry)));
        if (exact == nullptr) {
            FreeTable(table);
            return false;
        }
        memcpy(exact, table, static_cast<size_t>(accepted) * sizeof(CommandLineEntry));
        InstallScript.commandLines = exact;
        InstallScript.commandLineCount = accepted;
    }
    FreeTable(table);
    return true;
}

static bool LoadCheckBoxes()
{
    int32_t count;
    if (!ReadNumber(SECTION_CHECK_BOXES, "ChckBoxNumber", 0, MAX_NUMBERED_KEYS, &count))
        return false;
    if (count == 0)
        return true;
    CheckBoxEntry* table = static_cast<CheckBoxEntry*>(AllocateTable(count, sizeof(CheckBoxEntry)));
    if (table == nullptr)
        return false;
    InstallScript.checkBoxes = table;
    InstallScript.checkBoxCount = count;
    char key[32];
    for (int i = 1; i <= count; ++i) {
        CheckBoxEntry& box = table[i - 1];
        if (!ReadText(SECTION_CHECK_BOXES, NumberedKey(key, "BoxText_%02d", i), box.label) ||
            !ReadNumbered(SECTION_CHECK_BOXES, "BoxStat_%02d", i, 0, 1, &box.checked))
            return false;
    }
    return true;
}

static bool ReadArchiveName(int index, char* name)
{
    char key[32];
    char value[RAW_VALUE_SIZE];
    ReadRaw(SECTION_ARCHIVES, NumberedKey(key, "ArcFile_%02d", index), value);
    size_t length = strlen(value);
    if (IsBlank(value) || length >= ARCHIVE_NAME_SIZE || !IsBareFileName(value))
        return false;
    for (int i = 0; i < index - 1; ++i) {
        if (strcmp(InstallScript.archives[i].name, value) == 0)
            return false;
    }
    memcpy(name, value, length + 1);
    return true;
}

static bool LoadArchives()
{
    InstallScriptRecord& s = InstallScript;
    int32_t count;
    if (!ReadNumber(SECTION_ARCHIVES, "ArcFileNumber", 1, MAX_NUMBERED_KEYS, &count) ||
        !ReadDirectory(SECTION_ARCHIVES, "DefSrcDir", KEYWORD_GROUP_PROGRAM, s.sourceDir) ||
        !ReadDirectory(SECTION_ARCHIVES, "DefDstDir", KEYWORD_GROUP_SYSTEM, s.destinationDir))
        return false;
    ArchiveEntry* table = static_cast<ArchiveEntry*>(AllocateTable(count, sizeof(ArchiveEntry)));
    if (table == nullptr)
        return false;
    s.archives = table;
    s.archiveCount = count;
    char key[32];
    for (int i = 1; i <= count; ++i) {
        ArchiveEntry& a = table[i - 1];
        if (!ReadArchiveName(i, a.name))
            return false;
        // The destination must expand and qualify now, but is stored as
        // written: "Dst_Dir" follows the user's later choice.
        char raw[RAW_VALUE_SIZE];
        ReadRaw(SECTION_ARCHIVES, NumberedKey(key, "ArcDest_%02d", i), raw);
        char expanded[PATH_SIZE];
        if (!CheckDirectory(raw, KEYWORD_GROUP_DESTINATION | KEYWORD_GROUP_SYSTEM, false, expanded))
            return false;
        memcpy(a.destination, raw, strlen(raw) + 1);
        if (!ReadNumbered(SECTION_ARCHIVES, "ArcSize_%02d", i, 1, ANY, &a.size) ||
            !ReadNumbered(SECTION_ARCHIVES, "ArcCBox_%02d", i, 0, s.checkBoxCount, &a.checkBox) ||
            !ReadNumbered(SECTION_ARCHIVES, "ArcRExs_%02d", i, 0, 2, &a.replaceMode) ||
            !ReadNumbered(SECTION_ARCHIVES, "ArcCDir_%02d", i, 0, 1, &a.createDirectory))
            return false;
        a.toInstall = 0;
    }
    return true;
}

static bool LoadProgramItems()
{
    InstallScriptRecord& s = InstallScript;
    int32_t count;
    if (!ReadNumber(SECTION_ITEMS, "AddIconNumber", 0, MAX_NUMBERED_KEYS, &count))
        return false;
    if (count == 0)
        return true;
    if (!ReadText(SECTION_ITEMS, "DefIcoGrp", s.iconGroup))
        return false;
    ProgramItemEntry* table =
        static_cast<ProgramItemEntry*>(AllocateTable(count, sizeof(ProgramItemEntry)));
    if (table == nullptr)
        return false;
    s.programItems = table;
    s.programItemCount = count;
    char key[32];
    for (int i = 1; i <= count; ++i) {
        ProgramItemEntry& item = table[i - 1];
        if (!ReadText(SECTION_ITEMS, NumberedKey(key, "IcoDesc_%02d", i), item.description))
            return false;
        char value[RAW_VALUE_SIZE];
        ReadRaw(SECTION_ITEMS, NumberedKey(key, "IcoCLin_%02d", i), value);
        if (IsBlank(value) || !CheckPathKeywords(value, false, false, true, true))
            return false;
        memcpy(item.commandLine, value, strlen(value) + 1);
        if (!ReadNumbered(SECTION_ITEMS, "IcoCBox_%02d", i, 0, s.checkBoxCount, &item.checkBox))
            return false;
    }
    return true;
}

static bool ReadColor(int index, const char* red, const char* green, const char* blue,
                      uint32_t* color)
{
    int32_t r, g, b;
    if (!ReadNumbered(SECTION_BARS, red, index, 0, 255, &r) ||
        !ReadNumbered(SECTION_BARS, green, index, 0, 255, &g) ||
        !ReadNumbered(SECTION_BARS, blue, index, 0, 255, &b))
        return false;
    *color = static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
    return true;
}

static bool LoadPercentBars()
{
    InstallScriptRecord& s = InstallScript;
    int32_t count;
    if (!ReadNumber(SECTION_BARS, "PrctBarNumber", 0, MAX_NUMBERED_KEYS, &count))
        return false;
    if (count == 0)
        return true;
    if (!ReadNumber(SECTION_BARS, "WndExtHor", 100, ANY, &s.logicalWidth) ||
        !ReadNumber(SECTION_BARS, "WndExtVer", 100, ANY, &s.logicalHeight))
        return false;
    PercentBar* table = static_cast<PercentBar*>(AllocateTable(count, sizeof(PercentBar)));
    if (table == nullptr)
        return false;
    s.percentBars = table;
    s.percentBarCount = count;
    for (int i = 1; i <= count; ++i) {
        PercentBar& bar = table[i - 1];
        if (!ReadNumbered(SECTION_BARS, "PrcPLef_%02d", i, 0, ANY, &bar.left) ||
            !ReadNumbered(SECTION_BARS, "PrcPTop_%02d", i, 0, ANY, &bar.top) ||
            !ReadNumbered(SECTION_BARS, "PrcPRig_%02d", i, 0, ANY, &bar.right) ||
            !ReadNumbered(SECTION_BARS, "PrcPBot_%02d", i, 0, ANY, &bar.bottom))
            return false;
        if (bar.right > s.logicalWidth || bar.left >= bar.right ||
            bar.bottom > s.logicalHeight || bar.top >= bar.bottom)
            return false;
        if (!ReadNumbered(SECTION_BARS, "PrcFDir_%02d", i, 1, 4, &bar.fillDirection) ||
            !ReadNumbered(SECTION_BARS, "PrcBord_%02d", i, 0, 1, &bar.hasBorder))
            return false;
        bar.borderColor = 0;
        if (bar.hasBorder == 1 &&
            !ReadColor(i, "PrcBrdR_%02d", "PrcBrdG_%02d", "PrcBrdB_%02d", &bar.borderColor))
            return false;
        if (!ReadColor(i, "PrcBkgR_%02d", "PrcBkgG_%02d", "PrcBkgB_%02d", &bar.backgroundColor) ||
            !ReadColor(i, "PrcFilR_%02d", "PrcFilG_%02d", "PrcFilB_%02d", &bar.fillColor))
            return false;
    }
    return true;
}

// A missing or bad "DefPrgSpd" keeps the level without any message.
static void LoadOtherOptions()
{
    int32_t level;
    if (ReadNumber(SECTION_OTHER, "DefPrgSpd", 0, SPEED_LEVEL_COUNT - 1, &level))
        InstallScript.speedLevel = level;
}

bool LoadInstallScript(const char* commandLine)
{
    FreeInstallScript();
    memset(&InstallScript, 0, sizeof(InstallScript));
    InstallScript.speedLevel = DEFAULT_SPEED_LEVEL;
    if (!LocateScript(commandLine))
        return false;
    loadStatus = EARLY_ERROR;
    if (LoadGeneralInfo() && LoadCommandLines() && LoadCheckBoxes() && LoadArchives() &&
        LoadProgramItems() && LoadPercentBars()) {
        LoadOtherOptions();
        return true;
    }
    FreeInstallScript();
    const char* caption = loadStatus == EARLY_ERROR || InstallScript.caption[0] == '\0'
                              ? DEFAULT_CAPTION
                              : InstallScript.caption;
    if (loadStatus == NO_MEMORY)
        ShowScriptMessage(NO_MEMORY_MESSAGE, caption, SCRIPT_ICON_STOP);
    else
        ShowScriptMessage(NOT_CORRECT_MESSAGE, caption, SCRIPT_ICON_EXCLAMATION);
    return false;
}
