// The Program Manager step against a fake Program Manager on a second
// thread (tests/install/ui/fake_progman.h): the exact conversation, the
// server's failures, and the group dialog driven from a third thread.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/ui/program_manager.h"
#include "tests/install/ui/fake_progman.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

typedef std::vector<std::string> Texts;

const char DESTINATION[] = "c:\\program files\\tarvo notes\\";

// The first conversation of every step that reaches the dialog.
const Texts GROUP_REQUEST = {"initiate", "request PROGMAN 1", "ack 8000", "terminate"};

Texts Join(Texts a, const Texts& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The whole log of a step that puts the one item "Notes" into the group.
Texts NotesAddedTo(const std::string& group)
{
    return Join(GROUP_REQUEST, {"initiate", "execute [CreateGroup(" + group + ")]", "execute [ReplaceItem(Notes)]",
                                "execute [AddItem(" + std::string(DESTINATION) + "NOTES.EXE,Notes)]", "terminate"});
}

struct Item {
    const char* description;
    std::string commandLine;
    int checkBox;
};

// What a dialog script saw and did.
struct DialogSeen {
    std::string caption, product, field;
    std::vector<std::string> groups;
    std::vector<std::string> selections;  // selected entry after each typing ("" for none)
    std::vector<bool> okEnabled;
    bool openAfterEnter = false;
    bool focusOnField = false;
    std::string fieldAfterClick;
};

typedef void (*GroupDialogScript)(HWND dialog, DWORD thread, DialogSeen* seen);

struct ScriptRun {
    GroupDialogScript script;
    DialogSeen* seen;
};

void RunScript(DWORD thread, void* context)
{
    ScriptRun* run = static_cast<ScriptRun*>(context);
    if (run->script == nullptr)
        return;
    HWND dialog = WaitForDialog(thread);
    if (dialog != nullptr)
        run->script(dialog, thread, run->seen);
}

std::string SelectedGroup(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_GROUP_LIST);
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index < 0)
        return "";
    char text[80] = "";
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

class ProgramManagerStep : public ::testing::Test {
protected:
    std::vector<ProgramItemEntry> items;
    std::vector<CheckBoxEntry> boxes;
    DialogSeen seen;

    static void SetUpTestSuite()
    {
        ResetInstallScript("c:\\", DESTINATION);
        CreateTestMainWindow(0, 0, 200, 100);
    }
    static void TearDownTestSuite() { DestroyTestMainWindow(); }

    void SetUp() override
    {
        ResetInstallScript("c:\\", DESTINATION);
        strcpy(InstallScript.iconGroup, "Tarvo Notes");
        boxes.assign(1, CheckBoxEntry());  // check box 1 stays unchecked
        InstallScript.checkBoxes = boxes.data();
        InstallScript.checkBoxCount = 1;
        SetItems({{"Notes", "Dst_DirNOTES.EXE", 0}});
        StartRecordingMessages();
    }
    void TearDown() override
    {
        StopRecordingMessages();
        SetDdeReplyTimeout(0);
    }

    void SetItems(const std::vector<Item>& list)
    {
        items.assign(list.size(), ProgramItemEntry());
        for (size_t i = 0; i < list.size(); i++) {
            strcpy(items[i].description, list[i].description);
            strcpy(items[i].commandLine, list[i].commandLine.c_str());
            items[i].checkBox = list[i].checkBox;
        }
        InstallScript.programItems = items.data();
        InstallScript.programItemCount = static_cast<int32_t>(items.size());
    }

    // Runs the step against a fake server while the script drives the group
    // dialog (null where none is expected; any dialog still open afterwards
    // is cancelled). Keeps the server's log in events.
    std::vector<FakeProgmanEvent> events;
    bool RunStep(const FakeProgmanSetup& setup, GroupDialogScript script, Texts* log)
    {
        EXPECT_TRUE(StartFakeProgman(setup));
        ScriptRun run = {script, &seen};
        bool result;
        {
            DialogDriver driver(RunScript, &run);
            result = RunProgramManagerStep();
        }
        events = StopFakeProgman();
        *log = EventTexts(events);
        return result;
    }
};

void PressOk(HWND dialog, DWORD, DialogSeen*)
{
    ClickButton(dialog, IDOK);
}

TEST_F(ProgramManagerStep, SendsTheGroupThenAReplaceAndAddPairPerSelectedItemInOrder)
{
    // The third item's command line does not fit 255 characters once
    // expanded: neither of its commands is sent, so an existing item of that
    // name stays as it was.
    SetItems({{"Notes", "Dst_DirNOTES.EXE", 0},
              {"Extras", "Dst_DirEXTRAS.EXE", 1},
              {"Too Long", "Dst_Dir" + std::string(240, 'x') + ".EXE", 0},
              {"Read Me", "Dst_DirNOTES.EXE Dst_DirREADME.TXT", 0}});
    Texts log;
    EXPECT_TRUE(RunStep(FakeProgmanSetup(), PressOk, &log));
    std::string d = DESTINATION;
    EXPECT_EQ(log, Join(GROUP_REQUEST, {"initiate", "execute [CreateGroup(Tarvo Notes)]",
                                        "execute [ReplaceItem(Notes)]", "execute [AddItem(" + d + "NOTES.EXE,Notes)]",
                                        "execute [ReplaceItem(Read Me)]",
                                        "execute [AddItem(" + d + "NOTES.EXE " + d + "README.TXT,Read Me)]",
                                        "terminate"}));
    EXPECT_TRUE(RecordedMessages().empty());
}

TEST_F(ProgramManagerStep, WithoutAGroupListTheStepDoesNotTakePlace)
{
    SetDdeReplyTimeout(300);
    struct Case {
        const char* what;
        FakeProgmanSetup setup;
        Texts log;
    } cases[] = {
        {"no server answers", FakeProgmanSetup(), {"initiate"}},
        {"data that is not text is refused", FakeProgmanSetup(), {"initiate", "request PROGMAN 1", "ack 0", "terminate"}},
        {"the request gets no reply", FakeProgmanSetup(), {"initiate", "request PROGMAN 1", "terminate"}},
    };
    cases[0].setup.initiatesAnswered = 0;
    cases[1].setup.dataFormat = CF_BITMAP;
    cases[2].setup.answerRequest = false;
    for (const Case& c : cases) {
        Texts log;
        EXPECT_FALSE(RunStep(c.setup, nullptr, &log)) << c.what;
        EXPECT_EQ(log, c.log) << c.what;
    }
    EXPECT_TRUE(RecordedMessages().empty());
}

TEST_F(ProgramManagerStep, AServerThatEndsTheConversationGetsNoMoreCommands)
{
    SetItems({{"Notes", "Dst_DirNOTES.EXE", 0}, {"Read Me", "Dst_DirREADME.TXT", 0}});
    FakeProgmanSetup setup;
    setup.terminatingExecute = 2;
    Texts log;
    EXPECT_TRUE(RunStep(setup, PressOk, &log));
    // The last "terminate" is the installer's answer to the server's own.
    EXPECT_EQ(log, Join(GROUP_REQUEST, {"initiate", "execute [CreateGroup(Tarvo Notes)]",
                                        "execute [ReplaceItem(Notes)]", "terminate"}));
    EXPECT_TRUE(RecordedMessages().empty());
}

TEST_F(ProgramManagerStep, AnUnansweredOrLateCommandIsFollowedByTheNextAfterTheTimeOut)
{
    // Every command block is freed (the server logs those it finds still
    // held) and the stray acknowledgement's atom is not deleted.
    const DWORD timeout = 200;
    SetDdeReplyTimeout(timeout);
    struct Case {
        const char* what;
        FakeProgmanSetup setup;
        std::vector<size_t> timedOut;  // log entries whose wait ran out before the next was sent
    } cases[] = {
        {"the first execute gets no reply", FakeProgmanSetup(), {5}},
        // An acknowledgement that comes too late does not answer the next
        // command.
        {"every execute is acknowledged late", FakeProgmanSetup(), {5, 6, 7}},
    };
    cases[0].setup.silentExecute = 1;
    cases[1].setup.executeAckDelay = timeout * 3 / 2;
    cases[1].setup.strayAckOnTerminate = true;
    for (const Case& c : cases) {
        Texts log;
        EXPECT_TRUE(RunStep(c.setup, PressOk, &log)) << c.what;
        ASSERT_EQ(log, NotesAddedTo("Tarvo Notes")) << c.what;
        // The installer waited out the short time-out, not the usual ten
        // seconds.
        for (size_t i : c.timedOut) {
            DWORD waited = events[i + 1].tick - events[i].tick;
            EXPECT_GE(waited, timeout - timeout / 4) << c.what << ", entry " << i;
            EXPECT_LT(waited, 10000u) << c.what << ", entry " << i;
        }
    }
}

TEST_F(ProgramManagerStep, NoServerForTheItemsIsReportedAfterOk)
{
    FakeProgmanSetup setup;
    setup.initiatesAnswered = 1;
    Texts log;
    EXPECT_TRUE(RunStep(setup, PressOk, &log));
    EXPECT_EQ(log, Join(GROUP_REQUEST, {"initiate"}));
    std::vector<RecordedMessage> shown = RecordedMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Cannot install the icons in Program Manager.");
    EXPECT_EQ(shown[0].caption, "Tarvo Test Setup");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(shown[0].owner, mainWindow);
}

// --- the group dialog -----------------------------------------------------------

TEST_F(ProgramManagerStep, GroupDialogSelectsOnlyAnExactMatchAndDropsAnUnendedLastLine)
{
    FakeProgmanSetup setup;
    setup.groups = "Tarvo\r\nTarvo Notes\r\n" + std::string(70, 'g') + "\r\nLast";
    Texts log;
    EXPECT_TRUE(RunStep(setup, [](HWND dialog, DWORD, DialogSeen* seen) {
        char text[80];
        GetWindowTextA(dialog, text, sizeof text);
        seen->caption = text;
        seen->product = ControlText(dialog, IDC_PRODUCT_NAME);
        seen->field = ControlText(dialog, IDC_GROUP_FIELD);
        HWND list = GetDlgItem(dialog, IDC_GROUP_LIST);
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; i++) {
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            seen->groups.push_back(text);
        }
        seen->selections.push_back(SelectedGroup(dialog));
        for (const char* typed : {"tarvo notes", "Tarvo", "Tarvo Note", "Last"}) {
            TypeText(dialog, IDC_GROUP_FIELD, typed);
            seen->selections.push_back(SelectedGroup(dialog));
        }
        ClickButton(dialog, IDCANCEL);
    }, &log));
    EXPECT_EQ(seen.caption, "Tarvo Test Setup");
    EXPECT_EQ(seen.product, "Test Product");
    EXPECT_EQ(seen.field, "Tarvo Notes");
    EXPECT_EQ(seen.groups, Texts({std::string(63, 'g'), "Tarvo", "Tarvo Notes"}));  // sorted without case
    EXPECT_EQ(seen.selections, Texts({"Tarvo Notes", "", "Tarvo", "", ""}));
    // Cancel sends nothing and shows nothing.
    EXPECT_EQ(log, GROUP_REQUEST);
    EXPECT_TRUE(RecordedMessages().empty());
}

TEST_F(ProgramManagerStep, GroupDialogRefusesAnEmptyNameAndDefaultRestoresTheProposedGroup)
{
    Texts log;
    EXPECT_TRUE(RunStep(FakeProgmanSetup(), [](HWND dialog, DWORD thread, DialogSeen* seen) {
        HWND ok = GetDlgItem(dialog, IDOK);
        seen->okEnabled.push_back(IsWindowEnabled(ok) != 0);
        TypeText(dialog, IDC_GROUP_FIELD, "");
        seen->okEnabled.push_back(IsWindowEnabled(ok) != 0);
        // Enter reaches the dialog as OK even while the button is disabled.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        seen->openAfterEnter = IsWindow(dialog) && IsWindowVisible(dialog);
        TypeText(dialog, IDC_GROUP_FIELD, "Other Group");
        seen->okEnabled.push_back(IsWindowEnabled(ok) != 0);
        // The click takes the focus to the button; Default gives it back to
        // the field.
        ClickButton(dialog, IDC_DEFAULT_GROUP);
        seen->field = ControlText(dialog, IDC_GROUP_FIELD);
        seen->focusOnField = WaitForFocus(thread, GetDlgItem(dialog, IDC_GROUP_FIELD)) ==
                             GetDlgItem(dialog, IDC_GROUP_FIELD);
        ClickButton(dialog, IDOK);
    }, &log));
    EXPECT_EQ(seen.okEnabled, std::vector<bool>({true, false, true}));
    EXPECT_TRUE(seen.openAfterEnter);
    EXPECT_EQ(seen.field, "Tarvo Notes");
    EXPECT_TRUE(seen.focusOnField);
    EXPECT_EQ(log, NotesAddedTo("Tarvo Notes"));
}

TEST_F(ProgramManagerStep, GroupDialogDoubleClickOnAGroupActsAsOk)
{
    Texts log;
    EXPECT_TRUE(RunStep(FakeProgmanSetup(), [](HWND dialog, DWORD, DialogSeen* seen) {
        HWND list = GetDlgItem(dialog, IDC_GROUP_LIST);
        LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>("Main"));
        RECT r = {};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2);
        // The mouse as the list box sees it: a click, then the double click.
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list, WM_LBUTTONUP, 0, at);
        seen->fieldAfterClick = ControlText(dialog, IDC_GROUP_FIELD);
        SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageA(list, WM_LBUTTONUP, 0, at);
    }, &log));
    EXPECT_EQ(seen.fieldAfterClick, "Main");
    EXPECT_EQ(log, NotesAddedTo("Main"));
}

}  // namespace
