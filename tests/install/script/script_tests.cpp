#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>

#include "install/core/message_box.h"
#include "install/script/install_script.h"
#include "install/script/transfer_sizes.h"
#include "tests/authoring/table_text.h"
#include "tests/install/script/test_dir.h"

namespace {

struct Shown {
    std::string text;
    std::string caption;
    UINT type;
};
std::vector<Shown> shown;

int CaptureMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    EXPECT_EQ(owner, nullptr);
    shown.push_back({text, caption, type});
    return IDOK;
}

const char DEFAULT_CAPTION[] = "Tarvo Installation Program";
const char NOT_CORRECT[] = "The file 'install.ini' is not correct.";

// A script that loads: no command lines, no check boxes, items or bars, one
// archive. Tests change single keys with the platform's profile writer.
const char MINIMAL_SCRIPT[] =
    "[General Info]\r\n"
    "IniWndStt=0\r\n"
    "ProducNam=Sample Product\r\n"
    "DlgBoxCap=Sample Setup\r\n"
    "PicFilDir=Q:\\NO\\SUCH\\DIR\r\n"
    "[Check Boxes]\r\n"
    "ChckBoxNumber=0\r\n"
    "[Archive Files]\r\n"
    "ArcFileNumber=1\r\n"
    "DefSrcDir=Ini_Dir\r\n"
    "DefDstDir=C:\\APP\r\n"
    "ArcFile_01=DATA.ARC\r\n"
    "ArcDest_01=Dst_DirBIN\r\n"
    "ArcSize_01=10\r\n"
    "ArcCBox_01=0\r\n"
    "ArcRExs_01=1\r\n"
    "ArcCDir_01=0\r\n"
    "[Program Items]\r\n"
    "AddIconNumber=0\r\n"
    "DefIcoGrp=\r\n"
    "[Percent Bars]\r\n"
    "PrctBarNumber=0\r\n"
    "WndExtHor=5\r\n";

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shown.clear();
        SetMessageBoxHook(CaptureMessageBox);
        script = dir / "install.ini";
        WriteFileText(script, MINIMAL_SCRIPT);
    }
    void TearDown() override
    {
        FreeInstallScript();
        SetScriptAllocationLimit(-1);
        SetMessageBoxHook(nullptr);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, script.c_str());  // flush
    }

    void Set(const char* section, const char* key, const char* value)
    {
        ASSERT_TRUE(WritePrivateProfileStringA(section, key, value, script.c_str()));
    }
    void Remove(const char* section, const char* key) { Set(section, key, nullptr); }

    bool Load() { return LoadInstallScript(dir.path().c_str()); }

    // Loads and expects exactly one "not correct" message with the caption.
    void ExpectRejected(const char* caption)
    {
        shown.clear();
        EXPECT_FALSE(Load());
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, NOT_CORRECT);
        EXPECT_EQ(shown[0].caption, caption);
        EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(InstallScript.commandLines, nullptr);
        EXPECT_EQ(InstallScript.checkBoxes, nullptr);
        EXPECT_EQ(InstallScript.archives, nullptr);
        EXPECT_EQ(InstallScript.programItems, nullptr);
        EXPECT_EQ(InstallScript.percentBars, nullptr);
    }
    void ExpectRejected() { ExpectRejected("Sample Setup"); }

    void ExpectLoaded()
    {
        shown.clear();
        EXPECT_TRUE(Load());
        EXPECT_TRUE(shown.empty()) << (shown.empty() ? "" : shown[0].text);
    }

    // Each value of a key in turn: accepted or rejected.
    // The key's value is restored afterwards.
    void ExpectValues(const char* section, const char* key, std::vector<const char*> accepted,
                      std::vector<const char*> rejected)
    {
        char original[RAW_VALUE_SIZE];
        GetPrivateProfileStringA(section, key, "\x01", original, sizeof(original), script.c_str());
        for (const char* value : accepted) {
            Set(section, key, value);
            SCOPED_TRACE(std::string(key) + "=" + value);
            ExpectLoaded();
            FreeInstallScript();
        }
        for (const char* value : rejected) {
            Set(section, key, value);
            SCOPED_TRACE(std::string(key) + "=" + value);
            ExpectRejected();
        }
        Set(section, key, strcmp(original, "\x01") == 0 ? nullptr : original);
    }

    TestDir dir;
    std::string script;
};

TEST_F(ScriptTest, MinimalScriptLoads)
{
    ExpectLoaded();
    const InstallScriptRecord& s = InstallScript;
    EXPECT_STRCASEEQ(s.scriptPath, (dir.path() + "Install.Ini").c_str());
    EXPECT_EQ(s.windowState, 0);
    EXPECT_STREQ(s.productName, "Sample Product");
    EXPECT_STREQ(s.caption, "Sample Setup");
    EXPECT_STREQ(s.pictureDir, "");  // not read with IniWndStt 0
    EXPECT_EQ(s.commandLineCount, 0);
    EXPECT_EQ(s.commandLines, nullptr);
    EXPECT_EQ(s.checkBoxes, nullptr);
    EXPECT_EQ(s.programItems, nullptr);
    EXPECT_EQ(s.percentBars, nullptr);
    EXPECT_STRCASEEQ(s.sourceDir, dir.path().c_str());
    EXPECT_STREQ(s.destinationDir, "C:\\APP\\");
    ASSERT_EQ(s.archiveCount, 1);
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, s.archives), 0u + sizeof(ArchiveEntry))
        << "the table holds exactly its count";
    EXPECT_STREQ(s.archives[0].name, "DATA.ARC");
    EXPECT_STREQ(s.archives[0].destination, "Dst_DirBIN");  // stored unexpanded
    EXPECT_EQ(s.archives[0].size, 10);
    EXPECT_EQ(s.archives[0].checkBox, 0);
    EXPECT_EQ(s.archives[0].replaceMode, 1);
    EXPECT_EQ(s.archives[0].createDirectory, 0);
    EXPECT_EQ(s.archives[0].toInstall, 0);
    EXPECT_EQ(s.speedLevel, 2);
}

TEST_F(ScriptTest, NumberRule)
{
    ExpectValues("Archive Files", "ArcSize_01", {"007", "1", "2147483647", "0002147483647"},
                 {"0", "00", "+1", "-1", "1.5", "0x10", "1 2", "", "   ", "abc", "2147483648",
                  "4294967297", "99999999999999999999"});
    Set("Archive Files", "ArcSize_01", "007");
    ExpectLoaded();
    EXPECT_EQ(InstallScript.archives[0].size, 7);
    FreeInstallScript();
    ExpectValues("Check Boxes", "ChckBoxNumber", {"0", "00", "000"}, {"100"});
    ExpectValues("Archive Files", "ArcRExs_01", {"0", "2"}, {"3", "4294967298"});
    ExpectValues("Archive Files", "ArcCDir_01", {"1"}, {"2"});
    ExpectValues("Archive Files", "ArcFileNumber", {"1"}, {"0", "00", "100"});
}

TEST_F(ScriptTest, TextRule)
{
    std::string max(63, 't');
    std::string over(64, 't');
    ExpectValues("General Info", "ProducNam", {max.c_str(), "a b"}, {});
    // ProducNam is read before DlgBoxCap: its failures carry the default caption.
    for (const char* bad : {over.c_str(), "   ", "tab\there"}) {
        Set("General Info", "ProducNam", bad);
        ExpectRejected(DEFAULT_CAPTION);
    }
    Set("General Info", "ProducNam", "Product");
    Set("General Info", "DlgBoxCap", over.c_str());
    ExpectRejected(DEFAULT_CAPTION);
    Remove("General Info", "DlgBoxCap");
    ExpectRejected(DEFAULT_CAPTION);
    Set("General Info", "DlgBoxCap", "Sample Setup");
    Set("General Info", "IniWndStt", "2");
    ExpectRejected(DEFAULT_CAPTION);
}

TEST_F(ScriptTest, DirectoryKeysAndKeywordGroups)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof(windows));
    Set("Archive Files", "DefDstDir", "Win_Dir\\..\\APP\\SUB\\..");
    ExpectLoaded();
    std::string expected = std::string(windows).substr(0, std::string(windows).rfind('\\') + 1);
    EXPECT_STRCASEEQ(InstallScript.destinationDir, (expected + "APP\\").c_str());
    FreeInstallScript();

    // Program-group keywords only for the source; system only for the destination.
    ExpectValues("Archive Files", "DefSrcDir", {"Prg_Dir", "Prg_RooX"},
                 {"Win_Dir", "Dst_Dir", "Src_Dir", ""});
    Set("Archive Files", "DefSrcDir", "Ini_Dir");
    ExpectValues("Archive Files", "DefDstDir", {"Sys_Dir", "Win_RooAPP"},
                 {"Prg_Dir", "Ini_Dir", "Src_Dir", "Dst_Dir", "   "});
    Set("Archive Files", "DefDstDir", "C:\\APP");
    ExpectValues("Archive Files", "ArcDest_01", {"Dst_Roo", "Sys_DirX", "D:\\X"},
                 {"Src_DirX", "Prg_Dir", "Ini_Roo", ""});
    // The destination must fit when expanded with capacity 128.
    std::string longDest = "Sys_Dir" + std::string(115, 'd');
    ExpectValues("Archive Files", "ArcDest_01", {}, {longDest.c_str()});
}

TEST_F(ScriptTest, DirectoryValueOf127CharactersIsReadWhole)
{
    // 127 characters that qualify to a short directory: all are seen, and a
    // 128th is cut off by the reader.
    std::string value = "C:\\";
    for (int i = 0; i < 24; ++i)
        value += "a\\..\\";
    value += "WXYZ";
    ASSERT_EQ(value.size(), 127u);
    Set("Archive Files", "DefDstDir", value.c_str());
    ExpectLoaded();
    EXPECT_STREQ(InstallScript.destinationDir, "C:\\WXYZ\\");
    FreeInstallScript();
    Set("Archive Files", "DefDstDir", (value + "Q").c_str());
    ExpectLoaded();
    EXPECT_STREQ(InstallScript.destinationDir, "C:\\WXYZ\\");
    FreeInstallScript();
    // A directory that would qualify to more than 124 characters is rejected.
    std::string deep = "C:\\" + std::string(122, 'v');
    Set("Archive Files", "DefDstDir", deep.c_str());
    ExpectRejected();
}

TEST_F(ScriptTest, PictureDirectoryOnlyReadInFullScreenState)
{
    // With IniWndStt 0 the missing picture directory of the minimal script is ignored.
    ExpectLoaded();
    FreeInstallScript();
    Set("General Info", "IniWndStt", "1");
    ExpectRejected();
    Set("General Info", "PicFilDir", "");
    ExpectLoaded();
    EXPECT_STREQ(InstallScript.pictureDir, "");
    FreeInstallScript();
    WriteFileText(dir / "Install.Pic", "x");
    Set("General Info", "PicFilDir", "Ini_Dir");
    ExpectLoaded();
    EXPECT_STRCASEEQ(InstallScript.pictureDir, dir.path().c_str());
    FreeInstallScript();
    Set("General Info", "PicFilDir", "Win_Dir");
    ExpectRejected();
}

TEST_F(ScriptTest, CommandLines)
{
    Set("Command Lines", "ExeCLin_03", "es:3_ws:1 SETUP.EXE");
    Set("Command Lines", "ExeCLin_07", "ES:3_WS:1     ");
    Set("Command Lines", "ExeCLin_09", "ES:8_WS:2   Win_DirNOTEPAD.EXE Prg_DirX");
    Set("Command Lines", "ExeCLin_12", "ES:1_WS:0 Sys_DirA.EXE");
    Set("Command Lines", "ExeCLin_99", "ES:5_WS:0 Src_DirX.EXE Dst_DirY");
    Set("Command Lines", "ExeCLin_100", "not read");
    ExpectLoaded();
    const InstallScriptRecord& s = InstallScript;
    ASSERT_EQ(s.commandLineCount, 4);
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, s.commandLines), 4 * sizeof(CommandLineEntry));
    EXPECT_EQ(s.commandLines[0].stage, 3);
    EXPECT_EQ(s.commandLines[0].showMode, 1);
    EXPECT_STREQ(s.commandLines[0].command, "SETUP.EXE");
    EXPECT_EQ(s.commandLines[1].stage, 8);
    EXPECT_EQ(s.commandLines[1].showMode, 2);
    EXPECT_STREQ(s.commandLines[1].command, "Win_DirNOTEPAD.EXE Prg_DirX");
    EXPECT_EQ(s.commandLines[2].stage, 1);
    EXPECT_EQ(s.commandLines[3].stage, 5);
    EXPECT_STREQ(s.commandLines[3].command, "Src_DirX.EXE Dst_DirY");
    FreeInstallScript();

    ExpectValues("Command Lines", "ExeCLin_12", {"ES:3_WS:0 Src_DirX.EXE", "ES:2_WS:0 A"},
                 {"ES:3_WS:1SETUP.EXE", "ES:9_WS:0 X", "ES:3_WS:3 X", "ES:03_WS:1 X",
                  "ES:0_WS:0 X", "ES:1_WS:0 Src_DirX.EXE", "ES:2_WS:0 Dst_Dir",
                  "ES:8_WS:0 Src_Roo", "SETUP.EXE", "ES:3 X", "ES:3_WS:1 A\tB"});
}

TEST_F(ScriptTest, CommandLinesSkippedWhenOnlyPrefix)
{
    Set("Command Lines", "ExeCLin_01", "ES:3_WS:1");
    Set("Command Lines", "ExeCLin_02", "ES:4_WS:0    ");
    ExpectLoaded();
    EXPECT_EQ(InstallScript.commandLineCount, 0);
    EXPECT_EQ(InstallScript.commandLines, nullptr);
}

// Changes the script once, between the two passes over its command lines.
const char* changedKey;
const char* changedValue;
std::string changedScript;

void ChangeCommandLinesOnce()
{
    if (changedKey != nullptr)
        WritePrivateProfileStringA("Command Lines", changedKey, changedValue, changedScript.c_str());
    changedKey = nullptr;
}

TEST_F(ScriptTest, CommandLineCountThatChangesBetweenThePassesRejects)
{
    struct Change {
        const char* key;
        const char* value;
    } changes[] = {{"ExeCLin_03", "ES:5_WS:1 C"}, {"ExeCLin_02", nullptr}};  // one more, one less
    for (const Change& change : changes) {
        SCOPED_TRACE(change.key);
        Set("Command Lines", "ExeCLin_01", "ES:3_WS:1 A");
        Set("Command Lines", "ExeCLin_02", "ES:4_WS:1 B");
        Remove("Command Lines", "ExeCLin_03");
        changedKey = change.key;
        changedValue = change.value;
        changedScript = script;
        SetScriptAllocationHook(ChangeCommandLinesOnce);
        ExpectRejected();
        SetScriptAllocationHook(nullptr);
    }
}

TEST_F(ScriptTest, CheckBoxesAndReferences)
{
    Set("Check Boxes", "ChckBoxNumber", "2");
    Set("Check Boxes", "BoxText_01", "First");
    Set("Check Boxes", "BoxStat_01", "1");
    Set("Check Boxes", "BoxText_02", "Second");
    Set("Check Boxes", "BoxStat_02", "0");
    Set("Check Boxes", "BoxText_03", "");  // above the count: ignored
    Set("Archive Files", "ArcCBox_01", "2");
    ExpectLoaded();
    ASSERT_EQ(InstallScript.checkBoxCount, 2);
    EXPECT_STREQ(InstallScript.checkBoxes[1].label, "Second");
    EXPECT_EQ(InstallScript.checkBoxes[0].checked, 1);
    EXPECT_EQ(InstallScript.checkBoxes[1].checked, 0);
    EXPECT_EQ(InstallScript.archives[0].checkBox, 2);
    FreeInstallScript();

    ExpectValues("Check Boxes", "BoxStat_02", {}, {"2", ""});
    Set("Check Boxes", "BoxStat_02", "1");
    Remove("Check Boxes", "BoxText_02");  // a gap below the count
    ExpectRejected();
    Set("Check Boxes", "BoxText_02", "Second");
    Set("Check Boxes", "ChckBoxNumber", "1");
    ExpectRejected();  // ArcCBox_01 2 beyond one check box
}

TEST_F(ScriptTest, ArchiveNames)
{
    Set("Archive Files", "ArcFileNumber", "2");
    Set("Archive Files", "ArcFile_02", "data.arc");
    Set("Archive Files", "ArcDest_02", "Dst_Dir");
    Set("Archive Files", "ArcSize_02", "1");
    Set("Archive Files", "ArcCBox_02", "0");
    Set("Archive Files", "ArcRExs_02", "2");
    Set("Archive Files", "ArcCDir_02", "1");
    ExpectLoaded();
    ASSERT_EQ(InstallScript.archiveCount, 2);
    EXPECT_STREQ(InstallScript.archives[1].name, "data.arc");
    FreeInstallScript();

    // Names that are no file of a directory: dots only, wildcards, devices.
    ExpectValues("Archive Files", "ArcFile_02", {"ABCDEFGHIJK.ARC", "CONSOLE.ARC", "COM10.ARC", "NULL", "LPT.ARC"},
                 {"DATA.ARC", "ABCDEFGHIJKL.ARC", "SUB\\D.ARC", "C:D.ARC", "..\\D.ARC", "  ", ".", "..", "...",
                  "*.ARC", "DATA?.ARC", "D<.ARC", "D|.ARC", "NUL", "con", "AUX.ARC", "Prn.X", "COM1", "lpt9.arc",
                  "NUL .ARC"});
    Set("Archive Files", "ArcFile_02", "OTHER.ARC");
    Remove("Archive Files", "ArcSize_02");
    ExpectRejected();
}

TEST_F(ScriptTest, ProgramItems)
{
    Set("Program Items", "AddIconNumber", "1");
    ExpectRejected();  // DefIcoGrp is now required
    Set("Program Items", "DefIcoGrp", "Sample Group");
    Set("Program Items", "IcoDesc_01", "Read me");
    Set("Program Items", "IcoCLin_01", "Win_DirNOTEPAD.EXE Dst_DirREADME.TXT");
    Set("Program Items", "IcoCBox_01", "0");
    ExpectLoaded();
    ASSERT_EQ(InstallScript.programItemCount, 1);
    EXPECT_STREQ(InstallScript.iconGroup, "Sample Group");
    EXPECT_STREQ(InstallScript.programItems[0].commandLine, "Win_DirNOTEPAD.EXE Dst_DirREADME.TXT");
    FreeInstallScript();
    ExpectValues("Program Items", "IcoCLin_01", {}, {"Src_DirX", "Prg_DirX", " "});
    Set("Program Items", "IcoCLin_01", "X");
    ExpectValues("Program Items", "IcoCBox_01", {}, {"1"});
}

TEST_F(ScriptTest, PercentBarGeometry)
{
    const char* S = "Percent Bars";
    Set(S, "PrctBarNumber", "1");
    Set(S, "WndExtHor", "100");
    Set(S, "WndExtVer", "200");
    Set(S, "PrcPLef_01", "10");
    Set(S, "PrcPTop_01", "20");
    Set(S, "PrcPRig_01", "100");
    Set(S, "PrcPBot_01", "30");
    Set(S, "PrcFDir_01", "4");
    Set(S, "PrcBord_01", "0");
    Set(S, "PrcBrdR_01", "999");  // not read without a border
    Set(S, "PrcBkgR_01", "1");
    Set(S, "PrcBkgG_01", "2");
    Set(S, "PrcBkgB_01", "3");
    Set(S, "PrcFilR_01", "255");
    Set(S, "PrcFilG_01", "0");
    Set(S, "PrcFilB_01", "128");
    ExpectLoaded();
    ASSERT_EQ(InstallScript.percentBarCount, 1);
    const PercentBar& bar = InstallScript.percentBars[0];
    EXPECT_EQ(bar.right, 100);
    EXPECT_EQ(bar.fillDirection, 4);
    EXPECT_EQ(bar.hasBorder, 0);
    EXPECT_EQ(bar.borderColor, 0u);
    EXPECT_EQ(bar.backgroundColor, 0x030201u);
    EXPECT_EQ(bar.fillColor, 0x8000FFu);
    EXPECT_EQ(InstallScript.logicalWidth, 100);
    EXPECT_EQ(InstallScript.logicalHeight, 200);
    FreeInstallScript();

    ExpectValues(S, "PrcPRig_01", {}, {"10", "101", "5"});
    Set(S, "PrcPRig_01", "100");
    ExpectValues(S, "PrcPBot_01", {"200"}, {"20", "201"});
    ExpectValues(S, "WndExtHor", {}, {"99"});
    Set(S, "WndExtHor", "100");
    ExpectValues(S, "PrcFDir_01", {"1"}, {"0", "5"});
    ExpectValues(S, "PrcBord_01", {}, {"1"});  // border colour 999 now read
    Set(S, "PrcBord_01", "1");
    Set(S, "PrcBrdR_01", "255");
    Set(S, "PrcBrdG_01", "255");
    Set(S, "PrcBrdB_01", "0");
    ExpectLoaded();
    EXPECT_EQ(InstallScript.percentBars[0].borderColor, 0x00FFFFu);
    FreeInstallScript();
    ExpectValues(S, "PrcFilB_01", {}, {"256"});
}

TEST_F(ScriptTest, SpeedLevelNeverRejects)
{
    for (const char* ignored : {"7", "-1", "abc", "", "5"}) {
        Set("Other Options", "DefPrgSpd", ignored);
        ExpectLoaded();
        EXPECT_EQ(InstallScript.speedLevel, 2) << ignored;
        FreeInstallScript();
    }
    Set("Other Options", "DefPrgSpd", "4");
    ExpectLoaded();
    EXPECT_EQ(InstallScript.speedLevel, 4);
    ApplySpeedLevel();
    EXPECT_EQ(readPieceSize, 32767);
    EXPECT_EQ(decoderPumpInterval, 8192);
    InstallScript.speedLevel = 0;
    ApplySpeedLevel();
    EXPECT_EQ(storedWritePieceSize, 512);
    EXPECT_EQ(decoderPumpInterval, 128);
    InstallScript.speedLevel = 2;
    ApplySpeedLevel();
}

TEST_F(ScriptTest, NoMemoryReleasesTablesAndUsesTheCaption)
{
    Set("Command Lines", "ExeCLin_01", "ES:3_WS:1 A");
    Set("Check Boxes", "ChckBoxNumber", "1");
    Set("Check Boxes", "BoxText_01", "Box");
    Set("Check Boxes", "BoxStat_01", "1");
    for (int limit = 0; limit < 4; ++limit) {
        SetScriptAllocationLimit(limit);
        shown.clear();
        EXPECT_FALSE(Load());
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Available memory is not enough. ");
        EXPECT_EQ(shown[0].caption, "Sample Setup");
        EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONHAND));
        EXPECT_EQ(InstallScript.commandLines, nullptr);
        EXPECT_EQ(InstallScript.checkBoxes, nullptr);
        EXPECT_EQ(InstallScript.archives, nullptr);
    }
    SetScriptAllocationLimit(4);
    ExpectLoaded();
}

class LocateTest : public ScriptTest {};

TEST_F(LocateTest, CommandLineDirectoryWithKeywordsAndFallback)
{
    // The program's own directory must not hold a script for these checks.
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string beside = module;
    beside = beside.substr(0, beside.rfind('\\') + 1) + "Install.Ini";
    if (GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "a script lies beside the test program";

    // A directory without the file falls back silently, then is not found.
    TestDir empty;
    shown.clear();
    EXPECT_FALSE(LoadInstallScript(empty.path().c_str()));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Cannot open the file 'install.ini'.");
    EXPECT_EQ(shown[0].caption, DEFAULT_CAPTION);
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONHAND));

    // Spaces only, a forbidden keyword, the script keywords (nothing located
    // yet) and an over-long command line do not name the directory.
    std::string tooLong = dir.path() + std::string(300, '.');
    std::string viaIni = "Ini_Dir" + dir.path().substr(3);
    std::string viaDst = "Dst_Roo" + dir.path().substr(3);
    for (const std::string& line : {std::string("   "), viaIni, viaDst, tooLong}) {
        shown.clear();
        EXPECT_FALSE(LoadInstallScript(line.c_str())) << line;
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Cannot open the file 'install.ini'.");
    }

    // Allowed keywords, relative parts and a missing final backslash.
    std::string viaWin = "Win_Roo" + dir.path().substr(3) + "sub\\..";
    EXPECT_TRUE(LoadInstallScript(viaWin.c_str()));
    EXPECT_TRUE(shown.size() == 1u);
    EXPECT_STRCASEEQ(InstallScript.scriptPath, (dir.path() + "Install.Ini").c_str());
}

// The installer's verdict on every script of verdict_cases.txt, which the
// native distcheck must give alike (tests/authoring/distcheck_tests.cpp).
TEST(ScriptVerdicts, EveryCaseOfTheTable)
{
    std::vector<VerdictCase> cases = ReadVerdictCases(ReadTableFile(VERDICT_CASES));
    ASSERT_GT(cases.size(), 40u);
    SetMessageBoxHook(CaptureMessageBox);
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE("verdict_cases.txt line " + std::to_string(c.tableLine));
        TestDir dir;
        WriteFileText(dir / "install.ini", c.script);
        shown.clear();
        bool loaded = LoadInstallScript(dir.path().c_str());
        FreeInstallScript();
        if (c.expect == "accepted") {
            EXPECT_TRUE(loaded);
            EXPECT_TRUE(shown.empty());
            continue;
        }
        EXPECT_FALSE(loaded);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, NOT_CORRECT);
        EXPECT_EQ(shown[0].caption, c.expect == "rejected" ? "Sample Setup" : DEFAULT_CAPTION);
        EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
    SetMessageBoxHook(nullptr);
}

}  // namespace
