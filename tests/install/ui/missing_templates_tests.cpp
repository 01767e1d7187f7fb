// A program without the installer's resources: the dialogs cannot be
// created at all, and nothing may count as the user's answer.
#include <gtest/gtest.h>

#include <cstring>

#include "install/setup/disk_prompts.h"
#include "install/script/install_script.h"
#include "install/shell/install_status.h"
#include "install/ui/options_dialog.h"
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

}  // namespace
