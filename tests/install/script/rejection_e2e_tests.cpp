// Starts the real install.exe on a directory with a rejected or missing
// script and checks that exactly one message box appears, with the right
// text, caption and an icon, and that the program then exits with code 0.
// The box is found with EnumWindows by process and class "#32770" and
// answered by posting IDOK to it.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "tests/install/script/test_dir.h"

namespace {

std::string ProgramDir()
{
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.rfind('\\') + 1);
}

struct BoxSearch {
    DWORD processId;
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM lParam)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char className[64];
    if (owner == search->processId && IsWindowVisible(hwnd) &&
        GetClassNameA(hwnd, className, sizeof(className)) > 0 &&
        strcmp(className, "#32770") == 0)
        search->boxes.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> BoxesOf(DWORD processId)
{
    BoxSearch search = {processId, {}};
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

BOOL CALLBACK FindIconControl(HWND hwnd, LPARAM lParam)
{
    char className[32];
    if (GetClassNameA(hwnd, className, sizeof(className)) > 0 &&
        lstrcmpiA(className, "Static") == 0 &&
        (GetWindowLongPtrA(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

struct Outcome {
    int boxCount = 0;       // distinct message boxes seen
    std::string text;       // of the first
    std::string caption;
    bool hasIcon = false;
    DWORD exitCode = 0xFFFFFFFF;
    bool exited = false;
};

// Runs a private copy of install.exe (so that no script lies beside it) with
// the command line and answers each message box with OK.
Outcome RunInstaller(const TestDir& programDir, const std::string& commandLine)
{
    Outcome outcome;
    std::string exe = programDir / "install.exe";
    if (!CopyFileA((ProgramDir() + "install.exe").c_str(), exe.c_str(), FALSE)) {
        ADD_FAILURE() << "install.exe not found beside the test program";
        return outcome;
    }
    std::string line = "\"" + exe + "\" " + commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        programDir.path().c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start install.exe";
        return outcome;
    }
    std::vector<HWND> seen;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            outcome.exited = true;
            break;
        }
        for (HWND box : BoxesOf(process.dwProcessId)) {
            bool known = false;
            for (HWND old : seen)
                known = known || old == box;
            if (known)
                continue;
            seen.push_back(box);
            if (seen.size() == 1) {
                char text[512] = "";
                char caption[128] = "";
                GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
                GetWindowTextA(box, caption, sizeof(caption));
                outcome.text = text;
                outcome.caption = caption;
                EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&outcome.hasIcon));
            }
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    if (!outcome.exited)
        TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
    GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    outcome.boxCount = static_cast<int>(seen.size());
    return outcome;
}

const char REJECTED_LATE[] =
    "[General Info]\r\nIniWndStt=0\r\nProducNam=Sample\r\nDlgBoxCap=Sample Setup\r\n"
    "[Check Boxes]\r\nChckBoxNumber=abc\r\n";

TEST(RejectedScript, OneMessageWithTheScriptCaptionThenExitZero)
{
    TestDir programDir;
    TestDir scriptDir;
    WriteFileText(scriptDir / "install.ini", REJECTED_LATE);
    Outcome outcome = RunInstaller(programDir, scriptDir.path());
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.boxCount, 1);
    EXPECT_EQ(outcome.text, "The file 'install.ini' is not correct.");
    EXPECT_EQ(outcome.caption, "Sample Setup");
    EXPECT_TRUE(outcome.hasIcon);
    EXPECT_EQ(outcome.exitCode, 0u);
}

TEST(RejectedScript, EarlyErrorUsesTheProgramCaption)
{
    TestDir programDir;
    TestDir scriptDir;
    WriteFileText(scriptDir / "install.ini", "[General Info]\r\nIniWndStt=0\r\nProducNam=\r\n");
    Outcome outcome = RunInstaller(programDir, scriptDir.path());
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.boxCount, 1);
    EXPECT_EQ(outcome.text, "The file 'install.ini' is not correct.");
    EXPECT_EQ(outcome.caption, "Tarvo Installation Program");
    EXPECT_EQ(outcome.exitCode, 0u);
}

TEST(RejectedScript, MissingScriptIsReportedOnce)
{
    TestDir programDir;
    TestDir emptyDir;
    Outcome outcome = RunInstaller(programDir, emptyDir.path());
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.boxCount, 1);
    EXPECT_EQ(outcome.text, "Cannot open the file 'install.ini'.");
    EXPECT_EQ(outcome.caption, "Tarvo Installation Program");
    EXPECT_TRUE(outcome.hasIcon);
    EXPECT_EQ(outcome.exitCode, 0u);
}

}  // namespace
