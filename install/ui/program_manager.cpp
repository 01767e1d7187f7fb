#include "install/ui/program_manager.h"

#include <dde.h>

#include <cstdio>
#include <cstring>

#include "install/core/global_block.h"
#include "install/core/install_status.h"
#include "install/core/message_box.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/script/path_keywords.h"
#include "install/ui/progress_display.h"

// Controls of the "InstProg" dialog.
static const int PROG_PRODUCT_NAME = IDC_PRODUCT_NAME;
static const int PROG_GROUP_EDIT = IDC_GROUP_FIELD;
static const int PROG_GROUP_LIST = IDC_GROUP_LIST;
static const int PROG_DEFAULT_BUTTON = IDC_DEFAULT_GROUP;

static const int GROUP_NAME_SIZE = 64;
static const DWORD DDE_REPLY_TIMEOUT = 10000;
static const char PROGMAN_NAME[] = "PROGMAN";
static const WORD DDE_ACK_POSITIVE = 0x8000;
static const WORD DDEDATA_RELEASE = 0x2000;
static const WORD DDEDATA_ACKREQ = 0x8000;

// The step of the conversation in progress; DDE messages are looked at only
// while it is not idle.
enum DdeState { DDE_IDLE, DDE_INITIATING, DDE_REQUESTING, DDE_EXECUTING, DDE_TERMINATING };

static DdeState ddeState = DDE_IDLE;
static HWND serverWindow = nullptr;  // server that answered the last initiate
static char serviceName[GROUP_NAME_SIZE] = "PROGMAN";  // application and topic of the initiate
static DWORD replyTimeout = DDE_REPLY_TIMEOUT;
static HGLOBAL groupList = nullptr;  // group names received from the server
static char groupName[GROUP_NAME_SIZE] = "";
static void (*commandObserver)(HGLOBAL block) = nullptr;

// What an acknowledgement of the step in progress hands back: the item atom
// of the group request or the block of the command being executed. One that
// hands back anything else answers an earlier step or nothing at all: it does
// not end the wait, and its atom or block is not this step's to delete.
static ATOM requestItem = 0;
static HGLOBAL commandBlock = nullptr;
static bool replyArrived = false;

// Command blocks that were not handed back in time: the server may still
// acknowledge them. Each is freed when its late acknowledgement comes, the
// rest when the conversation ends. Until then no new command block can get
// the same handle, so an acknowledgement always names the command it answers.
static const int LATE_BLOCK_CAPACITY = 16;
static HGLOBAL lateBlocks[LATE_BLOCK_CAPACITY];
static int lateBlockCount = 0;

// Copies text into a buffer of the given capacity, cut when too long.
static void CopyBounded(char* target, const char* text, size_t capacity)
{
    size_t n = strlen(text);
    if (n > capacity - 1)
        n = capacity - 1;
    memcpy(target, text, n);
    target[n] = '\0';
}

void SetDdeServiceName(const char* name)
{
    CopyBounded(serviceName, name != nullptr ? name : PROGMAN_NAME, sizeof serviceName);
}

void SetDdeReplyTimeout(DWORD milliseconds)
{
    replyTimeout = milliseconds != 0 ? milliseconds : DDE_REPLY_TIMEOUT;
}

void SetDdeCommandObserver(void (*observer)(HGLOBAL block))
{
    commandObserver = observer;
}

bool IsProgramItemSelected(int itemIndex)
{
    int box = InstallScript.programItems[itemIndex].checkBox;
    if (box == 0)
        return true;
    return InstallScript.checkBoxCount > 0 && box <= InstallScript.checkBoxCount &&
           InstallScript.checkBoxes[box - 1].checked != 0;
}

bool AnyProgramItemSelected()
{
    for (int i = 0; i < InstallScript.programItemCount; i++)
        if (IsProgramItemSelected(i))
            return true;
    return false;
}

static bool FormatCommand(char* out, size_t capacity, const char* format, const char* a, const char* b)
{
    int n = b != nullptr ? snprintf(out, capacity, format, a, b) : snprintf(out, capacity, format, a);
    return n >= 0 && static_cast<size_t>(n) < capacity;
}

bool FormatCreateGroup(char* out, size_t capacity, const char* group)
{
    return FormatCommand(out, capacity, "[CreateGroup(%s)]", group, nullptr);
}

bool FormatReplaceItem(char* out, size_t capacity, const char* description)
{
    return FormatCommand(out, capacity, "[ReplaceItem(%s)]", description, nullptr);
}

bool FormatAddItem(char* out, size_t capacity, const char* commandLine, const char* description)
{
    return FormatCommand(out, capacity, "[AddItem(%s,%s)]", commandLine, description);
}

void ForEachGroupName(const char* list, void (*add)(const char* name, void* context), void* context)
{
    const char* line = list;
    for (;;) {
        const char* end = strstr(line, "\r\n");
        if (end == nullptr)
            return;
        char name[GROUP_NAME_SIZE];
        size_t length = static_cast<size_t>(end - line);
        if (length > GROUP_NAME_SIZE - 1)
            length = GROUP_NAME_SIZE - 1;
        memcpy(name, line, length);
        name[length] = '\0';
        add(name, context);
        line = end + 2;
    }
}

// Waits up to the reply time-out (ten seconds) for the reply to the step in
// progress, dispatching every DDE message that arrives meanwhile; no other
// message is taken from the queue.
static void WaitForDdeReply()
{
    replyArrived = false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < replyTimeout) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE)) {
            DispatchMessageA(&msg);
            if (replyArrived) {
                ddeState = DDE_IDLE;
                return;
            }
        } else {
            Sleep(1);
        }
    }
}

// Frees a command block that was acknowledged after its wait ran out; false
// when the handle is none of them.
static bool ReleaseLateBlock(UINT_PTR handle)
{
    for (int i = 0; i < lateBlockCount; i++) {
        if (reinterpret_cast<UINT_PTR>(lateBlocks[i]) == handle) {
            ReleaseGlobalBlock(lateBlocks[i]);
            lateBlocks[i] = lateBlocks[--lateBlockCount];
            return true;
        }
    }
    return false;
}

// Keeps a command block until its late acknowledgement or the end of the
// conversation; a server that is that many commands behind gets no such
// grace.
static void KeepLateBlock(HGLOBAL block)
{
    if (lateBlockCount < LATE_BLOCK_CAPACITY)
        lateBlocks[lateBlockCount++] = block;
    else
        ReleaseGlobalBlock(block);
}

static void ReleaseLateBlocks()
{
    while (lateBlockCount > 0)
        ReleaseGlobalBlock(lateBlocks[--lateBlockCount]);
}

static void DdeInitiate()
{
    ATOM application = GlobalAddAtomA(serviceName);
    ATOM topic = GlobalAddAtomA(serviceName);
    ddeState = DDE_INITIATING;
    SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(mainWindow),
                 MAKELPARAM(application, topic));
    if (application != 0)
        GlobalDeleteAtom(application);
    if (topic != 0)
        GlobalDeleteAtom(topic);
    ddeState = DDE_IDLE;
}

static void DdeRequestGroups()
{
    if (serverWindow == nullptr)
        return;
    ATOM item = GlobalAddAtomA(PROGMAN_NAME);
    requestItem = item;
    ddeState = DDE_REQUESTING;
    if (PostMessageA(serverWindow, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(mainWindow),
                     MAKELPARAM(CF_TEXT, item)))
        WaitForDdeReply();
    else if (item != 0)
        GlobalDeleteAtom(item);
    requestItem = 0;
    ddeState = DDE_IDLE;
}

static void DdeExecute(const char* command)
{
    if (serverWindow == nullptr)
        return;
    size_t size = strlen(command) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, size);
    if (block == nullptr)
        return;
    void* data = GlobalLock(block);
    if (data == nullptr) {
        GlobalFree(block);
        return;
    }
    memcpy(data, command, size);
    GlobalUnlock(block);
    if (commandObserver != nullptr)
        commandObserver(block);
    // The block stays the installer's: it is freed when the acknowledgement
    // hands it back. Not handed back in time (the wait ran out or the server
    // ended the conversation), it is kept for a late acknowledgement until
    // the conversation ends.
    commandBlock = block;
    ddeState = DDE_EXECUTING;
    if (PostMessageA(serverWindow, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(mainWindow),
                     PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)))) {
        WaitForDdeReply();
        if (commandBlock != nullptr)
            KeepLateBlock(commandBlock);
    } else {
        ReleaseGlobalBlock(block);
    }
    commandBlock = nullptr;
    ddeState = DDE_IDLE;
}

// Ends the conversation; the blocks of commands that were never acknowledged
// are freed, whether the server answers the terminate or has gone already.
static void DdeTerminate()
{
    if (serverWindow != nullptr) {
        ddeState = DDE_TERMINATING;
        if (PostMessageA(serverWindow, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(mainWindow), 0))
            WaitForDdeReply();
        ddeState = DDE_IDLE;
    }
    ReleaseLateBlocks();
}

static void PostDataAck(HWND sender, WORD status, UINT_PTR item)
{
    PostMessageA(sender, WM_DDE_ACK, reinterpret_cast<WPARAM>(mainWindow),
                 PackDDElParam(WM_DDE_ACK, status, item));
}

// Takes the group list out of a WM_DDE_DATA message.
static void ReceiveData(HWND sender, LPARAM lParam)
{
    UINT_PTR dataHandle = 0;
    UINT_PTR item = 0;
    UnpackDDElParam(WM_DDE_DATA, lParam, &dataHandle, &item);
    FreeDDElParam(WM_DDE_DATA, lParam);
    HGLOBAL data = reinterpret_cast<HGLOBAL>(dataHandle);
    if (data == nullptr) {
        PostDataAck(sender, 0, item);
        return;
    }
    SIZE_T blockSize = GlobalSize(data);
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(data));
    if (bytes == nullptr || blockSize < 4) {
        if (bytes != nullptr)
            GlobalUnlock(data);
        PostDataAck(sender, 0, item);
        return;
    }
    WORD flags = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
    WORD format = static_cast<WORD>(bytes[2] | (bytes[3] << 8));
    if (format != CF_TEXT) {
        GlobalUnlock(data);
        PostDataAck(sender, 0, item);
        return;
    }
    // The text ends at its zero or at the end of the block, whichever comes first.
    const char* text = reinterpret_cast<const char*>(bytes + 4);
    size_t length = 0;
    while (length < blockSize - 4 && text[length] != '\0')
        length++;
    if (groupList != nullptr)
        ReleaseGlobalBlock(groupList);
    groupList = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length + 1);
    if (groupList != nullptr) {
        char* copy = static_cast<char*>(GlobalLock(groupList));
        if (copy != nullptr) {
            memcpy(copy, text, length);
            GlobalUnlock(groupList);
        } else {
            GlobalFree(groupList);
            groupList = nullptr;
        }
    }
    if (flags & DDEDATA_ACKREQ)
        PostDataAck(sender, DDE_ACK_POSITIVE, item);
    else
        GlobalDeleteAtom(static_cast<ATOM>(item));
    GlobalUnlock(data);
    if (flags & DDEDATA_RELEASE)
        GlobalFree(data);
}

// An acknowledgement (status not examined) hands back what it answers: the
// block of the command being executed or the item atom of a refused request.
// A late one frees its command's block; any other value is left alone.
static void TakeAcknowledgement(UINT_PTR value)
{
    if (ddeState == DDE_EXECUTING && value == reinterpret_cast<UINT_PTR>(commandBlock)) {
        ReleaseGlobalBlock(commandBlock);
        commandBlock = nullptr;
        replyArrived = true;
    } else if (ddeState == DDE_REQUESTING && requestItem != 0 && value == requestItem) {
        GlobalDeleteAtom(requestItem);
        requestItem = 0;
        replyArrived = true;
    } else {
        ReleaseLateBlock(value);
    }
}

void HandleDdeMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ddeState == DDE_IDLE)
        return;
    HWND sender = reinterpret_cast<HWND>(wParam);
    switch (message) {
    case WM_DDE_ACK:
        if (ddeState == DDE_INITIATING) {
            GlobalDeleteAtom(LOWORD(lParam));
            GlobalDeleteAtom(HIWORD(lParam));
            serverWindow = sender;
        } else {
            UINT_PTR status = 0;
            UINT_PTR value = 0;
            UnpackDDElParam(WM_DDE_ACK, lParam, &status, &value);
            FreeDDElParam(WM_DDE_ACK, lParam);
            TakeAcknowledgement(value);
        }
        break;
    case WM_DDE_DATA:
        ReceiveData(sender, lParam);
        if (ddeState == DDE_REQUESTING)
            replyArrived = true;
        break;
    case WM_DDE_TERMINATE:
        if (ddeState != DDE_TERMINATING)
            PostMessageA(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(mainWindow), 0);
        serverWindow = nullptr;
        replyArrived = true;
        break;
    default:
        break;
    }
}

// Shows the wait cursor and gives back the cursor it replaced.
static HCURSOR BeginWaitCursor()
{
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ShowCursor(TRUE);
    return previous;
}

static void EndWaitCursor(HCURSOR previous)
{
    ShowCursor(FALSE);
    SetCursor(previous);
}

static bool GetProgramManagerGroups()
{
    serverWindow = nullptr;
    HCURSOR previous = BeginWaitCursor();
    DdeInitiate();
    EndWaitCursor(previous);
    if (serverWindow == nullptr)
        return false;

    if (groupList != nullptr)
        ReleaseGlobalBlock(groupList);
    groupList = nullptr;
    previous = BeginWaitCursor();
    DdeRequestGroups();
    DdeTerminate();
    EndWaitCursor(previous);
    return groupList != nullptr;
}

static void AddGroupToList(const char* name, void* context)
{
    SendMessageA(static_cast<HWND>(context), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

// Selects the first list entry equal to groupName (case-sensitive), or none.
static void SelectMatchingGroup(HWND dialog)
{
    HWND list = GetDlgItem(dialog, PROG_GROUP_LIST);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    LRESULT match = -1;
    for (LRESULT i = 0; i < count && match < 0; i++) {
        char entry[GROUP_NAME_SIZE];
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0 || length >= GROUP_NAME_SIZE)
            continue;
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
        if (strcmp(entry, groupName) == 0)
            match = i;
    }
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(match), 0);
}

static void InitGroupDialog(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    MoveWindow(dialog, (ScreenMetrics.screenWidth - width) / 2, (ScreenMetrics.screenHeight - height) / 2,
               width, height, FALSE);
    SetWindowTextA(dialog, InstallScript.caption);
    SetDlgItemTextA(dialog, PROG_PRODUCT_NAME, InstallScript.productName);

    if (groupList != nullptr) {
        const char* text = static_cast<const char*>(GlobalLock(groupList));
        if (text != nullptr)
            ForEachGroupName(text, AddGroupToList, GetDlgItem(dialog, PROG_GROUP_LIST));
        ReleaseGlobalBlock(groupList);
        groupList = nullptr;
    }
    SendDlgItemMessageA(dialog, PROG_GROUP_EDIT, EM_LIMITTEXT, GROUP_NAME_SIZE - 1, 0);
    SetDlgItemTextA(dialog, PROG_GROUP_EDIT, InstallScript.iconGroup);
}

static INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitGroupDialog(dialog);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        if (id == PROG_GROUP_EDIT && code == EN_CHANGE) {
            GetDlgItemTextA(dialog, PROG_GROUP_EDIT, groupName, GROUP_NAME_SIZE);
            EnableWindow(GetDlgItem(dialog, IDOK), groupName[0] != '\0');
            SelectMatchingGroup(dialog);
        } else if (id == PROG_GROUP_LIST && code == LBN_SELCHANGE) {
            HWND list = GetDlgItem(dialog, PROG_GROUP_LIST);
            LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
            LRESULT length = index >= 0 ? SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0) : -1;
            if (length >= 0 && length < GROUP_NAME_SIZE) {
                char entry[GROUP_NAME_SIZE];
                SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry));
                CopyBounded(groupName, entry, GROUP_NAME_SIZE);
                SetDlgItemTextA(dialog, PROG_GROUP_EDIT, groupName);
            }
        } else if (id == PROG_GROUP_LIST && code == LBN_DBLCLK) {
            if (groupName[0] != '\0')
                EndDialog(dialog, 1);
        } else if (id == PROG_DEFAULT_BUTTON) {
            SetDlgItemTextA(dialog, PROG_GROUP_EDIT, InstallScript.iconGroup);
            SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, PROG_GROUP_EDIT)),
                         TRUE);
        } else if (id == IDOK) {
            // The Enter key reaches here even while OK is disabled.
            if (groupName[0] != '\0')
                EndDialog(dialog, 1);
        } else if (id == IDCANCEL) {
            EndDialog(dialog, 0);
        }
        return TRUE;
    }
    default: {
        INT_PTR result = FALSE;
        if (HandleDialogColours(dialog, message, wParam, lParam, false, &result))
            return result;
        return FALSE;
    }
    }
}

// 1 for OK, 0 for Cancel, -1 when the dialog cannot be created.
static INT_PTR ShowGroupDialog()
{
    return DialogBoxParamA(ProgramInstance(), "InstProg", mainWindow, GroupDialogProc, 0);
}

static bool InstallProgramItems()
{
    serverWindow = nullptr;
    HCURSOR previous = BeginWaitCursor();
    DdeInitiate();
    EndWaitCursor(previous);
    if (serverWindow == nullptr)
        return false;

    previous = BeginWaitCursor();
    char command[PATH_SIZE * 2];
    if (FormatCreateGroup(command, sizeof command, groupName))
        DdeExecute(command);
    for (int i = 0; i < InstallScript.programItemCount; i++) {
        if (!IsProgramItemSelected(i))
            continue;
        const ProgramItemEntry& item = InstallScript.programItems[i];
        // An item whose command line does not expand within 255 characters
        // is left out rather than sent half-expanded; its ReplaceItem is not
        // sent either, so that an existing item of that name is kept.
        char commandLine[256];
        char replace[PATH_SIZE * 2];
        if (!ExpandPathKeywords(item.commandLine, commandLine, sizeof commandLine) ||
            !FormatReplaceItem(replace, sizeof replace, item.description) ||
            !FormatAddItem(command, sizeof command, commandLine, item.description))
            continue;
        DdeExecute(replace);
        DdeExecute(command);
    }
    DdeTerminate();
    EndWaitCursor(previous);
    return true;
}

bool RunProgramManagerStep()
{
    if (InstallScript.programItemCount == 0 || !AnyProgramItemSelected() || !GetProgramManagerGroups())
        return false;
    INT_PTR choice = ShowGroupDialog();
    if (choice == -1) {
        // The dialog never read the group list, so it is released here. The
        // step did not take place: the caller's closing message follows.
        if (groupList != nullptr)
            ReleaseGlobalBlock(groupList);
        groupList = nullptr;
        ShowMessageBox(mainWindow, "Available memory is not enough. ", InstallScript.caption, MB_OK | MB_ICONHAND);
        return false;
    }
    if (choice == 1 && !InstallProgramItems())
        ShowMessageBox(mainWindow, "Cannot install the icons in Program Manager.", InstallScript.caption,
                       MB_OK | MB_ICONWARNING);
    return true;
}
