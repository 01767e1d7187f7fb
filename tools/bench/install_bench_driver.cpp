// Times whole installations for `make bench`: runs install.exe on each given
// script directory in turn, confirms the options dialog and the closing
// message as soon as they appear, and measures the time from process start
// to exit. While the archives are installed, a second thread sends WM_NULL
// to the main window every few milliseconds and records how long each answer
// took: the window answers a sent message only when the installer runs its
// message pump, so the slowest answer is the longest the window stayed
// unresponsive.
//
// usage: install_bench_driver [--slow-reads] INSTALL_EXE ROUNDS LABEL SCRIPT_DIR DEST_DIR
//                             [LABEL SCRIPT_DIR DEST_DIR]...
//
// Each round installs every LABEL once, in the order given; DEST_DIR (the
// script's destination) is removed before each installation. With
// --slow-reads, slow_reads_hook.dll (beside the driver) is loaded into the
// installer while its options dialog shows, so that it reads its archives
// at a diskette's speed. One line per installation:
//   run LABEL ok=1 ms=1234.5 answers=0.4,12.1,3.0,...
// with the time of each probe's answer in ms.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/install/e2e/e2e_driver.h"

namespace {

// How often the dialogs are looked for and the main window is probed, in ms.
const DWORD POLL_MS = 5;
const DWORD PROBE_MS = 5;
// Longer than any probe answer can take while the installer is healthy.
const UINT PROBE_TIMEOUT_MS = 10000;

double NowMs()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Probe {
    HWND window = nullptr;
    std::atomic<bool> stop{false};
    std::vector<double> answers;  // ms per sent WM_NULL
};

DWORD WINAPI ProbeLoop(LPVOID context)
{
    Probe* probe = static_cast<Probe*>(context);
    while (!probe->stop.load()) {
        double start = NowMs();
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(probe->window, WM_NULL, 0, 0, SMTO_NORMAL, PROBE_TIMEOUT_MS, &result) == 0 &&
            !IsWindow(probe->window))
            break;
        probe->answers.push_back(NowMs() - start);
        Sleep(PROBE_MS);
    }
    return 0;
}

struct Outcome {
    bool ok = false;
    double ms = 0;
    std::vector<double> answers;
};

// Loads the DLL into the process (LoadLibraryA run by a thread of its own).
bool LoadIntoProcess(HANDLE process, const std::string& dll)
{
    SIZE_T size = dll.size() + 1;
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr)
        return false;
    bool loaded = false;
    void* load = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA"));
    if (WriteProcessMemory(process, remote, dll.c_str(), size, nullptr)) {
        HANDLE thread = CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(load),
                                           remote, 0, nullptr);
        DWORD module = 0;
        if (thread != nullptr) {
            loaded = WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &module) &&
                     module != 0;
            CloseHandle(thread);
        }
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return loaded;
}

Outcome InstallOnce(const std::string& installer, const std::string& scriptDir, const std::string& slowReads)
{
    Outcome outcome;
    InstallerProcess process;
    double start = NowMs();
    // The argument is the directory that holds install.ini; the installer
    // takes the whole text after its name, so it is passed unquoted.
    if (!process.Start(scriptDir, installer)) {
        printf("# %s could not be started\n", installer.c_str());
        return outcome;
    }
    HWND options = process.WaitForDialog(DialogKind::Options, 60000, POLL_MS);
    HWND mainWindow = process.MainWindow();
    if (options == nullptr || mainWindow == nullptr) {
        printf("# the options dialog did not appear\n");
        return outcome;
    }
    if (!slowReads.empty() && !LoadIntoProcess(process.Handle(), slowReads)) {
        printf("# %s could not be loaded into the installer\n", slowReads.c_str());
        return outcome;
    }
    PressButton(options, IDOK);

    // The window is probed while the panel shows, that is while the archives
    // are installed. The finishing step that follows (the panel goes, the
    // window moves off the screen and minimizes) does not pump; the answer
    // that was pending across it is dropped.
    Probe probe;
    probe.window = mainWindow;
    HANDLE thread = nullptr;
    bool done = false;
    while (process.Running()) {
        bool panel = false;
        for (HWND window : process.Windows()) {
            DialogKind kind = KindOf(window);
            if (kind == DialogKind::Panel)
                panel = true;
            if (kind == DialogKind::Panel || kind == DialogKind::Other || window == options)
                continue;
            if (kind == DialogKind::Message) {
                MessageBoxContent box = ReadMessageBox(window, false);
                // A box that has just appeared may not hold its text yet.
                if (box.text.empty())
                    continue;
                done = box.text.find("has been done") != std::string::npos;
                if (!done)
                    printf("# message: %s\n", box.text.c_str());
                PressButton(window, IDOK);
            } else {
                printf("# unexpected dialog; cancelled\n");
                PressButton(window, IDCANCEL);
            }
            probe.stop = true;
        }
        if (panel && thread == nullptr && !probe.stop)
            thread = CreateThread(nullptr, 0, ProbeLoop, &probe, 0, nullptr);
        else if (!panel && thread != nullptr)
            probe.stop = true;
        Sleep(POLL_MS);
    }
    DWORD code = process.WaitForExit(60000);
    outcome.ms = NowMs() - start;
    probe.stop = true;
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    outcome.answers = probe.answers;
    if (!outcome.answers.empty())
        outcome.answers.pop_back();
    outcome.ok = done && code == 0;
    return outcome;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string slowReads;
    if (argc > 1 && strcmp(argv[1], "--slow-reads") == 0) {
        slowReads = ProgramDir() + "slow_reads_hook.dll";
        --argc;
        ++argv;
    }
    if (argc < 6 || (argc - 3) % 3 != 0) {
        fprintf(stderr,
                "usage: install_bench_driver [--slow-reads] INSTALL_EXE ROUNDS LABEL SCRIPT_DIR DEST_DIR "
                "[LABEL SCRIPT_DIR DEST_DIR]...\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string installer = argv[1];
    int rounds = atoi(argv[2]);
    bool allOk = true;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 3; i + 2 < argc; i += 3) {
            std::string destination = argv[i + 2];
            RemoveTree(destination);
            Outcome outcome = InstallOnce(installer, WithSlash(argv[i + 1]), slowReads);
            allOk = allOk && outcome.ok;
            printf("run %s ok=%d ms=%.1f answers=", argv[i], outcome.ok ? 1 : 0, outcome.ms);
            for (size_t k = 0; k < outcome.answers.size(); ++k)
                printf(k == 0 ? "%.1f" : ",%.1f", outcome.answers[k]);
            printf("\n");
        }
    }
    return allOk ? 0 : 1;
}
