// The options dialog driven from a second thread as a user would: typing
// into its fields, clicking its boxes and buttons, scrolling its list.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/script/transfer_sizes.h"
#include "install/ui/options_dialog.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

// A drive letter that does not exist on this machine.
std::string MissingDrive()
{
    for (char letter = 'Y'; letter > 'D'; letter--) {
        char root[4] = {letter, ':', '\\', '\0'};
        UINT type = GetDriveTypeA(root);
        if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR)
            return std::string(1, letter) + ":";
    }
    return "";
}

class OptionsDialogTest : public ::testing::Test {
protected:
    std::vector<CheckBoxEntry> boxes;
    std::vector<ArchiveEntry> archives;
    std::string source;  // an existing directory holding one file

    static void SetUpTestSuite()
    {
        ResetInstallScript("c:\\", "c:\\");
        CreateTestMainWindow(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
    static void TearDownTestSuite() { DestroyTestMainWindow(); }

    void SetUp() override
    {
        source = MakeTempDirectory("src");
        WriteFileBytes(source + "DATA.ARJ", {1, 2, 3});
        ResetInstallScript(Upper(source).c_str(), "C:\\PROGRAM FILES\\TARVO\\");
        firstVisibleCheckBox = 0;
        SetCheckBoxes(0);
        SetArchives({0});
        SetTransferSizes(DEFAULT_SPEED_LEVEL);
        if (IsIconic(mainWindow))
            ShowWindow(mainWindow, SW_RESTORE);
        StartRecordingMessages();
    }
    void TearDown() override { StopRecordingMessages(); }

    void SetCheckBoxes(int count)
    {
        boxes.assign(count, CheckBoxEntry());
        for (int i = 0; i < count; i++) {
            snprintf(boxes[i].label, NAME_SIZE, "Item %02d", i + 1);
            boxes[i].checked = i % 2;  // items 2, 4, ... start checked
        }
        InstallScript.checkBoxes = count ? boxes.data() : nullptr;
        InstallScript.checkBoxCount = count;
    }
    void SetArchives(const std::vector<int>& checkBoxNumbers)
    {
        archives.assign(checkBoxNumbers.size(), ArchiveEntry());
        for (size_t i = 0; i < archives.size(); i++) {
            snprintf(archives[i].name, ARCHIVE_NAME_SIZE, "PART%zu.ARJ", i + 1);
            archives[i].checkBox = checkBoxNumbers[i];
            archives[i].toInstall = 7;  // neither 0 nor 1: shows whether it was written
        }
        InstallScript.archives = archives.data();
        InstallScript.archiveCount = (int)archives.size();
    }
};

struct Observed {
    std::string sourceText, destinationText, caption;
    RECT rect = {};
    bool scrollVisible = false;
    bool boxVisible[6] = {};
    std::string labels[6];
    int checks[6] = {};
    HWND focus = nullptr, destinationField = nullptr;
    std::string typedName;
    std::string missingDrive;
    std::string newDestination;
    std::vector<std::string> afterClicks;
    int scrollMin = -1, scrollMax = -1;
    std::vector<int> positions;
    std::vector<std::string> firstLabels;
    std::vector<int> firstChecks;
};

void ReadDialog(HWND dialog, DWORD thread, Observed* o)
{
    char text[64];
    GetWindowTextA(dialog, text, sizeof(text));
    o->caption = text;
    GetWindowRect(dialog, &o->rect);
    o->sourceText = ControlText(dialog, IDC_SOURCE_FIELD);
    o->destinationText = ControlText(dialog, IDC_DESTINATION_FIELD);
    o->scrollVisible = IsWindowVisible(GetDlgItem(dialog, IDC_CHECK_SCROLL)) != 0;
    for (int i = 0; i < 6; i++) {
        o->boxVisible[i] = IsWindowVisible(GetDlgItem(dialog, IDC_CHECK_FIRST + i)) != 0;
        o->labels[i] = ControlText(dialog, IDC_CHECK_FIRST + i);
        o->checks[i] = (int)SendMessageA(GetDlgItem(dialog, IDC_CHECK_FIRST + i), BM_GETCHECK, 0, 0);
    }
    o->focus = FocusOfThread(thread);
    o->destinationField = GetDlgItem(dialog, IDC_DESTINATION_FIELD);
}

TEST_F(OptionsDialogTest, OpensAtTheBottomWithCaptionLowerCasePathsAndFocusOnTheDestination)
{
    SetCheckBoxes(4);
    Observed o;
    bool result;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            ReadDialog(dialog, thread, (Observed*)context);
            ClickButton(dialog, IDCANCEL);
        }, &o);
        result = ShowOptionsDialog();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(o.caption, "Tarvo Test Setup");
    EXPECT_EQ(o.sourceText, Lower(source));
    EXPECT_EQ(o.destinationText, "c:\\program files\\tarvo\\");
    // The stored settings were lower-cased too.
    EXPECT_EQ(std::string(InstallScript.destinationDir), "c:\\program files\\tarvo\\");
    EXPECT_EQ(o.focus, o.destinationField);
    int w = o.rect.right - o.rect.left, h = o.rect.bottom - o.rect.top;
    EXPECT_EQ(o.rect.left, (ScreenMetrics.screenWidth - w) / 2);
    EXPECT_EQ(o.rect.top, ScreenMetrics.screenHeight - 2 * ScreenMetrics.frameHeight - h);
    // Four boxes: the last two and the scroll bar are hidden.
    EXPECT_FALSE(o.scrollVisible);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(o.boxVisible[i], i < 4) << "box " << i + 1;
    EXPECT_EQ(o.labels[0], "Item 01");
    EXPECT_EQ(o.labels[3], "Item 04");
    EXPECT_EQ(o.checks[0], BST_UNCHECKED);
    EXPECT_EQ(o.checks[1], BST_CHECKED);
    EXPECT_TRUE(RecordedMessages().empty());
    // Cancelled: no archive was decided on, and the speed level stays.
    EXPECT_EQ(archives[0].toInstall, 7);
}

TEST_F(OptionsDialogTest, CentredOnTheScreenWhenTheMainWindowIsMinimized)
{
    ShowWindow(mainWindow, SW_MINIMIZE);
    PumpMessages();
    Observed o;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            GetWindowRect(dialog, &((Observed*)context)->rect);
            ClickButton(dialog, IDCANCEL);
        }, &o);
        ShowOptionsDialog();
    }
    ShowWindow(mainWindow, SW_RESTORE);
    int w = o.rect.right - o.rect.left, h = o.rect.bottom - o.rect.top;
    EXPECT_EQ(o.rect.left, (ScreenMetrics.screenWidth - w) / 2);
    EXPECT_EQ(o.rect.top, (ScreenMetrics.screenHeight - h) / 2);
}

TEST_F(OptionsDialogTest, RejectsBadSourceAndDestinationThenAcceptsANewDestination)
{
    Observed o;
    o.missingDrive = MissingDrive();
    ASSERT_FALSE(o.missingDrive.empty());
    o.newDestination = MakeTempDirectory("dst") + "not\\yet";
    o.typedName = source;
    bool result;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            Observed* o = (Observed*)context;
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            HWND sourceField = GetDlgItem(dialog, IDC_SOURCE_FIELD);
            HWND destinationField = GetDlgItem(dialog, IDC_DESTINATION_FIELD);
            auto attempt = [&](int field, const std::string& text, HWND expectFocus) {
                TypeText(dialog, field, text.c_str());
                ClickButton(dialog, IDOK);
                Sleep(100);
                SendMessageA(dialog, WM_NULL, 0, 0);
                o->afterClicks.push_back(IsWindow(dialog) ? "open" : "closed");
                if (expectFocus != nullptr && IsWindow(dialog)) {
                    EXPECT_EQ(WaitForFocus(thread, expectFocus), expectFocus) << text;
                }
            };
            attempt(IDC_SOURCE_FIELD, "", sourceField);
            attempt(IDC_SOURCE_FIELD, "    ", sourceField);
            attempt(IDC_SOURCE_FIELD, o->missingDrive + "\\setup", sourceField);
            TypeText(dialog, IDC_SOURCE_FIELD, "");
            // A source with an existing drive but no such directory.
            attempt(IDC_SOURCE_FIELD, "c:\\no such directory\\at all", sourceField);
            TypeText(dialog, IDC_SOURCE_FIELD, o->typedName.c_str());
            attempt(IDC_DESTINATION_FIELD, "   ", destinationField);
            attempt(IDC_DESTINATION_FIELD, o->missingDrive + "\\tarvo", destinationField);
            attempt(IDC_DESTINATION_FIELD, o->newDestination, nullptr);
        }, &o);
        result = ShowOptionsDialog();
    }
    EXPECT_TRUE(result);
    std::vector<std::string> expectedStates = {"open", "open", "open", "open", "open", "open", "closed"};
    EXPECT_EQ(o.afterClicks, expectedStates);
    auto shown = RecordedMessages();
    ASSERT_EQ(shown.size(), 6u);
    for (size_t i = 0; i < shown.size(); i++) {
        EXPECT_EQ(shown[i].text, i < 4 ? "The specified source path is invalid."
                                       : "The specified destination path is invalid.")
            << i;
        EXPECT_EQ(shown[i].caption, "Tarvo Test Setup");
        EXPECT_EQ(shown[i].type & MB_ICONMASK, (UINT)MB_ICONEXCLAMATION);
        EXPECT_NE(shown[i].owner, nullptr);
        EXPECT_NE(shown[i].owner, mainWindow);  // owned by the dialog
    }
    // Both settings hold the confirmed, qualified, lower-case paths; the new
    // destination is not created here.
    EXPECT_EQ(std::string(InstallScript.sourceDir), Lower(source));
    EXPECT_EQ(std::string(InstallScript.destinationDir), Lower(o.newDestination) + "\\");
    EXPECT_EQ(GetFileAttributesA(o.newDestination.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(OptionsDialogTest, FieldsTypeInLowerCaseAndHoldSixtyFourCharacters)
{
    Observed o;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            Observed* o = (Observed*)context;
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            TypeText(dialog, IDC_DESTINATION_FIELD, "C:\\Tarvo\\APP");
            o->destinationText = ControlText(dialog, IDC_DESTINATION_FIELD);
            TypeText(dialog, IDC_SOURCE_FIELD, std::string(70, 'X').c_str());
            o->sourceText = ControlText(dialog, IDC_SOURCE_FIELD);
            ClickButton(dialog, IDCANCEL);
        }, &o);
        ShowOptionsDialog();
    }
    EXPECT_EQ(o.destinationText, "c:\\tarvo\\app");
    EXPECT_EQ(o.sourceText, std::string(64, 'x'));
}

TEST_F(OptionsDialogTest, TenCheckBoxesScrollAndKeepTheirStates)
{
    SetCheckBoxes(10);
    SetArchives({0, 1, 2, 5, 10});
    InstallScript.speedLevel = 4;
    Observed o;
    bool result;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            Observed* o = (Observed*)context;
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            ReadDialog(dialog, thread, o);
            SavePng(CaptureDialog(dialog), "options_dialog");
            HWND scroll = GetDlgItem(dialog, IDC_CHECK_SCROLL);
            int low = -1, high = -1;
            GetScrollRange(scroll, SB_CTL, &low, &high);
            o->scrollMin = low;
            o->scrollMax = high;
            auto scrollBy = [&](int code, int position) {
                // What the scroll bar sends its parent when it is clicked.
                SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(code, position), (LPARAM)scroll);
                o->positions.push_back(GetScrollPos(scroll, SB_CTL));
                o->firstLabels.push_back(ControlText(dialog, IDC_CHECK_FIRST));
                o->firstChecks.push_back((int)SendMessageA(GetDlgItem(dialog, IDC_CHECK_FIRST),
                                                           BM_GETCHECK, 0, 0));
            };
            scrollBy(SB_LINEUP, 0);      // stays at 0
            ClickButton(dialog, IDC_CHECK_FIRST);  // item 1 becomes checked
            ClickButton(dialog, IDC_CHECK_FIRST + 1);  // item 2 becomes unchecked
            scrollBy(SB_PAGEDOWN, 0);    // 0 -> 4, not 6
            scrollBy(SB_PAGEDOWN, 0);    // stays at 4
            scrollBy(SB_LINEUP, 0);      // 3
            scrollBy(SB_THUMBTRACK, 1);  // 1
            scrollBy(SB_THUMBPOSITION, 3);  // end of a drag: unchanged
            scrollBy(SB_BOTTOM, 0);      // 4
            ClickButton(dialog, IDC_CHECK_FIRST + 5);  // item 10 becomes unchecked
            scrollBy(SB_TOP, 0);         // back to 0: item 1 still checked
            scrollBy(SB_LINEDOWN, 0);    // 1
            scrollBy(SB_PAGEUP, 0);      // 0
            ClickButton(dialog, IDOK);
        }, &o);
        result = ShowOptionsDialog();
    }
    EXPECT_TRUE(result);
    EXPECT_TRUE(o.scrollVisible);
    for (int i = 0; i < 6; i++)
        EXPECT_TRUE(o.boxVisible[i]);
    EXPECT_EQ(o.scrollMin, 0);
    EXPECT_EQ(o.scrollMax, 4);
    std::vector<int> positions = {0, 4, 4, 3, 1, 1, 4, 0, 1, 0};
    EXPECT_EQ(o.positions, positions);
    std::vector<std::string> labels = {"Item 01", "Item 05", "Item 05", "Item 04", "Item 02",
                                       "Item 02", "Item 05", "Item 01", "Item 02", "Item 01"};
    EXPECT_EQ(o.firstLabels, labels);
    // Box 1 shows item 1 (checked by the click), item 5 (unchecked), item 4
    // (checked), item 2 (unchecked by the click), ...
    std::vector<int> checks = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1};
    EXPECT_EQ(o.firstChecks, checks);
    EXPECT_EQ(boxes[0].checked, 1);
    EXPECT_EQ(boxes[1].checked, 0);
    EXPECT_EQ(boxes[9].checked, 0);
    // Archives: number 0 always, then items 1, 2, 5 and 10.
    EXPECT_EQ(archives[0].toInstall, 1);
    EXPECT_EQ(archives[1].toInstall, 1);
    EXPECT_EQ(archives[2].toInstall, 0);
    EXPECT_EQ(archives[3].toInstall, 0);
    EXPECT_EQ(archives[4].toInstall, 0);
    // The speed level took effect on Install.
    EXPECT_EQ(readPieceSize, 32767);
    // The first visible box is kept for the next use of the dialog.
    EXPECT_EQ(firstVisibleCheckBox, 0);
}

TEST_F(OptionsDialogTest, WithoutCheckBoxesEverythingIsHiddenAndArchivesWithNumberZeroInstall)
{
    SetArchives({0, 0});
    Observed o;
    bool result;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            ReadDialog(dialog, thread, (Observed*)context);
            ClickButton(dialog, IDOK);
        }, &o);
        result = ShowOptionsDialog();
    }
    EXPECT_TRUE(result);
    EXPECT_FALSE(o.scrollVisible);
    for (int i = 0; i < 6; i++)
        EXPECT_FALSE(o.boxVisible[i]);
    EXPECT_EQ(archives[0].toInstall, 1);
    EXPECT_EQ(archives[1].toInstall, 1);
}

TEST_F(OptionsDialogTest, CancelKeepsClickedStatesButDecidesNothing)
{
    SetCheckBoxes(2);
    SetArchives({1});
    InstallScript.speedLevel = 0;
    bool result;
    {
        DialogDriver driver([](DWORD thread, void*) {
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            ClickButton(dialog, IDC_CHECK_FIRST);
            // The close command of the system menu is the Cancel button.
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }, nullptr);
        result = ShowOptionsDialog();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(boxes[0].checked, 1);
    EXPECT_EQ(archives[0].toInstall, 7);
    EXPECT_EQ(readPieceSize, SpeedLevelTable[DEFAULT_SPEED_LEVEL].readPieceSize);
}

}  // namespace
