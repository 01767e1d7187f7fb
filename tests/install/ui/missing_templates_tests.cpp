// A program without the installer's resources: the dialogs cannot be
// created at all, and nothing may count as the user's answer.
#include <gtest/gtest.h>

#include <cstring>

#include "install/core/install_status.h"
#include "install/script/install_script.h"
#include "install/setup/disk_prompts.h"
#include "install/ui/options_dialog.h"
#include "install/ui/program_manager.h"
#include "tests/install/ui/fake_progman.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

TEST(MissingTemplates, OptionsStepFailsWithTheMemoryMessage)
{
    ResetInstallScript("c:\\", "c:\\");
    ArchiveEntry archive = {};
    archive.toInstall = 0;
    InstallScript.archives = &archive;
    InstallScript.archiveCount = 1;
    finishMessage[0] = '\0';
    EXPECT_FALSE(ShowOptionsDialog());
    EXPECT_STREQ(finishMessage, "Available memory is not enough. ");
    EXPECT_EQ(archive.toInstall, 0);
    InstallScript.archives = nullptr;
    InstallScript.archiveCount = 0;
}

TEST(MissingTemplates, PromptsThatCannotBeShownKeepTheFileAndStop)
{
    ResetInstallScript("c:\\", "c:\\");
    CreateTestMainWindow(0, 0, 200, 100);
    EXPECT_EQ(AskOverwrite("a.txt"), OVERWRITE_NO);
    EXPECT_FALSE(AskNextDiskette());
    EXPECT_TRUE(IsWindowEnabled(mainWindow));
    DestroyTestMainWindow();
}

TEST(MissingTemplates, GroupStepReportsTheMemoryMessageAndLeavesTheClosingMessageToTheCaller)
{
    // The group list arrives, but its dialog cannot be shown: the step says
    // why and counts as not done, so that the closing message follows.
    ResetInstallScript("c:\\", "c:\\");
    strcpy(InstallScript.iconGroup, "Tarvo");
    ProgramItemEntry item = {"Notes", "Dst_DirNOTES.EXE", 0};
    InstallScript.programItems = &item;
    InstallScript.programItemCount = 1;
    CreateTestMainWindow(0, 0, 200, 100);
    StartRecordingMessages();
    ASSERT_TRUE(StartFakeProgman(FakeProgmanSetup()));
    EXPECT_FALSE(RunProgramManagerStep());
    std::vector<std::string> log = EventTexts(StopFakeProgman());
    StopRecordingMessages();
    EXPECT_EQ(log, std::vector<std::string>({"initiate", "request PROGMAN 1", "ack 8000", "terminate"}));
    std::vector<RecordedMessage> shown = RecordedMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Available memory is not enough. ");
    EXPECT_EQ(shown[0].caption, "Tarvo Test Setup");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(shown[0].owner, mainWindow);
    DestroyTestMainWindow();
    InstallScript.programItems = nullptr;
    InstallScript.programItemCount = 0;
}

}  // namespace
