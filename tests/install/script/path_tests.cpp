#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>

#include "install/script/install_script.h"
#include "install/script/path_checks.h"
#include "install/script/path_keywords.h"
#include "tests/install/script/test_dir.h"

namespace {

std::string WindowsDir()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof(dir));
    return dir;
}

std::string WithBackslash(std::string dir)
{
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir;
}

std::string CurrentDir()
{
    char dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof(dir), dir);
    return WithBackslash(dir);
}

// A drive letter that names no drive on this machine.
char MissingDrive()
{
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0)
            return letter;
    }
    return 0;
}

class KeywordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&InstallScript, 0, sizeof(InstallScript));
        strcpy(InstallScript.destinationDir, "C:\\APP\\");
        strcpy(InstallScript.sourceDir, "A:\\");
    }
    void TearDown() override { memset(&InstallScript, 0, sizeof(InstallScript)); }

    // Expands into a separate buffer and in place; both must agree.
    std::string Expand(const std::string& text, int capacity = PATH_SIZE)
    {
        char separate[600];
        char inPlace[600];
        strcpy(inPlace, text.c_str());
        bool a = ExpandPathKeywords(text.c_str(), separate, capacity);
        bool b = ExpandPathKeywords(inPlace, inPlace, capacity);
        EXPECT_EQ(a, b) << text;
        if (!a || !b)
            return "<failed>";
        EXPECT_STREQ(separate, inPlace) << text;
        return separate;
    }
};

TEST_F(KeywordTest, KeywordGivesDirectoryAndSwallowsOneBackslash)
{
    EXPECT_EQ(Expand("Dst_DirBIN"), "C:\\APP\\BIN");
    EXPECT_EQ(Expand("Dst_Dir\\BIN"), "C:\\APP\\BIN");
    EXPECT_EQ(Expand("Dst_Dir\\\\BIN"), "C:\\APP\\\\BIN");
    EXPECT_EQ(Expand("Dst_Dir"), "C:\\APP\\");
    EXPECT_EQ(Expand("dst_dir\\BIN"), "dst_dir\\BIN");
    EXPECT_EQ(Expand("XDst_DirY"), "XC:\\APP\\Y");
}

TEST_F(KeywordTest, RootKeywordsAndFinalBackslash)
{
    EXPECT_EQ(Expand("Dst_Roo"), "C:\\");
    EXPECT_EQ(Expand("Dst_RooDATA"), "C:\\DATA");
    // Without a final backslash in the held value one is added.
    strcpy(InstallScript.destinationDir, "D:\\NOSLASH");
    EXPECT_EQ(Expand("Dst_DirX"), "D:\\NOSLASH\\X");
    // Any other form of path: still the first three characters.
    strcpy(InstallScript.destinationDir, "\\\\server\\share\\");
    EXPECT_EQ(Expand("Dst_Roo"), "\\\\s\\");
}

TEST_F(KeywordTest, SeveralKeywordsAndInsertedValuesAreNotSearched)
{
    strcpy(InstallScript.sourceDir, "A:\\Dst_Dir\\");
    EXPECT_EQ(Expand("Src_DirSETUP.EXE Dst_Dir"), "A:\\Dst_Dir\\SETUP.EXE C:\\APP\\");
    // The keyword nearest to the start goes first whatever its table order.
    EXPECT_EQ(Expand("Dst_DirA;Src_DirB;Dst_RooC"), "C:\\APP\\A;A:\\Dst_Dir\\B;C:\\C");
}

TEST_F(KeywordTest, PlatformAndProgramKeywords)
{
    std::string windows = WithBackslash(WindowsDir());
    EXPECT_EQ(Expand("Win_Dir"), windows);
    EXPECT_EQ(Expand("Win_Roo"), windows.substr(0, 3));
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    // The system directory lies on the Windows drive here, so it is used.
    ASSERT_EQ(system[0], windows[0]);
    EXPECT_EQ(Expand("Sys_Dir"), WithBackslash(system));
    EXPECT_EQ(Expand("Sys_Roo"), std::string(system, 3));

    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string program = module;
    EXPECT_EQ(Expand("Prg_Dir"), program.substr(0, program.rfind('\\') + 1));
    EXPECT_EQ(Expand("Prg_Roo"), program.substr(0, 3));
}

TEST_F(KeywordTest, ScriptKeywordsNeedALocatedScript)
{
    char out[PATH_SIZE];
    EXPECT_FALSE(ExpandPathKeywords("Ini_DirX", out, sizeof(out)));
    EXPECT_FALSE(ExpandPathKeywords("Ini_Roo", out, sizeof(out)));
    strcpy(InstallScript.scriptPath, "E:\\DISK1\\Install.Ini");
    EXPECT_EQ(Expand("Ini_DirX"), "E:\\DISK1\\X");
    EXPECT_EQ(Expand("Ini_Roo"), "E:\\");
}

TEST_F(KeywordTest, CapacityCountsTheTerminatingZero)
{
    std::string text127(127, 'x');
    EXPECT_EQ(Expand(text127, 128), text127);
    EXPECT_EQ(Expand(text127 + "y", 128), "<failed>");
    // "C:\APP\" is 7 characters, the same as the keyword it replaces.
    std::string before(120, 'x');
    EXPECT_EQ(Expand(before + "Dst_Dir", 128), before + "C:\\APP\\");
    EXPECT_EQ(Expand(before + "xDst_Dir", 128), "<failed>");
    EXPECT_EQ(Expand(before + "Dst_Dirx", 128), "<failed>");
    EXPECT_EQ(Expand("", 1), "");
    char out[4];
    EXPECT_FALSE(ExpandPathKeywords("x", out, 0));
}

TEST_F(KeywordTest, CheckPathKeywordsTestsOnlyForbiddenGroups)
{
    EXPECT_FALSE(CheckPathKeywords("XWin_DirY", true, true, true, false));
    EXPECT_TRUE(CheckPathKeywords("XWin_DirY", false, false, false, true));
    EXPECT_FALSE(CheckPathKeywords("a Src_Roo b", true, false, true, true));
    EXPECT_FALSE(CheckPathKeywords("Ini_Dir", false, true, true, true));
    EXPECT_FALSE(CheckPathKeywords("Dst_Roo", true, true, false, true));
    EXPECT_TRUE(CheckPathKeywords("src_dir Win_dir", false, false, false, false));
    EXPECT_TRUE(CheckPathKeywords("", false, false, false, false));
}

TEST(TextChecks, BlankZerosDigitsControls)
{
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank("   "));
    EXPECT_FALSE(IsBlank(" \t "));
    EXPECT_FALSE(IsBlank(" a"));

    EXPECT_TRUE(IsAllZeros(""));
    EXPECT_TRUE(IsAllZeros("000"));
    EXPECT_FALSE(IsAllZeros("010"));

    EXPECT_TRUE(IsAllDigits(""));
    EXPECT_TRUE(IsAllDigits("0123456789"));
    EXPECT_FALSE(IsAllDigits("-1"));
    EXPECT_FALSE(IsAllDigits("+1"));
    EXPECT_FALSE(IsAllDigits(" 1"));
    EXPECT_FALSE(IsAllDigits("1.5"));
    EXPECT_FALSE(IsAllDigits("0x10"));
    EXPECT_FALSE(IsAllDigits("1\xb2"));  // superscript two

    EXPECT_TRUE(HasNoControlChars("plain \x7f\xff text"));
    EXPECT_FALSE(HasNoControlChars("tab\there"));
    EXPECT_FALSE(HasNoControlChars("\x1f"));
}

class PathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(sizeof(saved), saved);
        SetCurrentDirectoryA(dir.path().c_str());
    }
    void TearDown() override { SetCurrentDirectoryA(saved); }
    char saved[MAX_PATH];
    TestDir dir;
};

TEST_F(PathTest, QualifyDirectoryForms)
{
    char path[PATH_SIZE] = "";
    ASSERT_TRUE(QualifyDirectory(path, true));
    EXPECT_STRCASEEQ(path, CurrentDir().c_str());

    // A bare drive resolves against that drive's current directory.
    std::string current = CurrentDir();
    strcpy(path, current.substr(0, 2).c_str());
    ASSERT_TRUE(QualifyDirectory(path, true));
    EXPECT_STRCASEEQ(path, current.c_str());

    strcpy(path, "sub\\..\\other\\.\\deeper");
    ASSERT_TRUE(QualifyDirectory(path, false));
    EXPECT_STRCASEEQ(path, (current + "other\\deeper\\").c_str());

    strcpy(path, "C:\\TEMP");
    ASSERT_TRUE(QualifyDirectory(path, true));
    EXPECT_STREQ(path, "C:\\TEMP\\");
}

TEST_F(PathTest, QualifiedDirectoryHoldsAtMost124Characters)
{
    std::string longest = "C:\\" + std::string(120, 'd');  // + "\a.a" = 127
    char path[PATH_SIZE];
    strcpy(path, longest.c_str());
    ASSERT_TRUE(QualifyDirectory(path, false));
    EXPECT_EQ(strlen(path), 124u);
    EXPECT_EQ(std::string(path), longest + "\\");

    std::string tooLong = longest + "d";
    strcpy(path, tooLong.c_str());
    EXPECT_FALSE(QualifyDirectory(path, false));
    EXPECT_EQ(std::string(path), tooLong);  // unchanged

    std::string huge(300, 'h');
    EXPECT_FALSE(QualifyDirectory(&huge[0], false));
}

TEST_F(PathTest, DriveChecks)
{
    char missing = MissingDrive();
    ASSERT_NE(missing, 0);
    std::string onMissing = std::string(1, missing) + ":\\TOOLS";
    EXPECT_TRUE(CheckDrive("no colon here"));
    EXPECT_TRUE(CheckDrive("C:\\TOOLS"));
    EXPECT_FALSE(CheckDrive(onMissing.c_str()));

    // The drive check fails but the path is already qualified.
    char path[PATH_SIZE];
    strcpy(path, onMissing.c_str());
    EXPECT_TRUE(QualifyDirectory(path, false));
    strcpy(path, onMissing.c_str());
    EXPECT_FALSE(QualifyDirectory(path, true));
    EXPECT_EQ(std::string(path), onMissing + "\\");
}

TEST_F(PathTest, DirectoryExistsQualifiesEvenWhenMissing)
{
    char path[PATH_SIZE] = ".";
    EXPECT_TRUE(DirectoryExists(path));  // an empty subdirectory still lists . and ..
    EXPECT_STRCASEEQ(path, dir.path().c_str());

    strcpy(path, "missing");
    EXPECT_FALSE(DirectoryExists(path));
    EXPECT_STRCASEEQ(path, (dir.path() + "missing\\").c_str());
}

TEST_F(PathTest, CreateDirectoryPathNeverCreatesTheFileName)
{
    std::string target = dir.path() + "A\\B\\FILE.EXT";
    char path[PATH_SIZE];
    strcpy(path, target.c_str());
    ASSERT_TRUE(CreateDirectoryPath(path));
    EXPECT_NE(GetFileAttributesA((dir / "A\\B").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);

    // Forward slashes become backslashes; existing levels are kept.
    std::string slashed = dir.path() + "A/C/D/";
    strcpy(path, slashed.c_str());
    ASSERT_TRUE(CreateDirectoryPath(path));
    EXPECT_EQ(std::string(path), dir.path() + "A\\C\\D\\");
    EXPECT_NE(GetFileAttributesA((dir / "A\\C\\D").c_str()), INVALID_FILE_ATTRIBUTES);

    // A file in the way is an error, not a directory.
    WriteFileText(dir / "F", "x");
    std::string blocked = dir.path() + "F\\G\\";
    strcpy(path, blocked.c_str());
    EXPECT_FALSE(CreateDirectoryPath(path));
}

TEST_F(PathTest, BareFileNames)
{
    EXPECT_TRUE(IsBareFileName("DATA.ARC"));
    EXPECT_TRUE(IsBareFileName("data"));
    EXPECT_FALSE(IsBareFileName("SUB\\DATA.ARC"));
    EXPECT_FALSE(IsBareFileName("\\DATA.ARC"));
    EXPECT_FALSE(IsBareFileName("C:DATA.ARC"));
    EXPECT_FALSE(IsBareFileName("C:\\DATA.ARC"));
    EXPECT_FALSE(IsBareFileName("..\\DATA.ARC"));
    EXPECT_FALSE(IsBareFileName("SUB/DATA.ARC"));
}

TEST_F(PathTest, FileSize)
{
    WriteFileText(dir / "empty", "");
    WriteFileText(dir / "some", std::string(1234, 's'));
    EXPECT_EQ(GetFileSizeByName((dir / "empty").c_str()), 0);
    EXPECT_EQ(GetFileSizeByName((dir / "some").c_str()), 1234);
    EXPECT_EQ(GetFileSizeByName((dir / "none").c_str()), -1);
    EXPECT_EQ(GetFileSizeByName(dir.path().c_str()), -1);
}

TEST_F(PathTest, FileTimeAndAttributesReadBack)
{
    std::string file = dir / "stamped.txt";
    WriteFileText(file, "content");
    // 17 May 2020 13:45:30 as MS-DOS date and time.
    WORD date = static_cast<WORD>(((2020 - 1980) << 9) | (5 << 5) | 17);
    WORD time = static_cast<WORD>((13 << 11) | (45 << 5) | (30 / 2));
    uint32_t stamp = (static_cast<uint32_t>(date) << 16) | time;

    ASSERT_TRUE(SetFileTimeAndAttributes(file.c_str(), stamp, FILE_ATTRIBUTE_READONLY, false));
    EXPECT_EQ(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    ASSERT_TRUE(SetFileTimeAndAttributes(file.c_str(), stamp,
                                         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, true));
    DWORD attributes = GetFileAttributesA(file.c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME created, accessed, written;
    ASSERT_TRUE(GetFileTime(h, &created, &accessed, &written));
    CloseHandle(h);
    FILETIME expected;
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &expected));
    EXPECT_EQ(CompareFileTime(&written, &expected), 0);
    EXPECT_EQ(CompareFileTime(&created, &expected), 0);
    WORD readDate, readTime;
    ASSERT_TRUE(FileTimeToDosDateTime(&written, &readDate, &readTime));
    EXPECT_EQ(readDate, date);
    EXPECT_EQ(readTime, time);

    EXPECT_FALSE(SetFileTimeAndAttributes((dir / "missing.txt").c_str(), stamp, 0, true));
    EXPECT_EQ(GetFileAttributesA((dir / "missing.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(SetFileTimeAndAttributes(file.c_str(), 0xFFFFFFFFu, 0, true));  // bad date
}

}  // namespace
