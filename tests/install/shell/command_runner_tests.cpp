// The command-line runner starting a small probe program that logs its
// command line and start-up information.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/shell/command_runner.h"
#include "install/ui/options_dialog.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

struct LogLine {
    std::string kind, tag, rest;
};

class CommandRunnerTest : public ::testing::Test {
protected:
    std::string log;
    std::vector<CommandLineEntry> entries;

    void SetUp() override
    {
        ResetInstallScript("c:\\", "c:\\");
        log = MakeTempDirectory("run") + "probe.log";
        entries.clear();
        StartRecordingMessages();
    }
    void TearDown() override
    {
        StopRecordingMessages();
        InstallScript.commandLines = nullptr;
        InstallScript.commandLineCount = 0;
    }

    std::string Probe(const std::string& tag, const std::string& extra = "")
    {
        std::string command = "\"" + ProgramDirectory() + "runner_probe.exe\" " + log + " " + tag;
        return extra.empty() ? command : command + " " + extra;
    }
    void Add(int stage, int showMode, const std::string& command)
    {
        CommandLineEntry entry = {};
        entry.stage = stage;
        entry.showMode = showMode;
        ASSERT_LT(command.size(), (size_t)PATH_SIZE);
        lstrcpynA(entry.command, command.c_str(), PATH_SIZE);
        entries.push_back(entry);
        InstallScript.commandLines = entries.data();
        InstallScript.commandLineCount = (int)entries.size();
    }

    std::vector<LogLine> Lines()
    {
        std::vector<LogLine> lines;
        std::vector<unsigned char> bytes = ReadFileBytes(log);
        std::string text(bytes.begin(), bytes.end());
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos)
                break;
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            size_t a = line.find(' ');
            size_t b = line.find(' ', a + 1);
            LogLine l;
            l.kind = line.substr(0, a);
            l.tag = line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
            l.rest = b == std::string::npos ? "" : line.substr(b + 1);
            lines.push_back(l);
        }
        return lines;
    }
    std::vector<std::string> Summary()
    {
        std::vector<std::string> out;
        for (const LogLine& l : Lines())
            out.push_back(l.kind + " " + l.tag + (l.kind == "end" ? " " + l.rest : ""));
        return out;
    }
    // Waits until the log has `count` lines of the kind.
    bool WaitForLines(const char* kind, size_t count, int timeoutMs = 15000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 50) {
            size_t n = 0;
            for (const LogLine& l : Lines())
                n += l.kind == kind;
            if (n >= count)
                return true;
            Sleep(50);
        }
        return false;
    }
    std::string Field(const LogLine& line, const char* name)
    {
        std::string key = std::string(name) + "=";
        size_t at = line.rest.find(key);
        if (at == std::string::npos)
            return "";
        size_t end = std::string(name) == "args" ? std::string::npos : line.rest.find(' ', at);
        return line.rest.substr(at + key.size(), end == std::string::npos ? std::string::npos
                                                                          : end - at - key.size());
    }
};

TEST_F(CommandRunnerTest, StagesFiveToEightWaitForEachProgramInKeyOrder)
{
    for (int stage = 5; stage <= 8; stage++) {
        SetUp();
        Add(stage, 1, Probe("A", "sleep:300"));
        Add(3, 1, Probe("X"));
        Add(stage, 1, Probe("B", "sleep:0"));
        RunCommandLines(stage);
        // Everything has ended by the time the call returns.
        std::vector<std::string> expected = {"start A", "end A slept", "start B", "end B slept"};
        EXPECT_EQ(Summary(), expected) << "stage " << stage;
    }
}

TEST_F(CommandRunnerTest, StagesOneToFourStartWithoutWaiting)
{
    for (int stage = 1; stage <= 4; stage++) {
        SetUp();
        std::string eventName = "runner_test_" + std::to_string(GetCurrentProcessId()) + "_" +
                                std::to_string(stage);
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
        Add(stage, 1, Probe("A", "event:" + eventName));
        Add(stage, 1, Probe("B", "event:" + eventName));
        // Had the runner waited, the probes would have waited for the event
        // until their time-out and logged "timeout".
        RunCommandLines(stage);
        ASSERT_TRUE(WaitForLines("start", 2)) << "stage " << stage;
        std::vector<LogLine> lines = Lines();
        for (const LogLine& l : lines)
            EXPECT_EQ(l.kind, "start") << "stage " << stage;
        // Started one after the other in key order.
        std::string createdA, createdB;
        for (const LogLine& l : lines)
            (l.tag == "A" ? createdA : createdB) = Field(l, "created");
        EXPECT_LE(std::stoull(createdA), std::stoull(createdB)) << "stage " << stage;
        SetEvent(release);
        ASSERT_TRUE(WaitForLines("end", 2));
        for (const LogLine& l : Lines()) {
            if (l.kind == "end") {
                EXPECT_EQ(l.rest, "signalled") << "stage " << stage;
            }
        }
        CloseHandle(release);
    }
}

TEST_F(CommandRunnerTest, ShowModeReachesTheStartedProgram)
{
    Add(5, 0, Probe("minimized"));
    Add(5, 1, Probe("normal"));
    Add(5, 2, Probe("maximized"));
    RunCommandLines(5);
    std::vector<LogLine> lines = Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(Field(lines[0], "show"), "7");  // SW_SHOWMINNOACTIVE
    EXPECT_EQ(Field(lines[2], "show"), "1");  // SW_SHOWNORMAL
    EXPECT_EQ(Field(lines[4], "show"), "3");  // SW_SHOWMAXIMIZED
    for (int i : {0, 2, 4})
        EXPECT_EQ(std::stoul(Field(lines[i], "flags")) & STARTF_USESHOWWINDOW, (unsigned long)STARTF_USESHOWWINDOW);
}

TEST_F(CommandRunnerTest, FailingAndOverlongCommandsAreSkippedSilently)
{
    // A destination of 104 characters: three "Dst_Dir" grow the text by
    // 3 x 97 characters when expanded.
    std::string destination = "c:\\" + std::string(100, 'd') + "\\";
    lstrcpyA(InstallScript.destinationDir, destination.c_str());
    auto sized = [&](const std::string& tag, size_t expandedLength) {
        std::string head = Probe(tag) + " Dst_DirDst_DirDst_Dir ";
        size_t expandedHead = head.size() - 21 + 3 * destination.size();
        return head + std::string(expandedLength - expandedHead, 'p');
    };
    Add(5, 1, Probe("A"));
    Add(5, 1, "c:\\no such directory\\program.exe");
    Add(5, 1, sized("long", 512));  // 512 characters do not fit 511
    Add(5, 1, sized("fits", 511));
    Add(5, 1, Probe("B"));
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    RunCommandLines(5);
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    std::vector<std::string> expected = {"start A", "end A done", "start fits", "end fits done",
                                         "start B", "end B done"};
    EXPECT_EQ(Summary(), expected);
    EXPECT_TRUE(RecordedMessages().empty());
    // The process and thread handles of every started program are closed.
    EXPECT_LE(handlesAfter, handlesBefore);
}

TEST_F(CommandRunnerTest, DestinationConfirmedInTheOptionsDialogReachesStageFourInLowerCase)
{
    std::string source = MakeTempDirectory("src");
    WriteFileBytes(source + "DATA.ARJ", {1});
    ResetInstallScript(source.c_str(), "C:\\OLD\\");
    ArchiveEntry archive = {};
    InstallScript.archives = &archive;
    InstallScript.archiveCount = 1;
    CreateTestMainWindow(0, 0, 640, 480);
    bool confirmed;
    {
        DialogDriver driver([](DWORD thread, void*) {
            HWND dialog = WaitForDialog(thread);
            if (dialog == nullptr)
                return;
            TypeText(dialog, IDC_DESTINATION_FIELD, "C:\\Tarvo\\New App");
            ClickButton(dialog, IDOK);
        }, nullptr);
        confirmed = ShowOptionsDialog();
    }
    DestroyTestMainWindow();
    InstallScript.archives = nullptr;
    InstallScript.archiveCount = 0;
    ASSERT_TRUE(confirmed);
    Add(4, 1, Probe("D", "Dst_Dir"));
    RunCommandLines(4);
    ASSERT_TRUE(WaitForLines("end", 1));
    std::vector<LogLine> lines = Lines();
    ASSERT_FALSE(lines.empty());
    std::string args = Field(lines[0], "args");
    EXPECT_NE(args.find(" D c:\\tarvo\\new app\\"), std::string::npos) << args;
}

TEST_F(CommandRunnerTest, NoCommandLinesLeavesTheCursorAlone)
{
    HCURSOR cursor = LoadCursorA(nullptr, IDC_CROSS);
    SetCursor(cursor);
    RunCommandLines(5);
    EXPECT_EQ(GetCursor(), cursor);
}

}  // namespace
