// In-process tests of the installation flow's own logic: the failure texts
// and their shortening, the Program Manager command strings and group list,
// the selection of program items, the creation of destination directories
// and the archive installation with its progress.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "install/core/install_status.h"
#include "install/script/install_script.h"
#include "install/setup/file_installation.h"
#include "install/shell/main_window.h"
#include "install/ui/program_manager.h"
#include "install/ui/progress_display.h"
#include "tests/install/e2e/e2e_driver.h"

namespace {

const char TERMINATED_TEXT[] = "Installation process is terminated.";

std::string LongName(size_t length)
{
    std::string name = "C:\\";
    while (name.size() < length - 8)
        name += "DIRECTORY\\";
    name.resize(length - 8);
    return name + "\\END.TXT";
}

TEST(FinishTexts, ShortNamesAreInsertedWholeAndLowerCased)
{
    SetFinishMessageWithName("Cannot create the file '%s'. ", "C:\\APP\\README.TXT");
    EXPECT_STREQ(finishMessage, "Cannot create the file 'c:\\app\\readme.txt'. ");
}

TEST(FinishTexts, LongNamesLoseTheirMiddleSoThatTheSentenceFits)
{
    std::string name = LongName(250);
    SetFinishMessageWithName("Cannot create the file '%s'. ", name.c_str());
    std::string text = finishMessage;
    EXPECT_LE(text.size() + strlen(TERMINATED_TEXT), 255u);
    EXPECT_EQ(text.rfind("Cannot create the file 'c:\\directory\\", 0), 0u);
    EXPECT_NE(text.find("..."), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 11), "\\end.txt'. ");

    char shown[FINISH_MESSAGE_SIZE];
    ComposeFinishText(finishMessage, shown, sizeof shown);
    EXPECT_EQ(std::string(shown), text + TERMINATED_TEXT);
}

TEST(FinishTexts, TextCutBeforeItsClosingQuoteStillEndsWithTheWholeSentence)
{
    // A text whose name did not fit: cut at 255 characters. A name that
    // starts with an apostrophe has no closing quote after it either.
    for (std::string nameStart : {"x", "'"}) {
        SCOPED_TRACE("name starting with " + nameStart);
        std::string stored = "Disk full or error writing the file '" + nameStart + std::string(300, 'x');
        stored.resize(255);
        struct {
            char text[FINISH_MESSAGE_SIZE];
            char guard[8];
        } shown;
        memset(shown.guard, '#', sizeof shown.guard);
        ComposeFinishText(stored.c_str(), shown.text, sizeof shown.text);
        EXPECT_EQ(std::string(shown.guard, sizeof shown.guard), std::string(sizeof shown.guard, '#'))
            << "written past the buffer";
        std::string text(shown.text, strnlen(shown.text, sizeof shown.text));
        EXPECT_LE(text.size(), 255u);
        EXPECT_EQ(text.rfind("Disk full or error writing the file '" + nameStart + "xx", 0), 0u);
        EXPECT_NE(text.find("xxx...xxx"), std::string::npos);
        EXPECT_EQ(text.substr(text.size() - std::min<size_t>(text.size(), 39)),
                  "x'. Installation process is terminated.");
    }
}

TEST(FinishTexts, FittingTextsAreShownUnchanged)
{
    char shown[FINISH_MESSAGE_SIZE];
    ComposeFinishText("Reading or unpacking error in 'data.arj'. ", shown, sizeof shown);
    EXPECT_STREQ(shown, "Reading or unpacking error in 'data.arj'. Installation process is terminated.");
}

TEST(ProgramManagerCommands, AreFormattedWithoutQuoting)
{
    char out[512];
    ASSERT_TRUE(FormatCreateGroup(out, sizeof out, "Tarvo Notes"));
    EXPECT_STREQ(out, "[CreateGroup(Tarvo Notes)]");
    ASSERT_TRUE(FormatReplaceItem(out, sizeof out, "Read Me"));
    EXPECT_STREQ(out, "[ReplaceItem(Read Me)]");
    ASSERT_TRUE(FormatAddItem(out, sizeof out, "C:\\APP\\NOTES.EXE NOTES.INI", "Read Me"));
    EXPECT_STREQ(out, "[AddItem(C:\\APP\\NOTES.EXE NOTES.INI,Read Me)]");
    EXPECT_FALSE(FormatCreateGroup(out, 10, "Tarvo Notes"));
}

void CollectName(const char* name, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(name);
}

TEST(ProgramManagerGroups, EveryLineEndedByCrLfIsOneNameCutTo63Characters)
{
    std::vector<std::string> names;
    std::string longName(70, 'g');
    std::string list = "Accessories\r\n" + longName + "\r\n\r\nGames\r\nLast";
    ForEachGroupName(list.c_str(), CollectName, &names);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "Accessories");
    EXPECT_EQ(names[1], std::string(63, 'g'));
    EXPECT_EQ(names[2], "");
    EXPECT_EQ(names[3], "Games");
}

// A script record built by hand, released at the end of each test.
class ScriptFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&InstallScript, 0, sizeof InstallScript);
        strcpy(InstallScript.caption, "Flow Test");
        InstallScript.speedLevel = 2;
        ApplySpeedLevel();
        finishMessage[0] = '\0';
    }

    void TearDown() override
    {
        delete[] InstallScript.checkBoxes;
        delete[] InstallScript.programItems;
        delete[] InstallScript.archives;
        memset(&InstallScript, 0, sizeof InstallScript);
    }

    void SetCheckBoxes(std::vector<int> states)
    {
        InstallScript.checkBoxCount = static_cast<int32_t>(states.size());
        InstallScript.checkBoxes = new CheckBoxEntry[states.size()]();
        for (size_t i = 0; i < states.size(); i++)
            InstallScript.checkBoxes[i].checked = states[i];
    }

    void SetItems(std::vector<int> boxes)
    {
        InstallScript.programItemCount = static_cast<int32_t>(boxes.size());
        InstallScript.programItems = new ProgramItemEntry[boxes.size()]();
        for (size_t i = 0; i < boxes.size(); i++)
            InstallScript.programItems[i].checkBox = boxes[i];
    }

    ArchiveEntry* SetArchives(size_t count)
    {
        InstallScript.archiveCount = static_cast<int32_t>(count);
        InstallScript.archives = new ArchiveEntry[count]();
        return InstallScript.archives;
    }
};

using ProgramItemSelection = ScriptFixture;

TEST_F(ProgramItemSelection, FollowsTheCheckBoxes)
{
    SetCheckBoxes({1, 0});
    SetItems({0, 1, 2});
    EXPECT_TRUE(IsProgramItemSelected(0));
    EXPECT_TRUE(IsProgramItemSelected(1));
    EXPECT_FALSE(IsProgramItemSelected(2));
    EXPECT_TRUE(AnyProgramItemSelected());
}

TEST_F(ProgramItemSelection, NoneSelectedSkipsTheStepWithoutAConversation)
{
    SetCheckBoxes({0});
    SetItems({1, 1});
    EXPECT_FALSE(AnyProgramItemSelected());
    EXPECT_FALSE(RunProgramManagerStep());
}

class DirectoryFixture : public ScriptFixture {
protected:
    void SetUp() override
    {
        ScriptFixture::SetUp();
        root_ = TempRoot() + "flow_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(root_);
        ASSERT_TRUE(MakeDirectories(root_));
        root_ += "\\";
        strcpy(InstallScript.destinationDir, root_.c_str());
    }

    void TearDown() override
    {
        RemoveTree(root_.substr(0, root_.size() - 1));
        ScriptFixture::TearDown();
    }

    bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string root_;
};

using DestinationDirectories = DirectoryFixture;

TEST_F(DestinationDirectories, AreMadeForSelectedArchivesAndForcedOnes)
{
    ArchiveEntry* archives = SetArchives(3);
    strcpy(archives[0].destination, "Dst_DirBIN\\TOOLS");
    archives[0].toInstall = 1;
    strcpy(archives[1].destination, "Dst_DirDATA");
    archives[1].createDirectory = 1;  // not selected, still created
    strcpy(archives[2].destination, "Dst_DirSKIPPED");
    EXPECT_TRUE(CreateDestinationDirectories());
    EXPECT_TRUE(Exists(root_ + "BIN\\TOOLS"));
    EXPECT_TRUE(Exists(root_ + "DATA"));
    EXPECT_FALSE(Exists(root_ + "SKIPPED"));
}

TEST_F(DestinationDirectories, StopAtTheFirstThatCannotBeMade)
{
    ArchiveEntry* archives = SetArchives(2);
    ASSERT_TRUE(WriteWholeFile(root_ + "FILE", "x"));
    strcpy(archives[0].destination, "Dst_DirFILE\\SUB");  // a file stands in the way
    archives[0].toInstall = 1;
    strcpy(archives[1].destination, "Dst_DirLATER");
    archives[1].toInstall = 1;
    EXPECT_FALSE(CreateDestinationDirectories());
    EXPECT_FALSE(Exists(root_ + "LATER"));
}

using ArchiveInstallation = DirectoryFixture;

TEST_F(ArchiveInstallation, NothingSelectedReadsNothingAndReachesFullProgress)
{
    ArchiveEntry* archives = SetArchives(1);
    strcpy(archives[0].name, "MISSING.ARJ");
    strcpy(archives[0].destination, "Dst_Dir");
    archives[0].size = 1;
    strcpy(InstallScript.sourceDir, root_.c_str());
    progressPercent = 0;
    EXPECT_TRUE(InstallArchives());
    EXPECT_EQ(progressPercent, 100);
}

TEST_F(ArchiveInstallation, InstallsEveryEntryAndClearsTheFlag)
{
    ArchiveEntry* archives = SetArchives(1);
    strcpy(archives[0].name, "MAIN.ARJ");
    strcpy(archives[0].destination, "Dst_DirOUT");
    archives[0].size = 5;
    archives[0].replaceMode = 2;
    archives[0].toInstall = 1;
    strcpy(InstallScript.sourceDir, FixtureDir().c_str());
    progressPercent = 0;
    ASSERT_TRUE(InstallArchives()) << finishMessage;
    EXPECT_EQ(archives[0].toInstall, 0);
    EXPECT_EQ(progressPercent, 100);
    std::string installed;
    ASSERT_TRUE(ReadWholeFile(root_ + "out\\data\\table.dat", &installed));
    std::string original;
    ASSERT_TRUE(ReadWholeFile(FixtureDir() + "src\\main\\Data\\Table.DAT", &original));
    EXPECT_TRUE(installed == original);
}

TEST_F(ArchiveInstallation, KeepModeLeavesExistingFilesAndStillAdvances)
{
    ArchiveEntry* archives = SetArchives(1);
    strcpy(archives[0].name, "REPL1.ARJ");
    strcpy(archives[0].destination, "Dst_Dir");
    archives[0].size = 1;
    archives[0].replaceMode = 0;
    archives[0].toInstall = 1;
    strcpy(InstallScript.sourceDir, FixtureDir().c_str());
    ASSERT_TRUE(WriteWholeFile(root_ + "a.txt", "old"));
    progressPercent = 0;
    ASSERT_TRUE(InstallArchives()) << finishMessage;
    EXPECT_EQ(progressPercent, 100);
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(root_ + "a.txt", &kept));
    EXPECT_EQ(kept, "old");
    EXPECT_TRUE(Exists(root_ + "b.txt"));
}

TEST_F(ArchiveInstallation, DamagedArchiveNamesItselfInTheReadError)
{
    ArchiveEntry* archives = SetArchives(1);
    strcpy(archives[0].name, "SHORT.ARJ");
    strcpy(archives[0].destination, "Dst_Dir");
    archives[0].size = 1;
    archives[0].toInstall = 1;
    strcpy(InstallScript.sourceDir, FixtureDir().c_str());
    EXPECT_FALSE(InstallArchives());
    EXPECT_STREQ(finishMessage, "Reading or unpacking error in 'short.arj'. ");
}

bool HoldsNothing(const std::string& directory)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((directory + "*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do
        empty = empty && (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0);
    while (FindNextFileA(search, &data));
    FindClose(search);
    return empty;
}

TEST_F(ArchiveInstallation, NamesThatWindowsWouldShortenOrThatNameDevicesAreReadErrorsAndCreateNothing)
{
    // Entry names with a part "..." or "...." (which Windows parses as
    // ".."), a part ending in a dot or a space, "..." stored as 0xAE bytes
    // by another system, and names of devices (NUL, SUB\NUL.TXT, AUX.TXT,
    // COM1): refused before any directory is made or any file opened.
    ArchiveEntry* archives = SetArchives(1);
    strcpy(archives[0].destination, "Dst_DirA\\B");
    archives[0].size = 1;
    archives[0].replaceMode = 2;
    strcpy(InstallScript.sourceDir, ARJ_FIXTURE_DIR "\\");  // Wine takes the mixed separators
    for (const char* name : {"dots3.arj", "dots4.arj", "enddot.arj", "endspace.arj", "highdots.arj",
                             "devnul.arj", "devsub.arj", "devaux.arj", "devcom.arj"}) {
        strcpy(archives[0].name, name);
        archives[0].toInstall = 1;
        EXPECT_FALSE(InstallArchives()) << name;
        EXPECT_EQ(std::string(finishMessage), "Reading or unpacking error in '" + std::string(name) + "'. ");
        EXPECT_TRUE(HoldsNothing(root_)) << name;
        RemoveTree(root_ + "A");
    }
}

TEST_F(ArchiveInstallation, SizeClaimedFarBeyondTheDataIsAReadErrorAtOnce)
{
    // About 150 bytes that claim 2^31 - 1; the decoder's text names the
    // archive lower-cased as the rest of the installer does (CharLowerA).
    ASSERT_TRUE(MakeDirectories(root_ + "SRC"));
    ArchiveEntry* archives = SetArchives(1);
    strcpy(archives[0].destination, "Dst_DirOUT");
    archives[0].size = 1;
    archives[0].replaceMode = 2;
    strcpy(InstallScript.sourceDir, (root_ + "SRC\\").c_str());
    for (const char* fixture : {"huge1.arj", "huge4.arj"}) {
        std::string name = std::string("HUGE") + fixture[4] + "\xC4.ARJ";  // A with diaeresis
        std::string source = std::string(ARJ_FIXTURE_DIR "/") + fixture;
        ASSERT_TRUE(CopyFileA(source.c_str(), (root_ + "SRC\\" + name).c_str(), FALSE));
        std::string lower = name;
        CharLowerA(&lower[0]);
        ASSERT_EQ(lower[5], '\xE4') << "the code page has no lower-case letter for 0xC4";
        strcpy(archives[0].name, name.c_str());
        archives[0].toInstall = 1;
        EXPECT_FALSE(InstallArchives());
        EXPECT_EQ(std::string(finishMessage), "Reading or unpacking error in '" + lower + "'. ");
        HANDLE output = CreateFileA((root_ + "OUT\\zeros.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(output, INVALID_HANDLE_VALUE);
        EXPECT_LE(GetFileSize(output, nullptr), 4000u + 256u);  // the data's bytes, a match more
        CloseHandle(output);
    }
}

TEST_F(ArchiveInstallation, LargestWeightsAddUpWithoutOverflow)
{
    // Two selected archives of the largest weight: their sum needs more than
    // 32 bits. The damaged first one stops the run with at most its own half.
    ArchiveEntry* archives = SetArchives(2);
    strcpy(archives[0].name, "SHORT.ARJ");
    strcpy(archives[1].name, "MAIN.ARJ");
    for (int i = 0; i < 2; i++) {
        strcpy(archives[i].destination, "Dst_Dir");
        archives[i].size = 2147483647;
        archives[i].toInstall = 1;
    }
    strcpy(InstallScript.sourceDir, FixtureDir().c_str());
    progressPercent = 0;
    EXPECT_FALSE(InstallArchives());
    EXPECT_LE(progressPercent, 50);
}

}  // namespace
