// The overwrite and next-diskette prompts, driven from a second thread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/setup/disk_prompts.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

HWND CreateTestPanel()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
        wc.lpszClassName = "TestPanel";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND panel = CreateWindowExA(0, "TestPanel", "", WS_POPUP | WS_BORDER | WS_VISIBLE, 100, 600,
                                 400, 80, mainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    PumpMessages();
    return panel;
}

class PromptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ResetInstallScript("c:\\", "c:\\");
        CreateTestMainWindow(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        infoPanel = CreateTestPanel();
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(infoPanel);
        infoPanel = nullptr;
        DestroyTestMainWindow();
    }
    void SetUp() override
    {
        ResetInstallScript("C:\\DISK1\\", "c:\\");
        if (IsIconic(mainWindow))
            ShowWindow(mainWindow, SW_RESTORE);
        StartRecordingMessages();
    }
    void TearDown() override { StopRecordingMessages(); }
};

struct PromptSeen {
    int answerId = 0;
    std::string caption, question, fieldText;
    RECT rect = {};
    bool iconPlaceVisible = true;
    HWND owner = nullptr;
    bool mainEnabled = true;
    bool stillOpenAfterEscape = false;
    std::string typed;
    std::vector<std::string> states;
};

void ReadPrompt(HWND dialog, PromptSeen* seen)
{
    char text[128];
    GetWindowTextA(dialog, text, sizeof(text));
    seen->caption = text;
    GetWindowRect(dialog, &seen->rect);
    seen->question = ControlText(dialog, IDC_QUESTION_LINE);
    seen->fieldText = ControlText(dialog, IDC_SOURCE_FIELD);
    seen->iconPlaceVisible = IsWindowVisible(GetDlgItem(dialog, IDC_ICON_PLACE)) != 0;
    seen->owner = GetWindow(dialog, GW_OWNER);
    seen->mainEnabled = IsWindowEnabled(mainWindow) != 0;
}

void ExpectCentred(const RECT& r)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, (ScreenMetrics.screenWidth - w) / 2);
    EXPECT_EQ(r.top, (ScreenMetrics.screenHeight - h) / 2);
}

TEST_F(PromptTest, OverwritePromptReturnsEachOfItsFourAnswers)
{
    for (int answer : {IDC_ANSWER_YES, IDC_ANSWER_NO, IDC_ANSWER_YES_TO_ALL, IDC_ANSWER_NO_TO_ALL}) {
        PromptSeen seen;
        seen.answerId = answer;
        int32_t result;
        {
            DialogDriver driver([](DWORD thread, void* context) {
                PromptSeen* seen = (PromptSeen*)context;
                HWND dialog = WaitForDialog(thread);
                if (dialog == nullptr)
                    return;
                ReadPrompt(dialog, seen);
                ClickButton(dialog, seen->answerId);
            }, &seen, IDC_ANSWER_NO);
            result = AskOverwrite("BIN\\README.TXT");
        }
        EXPECT_EQ(result, answer);
        EXPECT_EQ(seen.caption, "Tarvo Test Setup");
        EXPECT_EQ(seen.question, "The file 'bin\\readme.txt' already exists.");
        EXPECT_FALSE(seen.iconPlaceVisible);
        ExpectCentred(seen.rect);
        // Over the panel: owned by it, with the main window disabled meanwhile.
        EXPECT_EQ(seen.owner, infoPanel);
        EXPECT_FALSE(seen.mainEnabled);
        EXPECT_TRUE(IsWindowEnabled(mainWindow));
    }
    // The answer is the caller's to remember.
    EXPECT_EQ(overwriteAnswer, OVERWRITE_YES);
}

TEST_F(PromptTest, OverwritePromptIgnoresEscapeAndTheCloseCommand)
{
    PromptSeen seen;
    int32_t result;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            PromptSeen* seen = (PromptSeen*)context;
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            SavePng(CaptureDialog(dialog), "overwrite_prompt");
            HWND focus = FocusOfThread(thread);
            PostMessageA(focus ? focus : dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageA(focus ? focus : dialog, WM_KEYUP, VK_ESCAPE, 0xC0010001);
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            Sleep(300);
            SendMessageA(dialog, WM_NULL, 0, 0);
            seen->stillOpenAfterEscape = IsWindow(dialog) && IsWindowVisible(dialog);
            ClickButton(dialog, IDC_ANSWER_NO_TO_ALL);
        }, &seen, IDC_ANSWER_NO);
        result = AskOverwrite("a.txt");
    }
    EXPECT_TRUE(seen.stillOpenAfterEscape);
    EXPECT_EQ(result, OVERWRITE_NO_TO_ALL);
}

TEST_F(PromptTest, OverwritePromptIsOwnedByTheMinimizedMainWindow)
{
    ShowWindow(mainWindow, SW_MINIMIZE);
    PumpMessages();
    PromptSeen seen;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            ReadPrompt(dialog, (PromptSeen*)context);
            ClickButton(dialog, IDC_ANSWER_YES);
        }, &seen, IDC_ANSWER_NO);
        AskOverwrite("a.txt");
    }
    ShowWindow(mainWindow, SW_RESTORE);
    EXPECT_EQ(seen.owner, mainWindow);
    ExpectCentred(seen.rect);
}

TEST_F(PromptTest, OverwritePromptThatCannotCopyTheNameKeepsTheFile)
{
    // A name longer than any path does not fit the prompt's copy: No,
    // without a prompt.
    bool shown = false;
    int32_t result;
    {
        DialogDriver driver([](DWORD thread, void* context) {
            HWND dialog = WaitForDialog(thread, nullptr, 1000);
            *(bool*)context = dialog != nullptr;
            if (dialog != nullptr)
                ClickButton(dialog, IDC_ANSWER_YES);
        }, &shown, IDC_ANSWER_YES);
        result = AskOverwrite(std::string(PATH_SIZE, 'n').c_str());
    }
    EXPECT_FALSE(shown);
    EXPECT_EQ(result, OVERWRITE_NO);
}

// Maps a free drive letter to an empty directory, the way an empty
// diskette looks: a search of its root finds nothing at all.
std::string MapEmptyDrive()
{
    std::string empty = MakeTempDirectory("flop");
    for (char letter = 'R'; letter > 'D'; letter--) {
        char root[4] = {letter, ':', '\\', '\0'};
        UINT type = GetDriveTypeA(root);
        if (type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR)
            continue;
        char device[3] = {letter, ':', '\0'};
        std::string target = empty.substr(0, empty.size() - 1);
        if (DefineDosDeviceA(0, device, target.c_str()))
            return std::string(device) + "\\";
    }
    return "";
}

TEST_F(PromptTest, DiskettePromptRefusesEmptyPlacesAndAcceptsAnotherDrive)
{
    PromptSeen seen;
    std::string programDirectory = ProgramDirectory();  // on another drive than C:
    ASSERT_NE(toupper(programDirectory[0]), 'C');
    std::string emptyRoot = MapEmptyDrive();
    bool emptyRootUsable = false;
    if (!emptyRoot.empty()) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((emptyRoot + "*.*").c_str(), &found);
        emptyRootUsable = search == INVALID_HANDLE_VALUE;
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
    }
    struct Context {
        PromptSeen* seen;
        std::vector<std::string> refused;
        std::string accepted;
    } context = {&seen, {}, Upper(programDirectory)};
    context.refused.push_back("c:\\no such directory");
    if (emptyRootUsable)
        context.refused.push_back(emptyRoot);
    bool result;
    {
        DialogDriver driver([](DWORD thread, void* pointer) {
            Context* c = (Context*)pointer;
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            ReadPrompt(dialog, c->seen);
            SavePng(CaptureDialog(dialog), "diskette_prompt");
            HWND field = GetDlgItem(dialog, IDC_SOURCE_FIELD);
            for (const std::string& path : c->refused) {
                TypeText(dialog, IDC_SOURCE_FIELD, path.c_str());
                ClickButton(dialog, IDOK);
                Sleep(100);
                SendMessageA(dialog, WM_NULL, 0, 0);
                c->seen->states.push_back(IsWindow(dialog) ? "open" : "closed");
                EXPECT_EQ(WaitForFocus(thread, field), field) << path;
            }
            TypeText(dialog, IDC_SOURCE_FIELD, std::string(70, 'x').c_str());
            c->seen->typed = ControlText(dialog, IDC_SOURCE_FIELD);
            TypeText(dialog, IDC_SOURCE_FIELD, c->accepted.c_str());
            ClickButton(dialog, IDOK);
        }, &context);
        result = AskNextDiskette();
    }
    if (!emptyRoot.empty())
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, emptyRoot.substr(0, 2).c_str(), nullptr);
    EXPECT_TRUE(result);
    EXPECT_EQ(seen.caption, "Tarvo Test Setup");
    EXPECT_EQ(seen.fieldText, "c:\\disk1\\");  // the current source, lower-cased
    ExpectCentred(seen.rect);
    EXPECT_EQ(seen.owner, infoPanel);
    EXPECT_FALSE(seen.mainEnabled);
    EXPECT_EQ(seen.typed, std::string(64, 'x'));
    EXPECT_EQ(seen.states, std::vector<std::string>(context.refused.size(), "open"));
    auto shown = RecordedMessages();
    ASSERT_EQ(shown.size(), context.refused.size());
    for (const RecordedMessage& m : shown) {
        EXPECT_EQ(m.text, "The specified source path is invalid.");
        EXPECT_EQ(m.caption, "Tarvo Test Setup");
        EXPECT_EQ(m.type & MB_ICONMASK, (UINT)MB_ICONEXCLAMATION);
    }
    EXPECT_EQ(lstrcmpiA(InstallScript.sourceDir, programDirectory.c_str()), 0)
        << InstallScript.sourceDir;
    if (!emptyRootUsable)
        GTEST_LOG_(INFO) << "no empty drive root could be mapped; only missing directories were refused";
}

TEST_F(PromptTest, DiskettePromptCancelLeavesTheSource)
{
    bool result;
    {
        DialogDriver driver([](DWORD thread, void*) {
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            TypeText(dialog, IDC_SOURCE_FIELD, "c:\\");
            ClickButton(dialog, IDCANCEL);
        }, nullptr);
        result = AskNextDiskette();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(std::string(InstallScript.sourceDir), "c:\\disk1\\");
    EXPECT_TRUE(RecordedMessages().empty());
}

}  // namespace
