#include "tests/install/ui/fake_progman.h"

#include <dde.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "install/ui/program_manager.h"

static const UINT STOP_SERVER = WM_APP + 1;

static FakeProgmanSetup setup;
static HANDLE serverThread = nullptr;
static HANDLE serverReady = nullptr;
static HWND serverWindow = nullptr;
static std::mutex logLock;
static std::vector<FakeProgmanEvent> events;

// Conversation state of the server thread.
static int initiates = 0;
static int executes = 0;
static bool endedByServer = false;
static HGLOBAL sentData = nullptr;
static ATOM ownAtom = 0;
// The client and block of each execute, for a late acknowledgement (its
// timer is the execute's number).
struct ExecuteSeen {
    HWND client;
    HGLOBAL block;
};
static std::vector<ExecuteSeen> executesSeen;
// The installer's own command blocks and their texts. (Wine hands the server
// a copy of each block and maps the handle of the acknowledgement back.)
struct CommandBlock {
    HGLOBAL block;
    std::string command;
};
static std::vector<CommandBlock> commandBlocks;

static void Log(const std::string& text)
{
    std::lock_guard<std::mutex> hold(logLock);
    events.push_back({text, GetTickCount()});
}

static std::string AtomName(ATOM atom)
{
    char name[256] = "";
    GlobalGetAtomNameA(atom, name, sizeof name);
    return name;
}

// Atom names keep the case in which they were first added (Wine's shell
// adds "Progman"), so names are compared and logged without their case.
static bool SameName(ATOM atom, const std::string& name)
{
    return lstrcmpiA(AtomName(atom).c_str(), name.c_str()) == 0;
}

static void Initiate(HWND server, HWND client, LPARAM lParam)
{
    if (!SameName(LOWORD(lParam), setup.service) || !SameName(HIWORD(lParam), setup.service))
        return;
    Log("initiate");
    if (++initiates > setup.initiatesAnswered)
        return;
    endedByServer = false;
    ATOM application = GlobalAddAtomA(setup.service.c_str());
    ATOM topic = GlobalAddAtomA(setup.service.c_str());
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(server), MAKELPARAM(application, topic));
}

static void Request(HWND server, HWND client, LPARAM lParam)
{
    WORD format = LOWORD(lParam);
    ATOM item = HIWORD(lParam);
    std::string name = AtomName(item);
    CharUpperA(&name[0]);
    Log("request " + name + " " + std::to_string(format));
    if (!setup.answerRequest)
        return;
    size_t length = setup.groups.size();
    sentData = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, 4 + length + 1);
    BYTE* data = static_cast<BYTE*>(GlobalLock(sentData));
    WORD flags = 0x8000 | 0x2000 | 0x1000;  // fAckReq, fRelease, fResponse
    memcpy(data, &flags, 2);
    memcpy(data + 2, &setup.dataFormat, 2);
    memcpy(data + 4, setup.groups.c_str(), length + 1);
    GlobalUnlock(sentData);
    PostMessageA(client, WM_DDE_DATA, reinterpret_cast<WPARAM>(server),
                 PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(sentData), item));
}

static void Acknowledged(LPARAM lParam)
{
    UINT_PTR status = 0;
    UINT_PTR item = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &item);
    FreeDDElParam(WM_DDE_ACK, lParam);
    char text[32];
    snprintf(text, sizeof text, "ack %x", static_cast<unsigned>(status & 0xFFFF));
    Log(text);
    GlobalDeleteAtom(static_cast<ATOM>(item));
    // A refused block stays the server's to release.
    if ((status & 0x8000) == 0 && sentData != nullptr)
        GlobalFree(sentData);
    sentData = nullptr;
}

static void Execute(HWND server, HWND client, LPARAM lParam)
{
    UINT_PTR unused = 0;
    UINT_PTR handle = 0;
    UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unused, &handle);
    HGLOBAL block = reinterpret_cast<HGLOBAL>(handle);
    const char* command = static_cast<const char*>(GlobalLock(block));
    Log(std::string("execute ") + (command != nullptr ? command : "(no block)"));
    executesSeen.push_back({client, block});
    if (command != nullptr)
        GlobalUnlock(block);
    executes++;
    if (executes == setup.silentExecute)
        return;
    if (executes == setup.terminatingExecute) {
        endedByServer = true;
        PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(server), 0);
        return;
    }
    if (setup.executeAckDelay != 0)
        SetTimer(server, static_cast<UINT_PTR>(executes), setup.executeAckDelay, nullptr);
    else
        PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(server), PackDDElParam(WM_DDE_ACK, 0x8000, handle));
}

static void AckLate(HWND server, UINT_PTR number)
{
    KillTimer(server, number);
    const ExecuteSeen& e = executesSeen[number - 1];
    PostMessageA(e.client, WM_DDE_ACK, reinterpret_cast<WPARAM>(server),
                 PackDDElParam(WM_DDE_ACK, 0x8000, reinterpret_cast<UINT_PTR>(e.block)));
}

// Runs on the installer's thread as each command is about to be posted.
static void NoteCommandBlock(HGLOBAL block)
{
    const char* text = static_cast<const char*>(GlobalLock(block));
    commandBlocks.push_back({block, text != nullptr ? text : ""});
    if (text != nullptr)
        GlobalUnlock(block);
}

// Logs the command blocks that the installer has not freed (a freed handle
// that a later block reuses holds another text) and whether it deleted the
// server's own atom.
static void LogWhatTheInstallerKept()
{
    for (const CommandBlock& c : commandBlocks) {
        const char* text = static_cast<const char*>(GlobalLock(c.block));
        if (text == nullptr)
            continue;
        if (c.command == text)
            Log("kept " + c.command);
        GlobalUnlock(c.block);
    }
    if (ownAtom != 0) {
        char name[64];
        if (GlobalGetAtomNameA(ownAtom, name, sizeof name) == 0)
            Log("own atom deleted");
        else
            GlobalDeleteAtom(ownAtom);
    }
}

static LRESULT CALLBACK ServerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND client = reinterpret_cast<HWND>(wParam);
    switch (message) {
    case WM_DDE_INITIATE:
        Initiate(window, client, lParam);
        return 0;
    case WM_DDE_REQUEST:
        Request(window, client, lParam);
        return 0;
    case WM_DDE_ACK:
        Acknowledged(lParam);
        return 0;
    case WM_DDE_EXECUTE:
        Execute(window, client, lParam);
        return 0;
    case WM_TIMER:
        AckLate(window, wParam);
        return 0;
    case WM_DDE_TERMINATE:
        Log("terminate");
        if (setup.strayAckOnTerminate && !endedByServer) {
            if (ownAtom == 0)
                ownAtom = GlobalAddAtomA("TarvoFakeProgmanOwnAtom");
            PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                         PackDDElParam(WM_DDE_ACK, 0x8000, ownAtom));
        }
        // The client's own terminate is answered; the client's answer to the
        // server's terminate is not.
        if (!endedByServer)
            PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
        endedByServer = false;
        return 0;
    case STOP_SERVER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

static DWORD WINAPI ServerThread(LPVOID)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ServerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TarvoFakeProgman";
    RegisterClassA(&wc);
    // A hidden top-level pop-up: a broadcast initiate reaches it.
    serverWindow = CreateWindowExA(0, wc.lpszClassName, "fake Program Manager", WS_POPUP, 0, 0, 10, 10, nullptr,
                                   nullptr, wc.hInstance, nullptr);
    SetEvent(serverReady);
    if (serverWindow == nullptr)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

bool StartFakeProgman(const FakeProgmanSetup& wanted)
{
    setup = wanted;
    events.clear();
    initiates = 0;
    executes = 0;
    endedByServer = false;
    sentData = nullptr;
    ownAtom = 0;
    executesSeen.clear();
    commandBlocks.clear();
    serverWindow = nullptr;
    serverReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    serverThread = CreateThread(nullptr, 0, ServerThread, nullptr, 0, nullptr);
    if (serverThread == nullptr)
        return false;
    WaitForSingleObject(serverReady, 10000);
    CloseHandle(serverReady);
    SetDdeServiceName(setup.service.c_str());
    SetDdeCommandObserver(NoteCommandBlock);
    return serverWindow != nullptr;
}

std::vector<FakeProgmanEvent> StopFakeProgman()
{
    SetDdeServiceName(nullptr);
    SetDdeCommandObserver(nullptr);
    if (serverThread != nullptr) {
        if (serverWindow != nullptr)
            PostMessageA(serverWindow, STOP_SERVER, 0, 0);
        WaitForSingleObject(serverThread, 10000);
        CloseHandle(serverThread);
        serverThread = nullptr;
    }
    LogWhatTheInstallerKept();
    // Late acknowledgements still queued for the installer's window are
    // dropped, so that they cannot reach the next run's conversation.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE)) {
    }
    std::lock_guard<std::mutex> hold(logLock);
    return events;
}

std::vector<std::string> EventTexts(const std::vector<FakeProgmanEvent>& list)
{
    std::vector<std::string> texts;
    for (const FakeProgmanEvent& e : list)
        texts.push_back(e.text);
    return texts;
}
