// End-to-end tests of install.exe: each test writes a distribution (script,
// archives made at build time, the stage-logging helper) into a directory of
// its own, starts the real program and works its dialogs and message boxes
// as a user would, then checks what was installed and which command-line
// stages ran in which order.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/install/e2e/e2e_driver.h"

namespace {

const char CAPTION[] = "Tarvo E2E Setup";
const char DONE_TEXT[] = "Installation has been done. You may run the program now.";
const char TERMINATED_TEXT[] = "Installation process is terminated.";
const DWORD WINDOW_TIMEOUT = 30000;

struct ArchiveSpec {
    std::string name;
    int replaceMode = 2;
    int checkBox = 0;
    int createDirectory = 0;
    std::string destination = "Dst_Dir";
};

struct ItemSpec {
    std::string description;
    std::string commandLine;
    int checkBox = 0;
};

struct ScriptSpec {
    int windowState = 1;
    int speedLevel = 2;
    std::vector<std::pair<std::string, int>> checkBoxes;
    std::vector<ArchiveSpec> archives;
    std::vector<ItemSpec> items;
    std::string iconGroup = "Tarvo E2E";
    bool rejected = false;  // an "ArcFileNumber" of 0
    std::string stage6Argument;  // one more argument of the stage-6 logger
};

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Paths of a directory tree, relative to root, files only.
void ListFiles(const std::string& root, const std::string& relative, std::vector<std::string>* files)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(root, relative + name + "\\", files);
        else
            files->push_back(relative + name);
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

class InstallE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();  // "Case/1" for a parameter
        std::replace(name.begin(), name.end(), '/', '_');
        root_ = TempRoot() + name + "\\";
        RemoveTree(root_.substr(0, root_.size() - 1));
        disk1_ = root_ + "disk1\\";
        disk2_ = root_ + "disk2\\";
        dest_ = root_ + "dest\\";
        ASSERT_TRUE(MakeDirectories(disk1_));
        ASSERT_TRUE(MakeDirectories(disk2_));
        ASSERT_TRUE(CopyFileA((ProgramDir() + "stage_logger.exe").c_str(), (disk1_ + "stage_logger.exe").c_str(),
                              FALSE));
    }

    void CopyArchive(const std::string& name, const std::string& directory)
    {
        ASSERT_TRUE(CopyFileA((FixtureDir() + name).c_str(), (directory + name).c_str(), FALSE)) << name;
    }

    void WriteScript(const ScriptSpec& script)
    {
        std::string s;
        char line[512];
        s += "[General Info]\r\n";
        snprintf(line, sizeof line, "IniWndStt=%d\r\nProducNam=Tarvo E2E Product\r\nDlgBoxCap=%s\r\nPicFilDir=\r\n",
                 script.windowState, CAPTION);
        s += line;
        s += "[Command Lines]\r\n";
        for (int stage = 1; stage <= 8; stage++) {
            snprintf(line, sizeof line, "ExeCLin_%02d=ES:%d_WS:0 Ini_Dirstage_logger.exe Ini_Dirstages.log %d",
                     stage, stage, stage);
            s += line;
            if (stage == 6 && !script.stage6Argument.empty())
                s += " " + script.stage6Argument;
            s += "\r\n";
        }
        s += "[Check Boxes]\r\n";
        snprintf(line, sizeof line, "ChckBoxNumber=%d\r\n", static_cast<int>(script.checkBoxes.size()));
        s += line;
        for (size_t i = 0; i < script.checkBoxes.size(); i++) {
            snprintf(line, sizeof line, "BoxText_%02d=%s\r\nBoxStat_%02d=%d\r\n", static_cast<int>(i + 1),
                     script.checkBoxes[i].first.c_str(), static_cast<int>(i + 1), script.checkBoxes[i].second);
            s += line;
        }
        s += "[Archive Files]\r\n";
        snprintf(line, sizeof line, "ArcFileNumber=%d\r\nDefSrcDir=Ini_Dir\r\nDefDstDir=%s\r\n",
                 script.rejected ? 0 : static_cast<int>(script.archives.size()), dest_.c_str());
        s += line;
        for (size_t i = 0; i < script.archives.size(); i++) {
            const ArchiveSpec& a = script.archives[i];
            int n = static_cast<int>(i + 1);
            snprintf(line, sizeof line,
                     "ArcFile_%02d=%s\r\nArcDest_%02d=%s\r\nArcSize_%02d=%d\r\nArcCBox_%02d=%d\r\n"
                     "ArcRExs_%02d=%d\r\nArcCDir_%02d=%d\r\n",
                     n, a.name.c_str(), n, a.destination.c_str(), n, n, n, a.checkBox, n, a.replaceMode, n,
                     a.createDirectory);
            s += line;
        }
        s += "[Program Items]\r\n";
        snprintf(line, sizeof line, "AddIconNumber=%d\r\nDefIcoGrp=%s\r\n", static_cast<int>(script.items.size()),
                 script.iconGroup.c_str());
        s += line;
        for (size_t i = 0; i < script.items.size(); i++) {
            int n = static_cast<int>(i + 1);
            snprintf(line, sizeof line, "IcoDesc_%02d=%s\r\nIcoCLin_%02d=%s\r\nIcoCBox_%02d=%d\r\n", n,
                     script.items[i].description.c_str(), n, script.items[i].commandLine.c_str(), n,
                     script.items[i].checkBox);
            s += line;
        }
        s += "[Percent Bars]\r\n";
        if (script.windowState == 1) {
            s += "PrctBarNumber=1\r\nWndExtHor=100\r\nWndExtVer=100\r\n"
                 "PrcPLef_01=10\r\nPrcPTop_01=80\r\nPrcPRig_01=90\r\nPrcPBot_01=85\r\nPrcFDir_01=1\r\n"
                 "PrcBord_01=1\r\nPrcBrdR_01=255\r\nPrcBrdG_01=255\r\nPrcBrdB_01=255\r\n"
                 "PrcBkgR_01=0\r\nPrcBkgG_01=0\r\nPrcBkgB_01=80\r\nPrcFilR_01=0\r\nPrcFilG_01=200\r\nPrcFilB_01=0\r\n";
        } else {
            s += "PrctBarNumber=0\r\n";
        }
        snprintf(line, sizeof line, "[Other Options]\r\nDefPrgSpd=%d\r\n", script.speedLevel);
        s += line;
        ASSERT_TRUE(WriteWholeFile(disk1_ + "install.ini", s));
    }

    void Start()
    {
        ASSERT_TRUE(installer_.Start(disk1_.substr(0, disk1_.size() - 1), program_));
    }

    // Confirms the options dialog as it stands.
    void ConfirmOptions()
    {
        HWND options = installer_.WaitForDialog(DialogKind::Options, WINDOW_TIMEOUT);
        ASSERT_NE(options, nullptr) << "no options dialog";
        PressAndWait(options, IDOK);
    }

    // Starts an installation of MAIN.ARJ from the first diskette and
    // EXTRA.ARJ from the second (copied there too when asked) and gives the
    // diskette prompt that follows the first archive (null when none comes).
    HWND StartUntilDiskettePrompt(bool fillSecondDiskette)
    {
        CopyArchive("MAIN.ARJ", disk1_);
        if (fillSecondDiskette)
            CopyArchive("EXTRA.ARJ", disk2_);
        ScriptSpec script;
        script.archives = {{"MAIN.ARJ"}, {"EXTRA.ARJ"}};
        WriteScript(script);
        Start();
        ConfirmOptions();
        HWND prompt = installer_.WaitForPrompt(WINDOW_TIMEOUT);
        if (prompt == nullptr || KindOf(prompt) != DialogKind::Diskette)
            return nullptr;
        return prompt;
    }

    // Starts the installation of the large archive at the slowest speed and
    // gives its panel once the output file has begun to be written (null when
    // no panel appears). Stage 6 logs the output file's size.
    HWND StartLargeInstallation()
    {
        CopyArchive("BIG.ARJ", disk1_);
        ScriptSpec script;
        script.speedLevel = 0;
        script.archives = {{"BIG.ARJ"}};
        script.stage6Argument = "size:Dst_Dirlarge.dat";
        WriteScript(script);
        Start();
        ConfirmOptions();
        HWND panel = installer_.WaitForDialog(DialogKind::Panel, WINDOW_TIMEOUT);
        if (panel == nullptr)
            return nullptr;
        std::string output = dest_ + "large.dat";
        for (int i = 0; i < 600; i++) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (GetFileAttributesExA(output.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow > 0)
                break;
            Pause(50);
        }
        return panel;
    }

    // Waits for the next prompt, which must be a message box; reads it and
    // presses its first button.
    MessageBoxContent NextMessageBox()
    {
        MessageBoxContent content;
        HWND prompt = installer_.WaitForPrompt(WINDOW_TIMEOUT);
        EXPECT_NE(prompt, nullptr) << "no message box";
        if (prompt == nullptr)
            return content;
        EXPECT_EQ(KindOf(prompt), DialogKind::Message);
        content = ReadMessageBox(prompt);
        PressAndWait(prompt, IDOK);
        return content;
    }

    void ExpectFinalBox(const std::string& text, BoxIcon icon)
    {
        MessageBoxContent box = NextMessageBox();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, CAPTION);
        EXPECT_EQ(box.icon, icon);
    }

    void ExpectExit()
    {
        EXPECT_EQ(installer_.WaitForExit(60000), 0u);
        // Programs of stages 1 to 4 are not waited for; give them a moment.
        Pause(300);
    }

    // The logged lines of the stages' command lines (stage number and
    // arguments), in the order they were started.
    std::vector<std::string> StageLines()
    {
        std::string log;
        std::vector<std::pair<std::string, std::string>> entries;
        if (!ReadWholeFile(disk1_ + "stages.log", &log))
            return {};
        size_t pos = 0;
        while (pos < log.size()) {
            size_t end = log.find('\n', pos);
            if (end == std::string::npos)
                end = log.size();
            std::string line = log.substr(pos, end - pos);
            size_t space = line.find(' ');
            if (space != std::string::npos)
                entries.push_back({line.substr(0, space), line.substr(space + 1)});
            pos = end + 1;
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const std::pair<std::string, std::string>& a,
                            const std::pair<std::string, std::string>& b) { return a.first < b.first; });
        std::vector<std::string> lines;
        for (const auto& entry : entries)
            lines.push_back(entry.second);
        return lines;
    }

    std::vector<int> Stages()
    {
        std::vector<int> stages;
        for (const std::string& line : StageLines())
            stages.push_back(atoi(line.c_str()));
        return stages;
    }

    std::string Contents(const std::string& path)
    {
        std::string data;
        EXPECT_TRUE(ReadWholeFile(path, &data)) << path;
        return data;
    }

    // Installs the one archive, which fails: its text with the stop icon,
    // then stages 6 and 7.
    void ExpectFailedInstallation(const std::string& archive, const std::string& text)
    {
        CopyArchive(archive, disk1_);
        ScriptSpec script;
        script.archives = {{archive}};
        WriteScript(script);
        Start();
        ConfirmOptions();
        ExpectFinalBox(text + TERMINATED_TEXT, BoxIcon::Stop);
        ExpectExit();
        std::vector<int> expectedStages = {1, 2, 3, 4, 6, 7, 8};
        EXPECT_EQ(Stages(), expectedStages);
    }

    std::string root_, disk1_, disk2_, dest_;
    std::string program_;  // the installer started; bin\install.exe when empty
    InstallerProcess installer_;
};

// The creation time of a file as an MS-DOS date and time.
bool FileDosStamp(const std::string& path, WORD* date, WORD* time)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME written;
    bool ok = GetFileTime(file, nullptr, nullptr, &written) && FileTimeToDosDateTime(&written, date, time);
    CloseHandle(file);
    return ok;
}

TEST_F(InstallE2E, CompleteInstallationCopiesEveryFileExactly)
{
    CopyArchive("MAIN.ARJ", disk1_);
    ScriptSpec script;
    script.checkBoxes = {{"Main files", 1}};
    script.archives = {{"MAIN.ARJ", 2, 1}};
    WriteScript(script);
    Start();
    ConfirmOptions();
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();

    std::vector<int> expectedStages = {1, 2, 3, 4, 5, 7, 8};
    EXPECT_EQ(Stages(), expectedStages);

    std::string source = FixtureDir() + "src\\main\\";
    std::vector<std::string> files;
    ListFiles(source, "", &files);
    ASSERT_EQ(files.size(), 7u);
    // 2001-02-03 04:05:06 in MS-DOS form.
    const WORD expectedDate = static_cast<WORD>(((2001 - 1980) << 9) | (2 << 5) | 3);
    const WORD expectedTime = static_cast<WORD>((4 << 11) | (5 << 5) | (6 / 2));
    for (const std::string& relative : files) {
        std::string installed = dest_ + Lower(relative);
        std::string expected = Contents(source + relative);
        if (relative == "HIGH.TXT")
            for (char& c : expected)
                c = static_cast<char>(c & 0x7F);
        EXPECT_TRUE(Contents(installed) == expected) << relative << " differs";
        size_t slash = installed.rfind('\\');
        EXPECT_EQ(StoredName(installed), installed.substr(slash + 1)) << "name not lower-case";
        WORD date = 0, time = 0;
        EXPECT_TRUE(FileDosStamp(installed, &date, &time));
        EXPECT_EQ(date, expectedDate) << relative;
        EXPECT_EQ(time, expectedTime) << relative;
        DWORD attributes = GetFileAttributesA(installed.c_str());
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_READONLY) != 0, relative == "RDONLY.TXT") << relative;
    }
    // Directories named by the entries keep the case in which they are named.
    EXPECT_EQ(StoredName(dest_ + "Data"), "Data");
    EXPECT_EQ(StoredName(dest_ + "sub\\deep"), "deep");
}

TEST_F(InstallE2E, SecondDisketteDirectoryIsAskedForOnce)
{
    HWND prompt = StartUntilDiskettePrompt(true);
    ASSERT_NE(prompt, nullptr) << "no diskette prompt";
    EXPECT_EQ(ControlText(prompt, 110), Lower(disk1_));
    // The first archive is in place before the prompt.
    EXPECT_EQ(GetFileAttributesA((dest_ + "prog.bin").c_str()) != INVALID_FILE_ATTRIBUTES, true);
    SetControlText(prompt, 110, disk2_);
    PressAndWait(prompt, IDOK);

    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();
    EXPECT_EQ(Contents(dest_ + "second.txt"), Contents(FixtureDir() + "src\\extra\\SECOND.TXT"));
}

TEST_F(InstallE2E, CancelInDisketteDialogTerminates)
{
    HWND prompt = StartUntilDiskettePrompt(true);
    ASSERT_NE(prompt, nullptr) << "no diskette prompt";
    PressAndWait(prompt, IDCANCEL);

    ExpectFinalBox(TERMINATED_TEXT, BoxIcon::Information);
    ExpectExit();
    std::vector<int> expectedStages = {1, 2, 3, 4, 6, 7, 8};
    EXPECT_EQ(Stages(), expectedStages);
    EXPECT_EQ(GetFileAttributesA((dest_ + "second.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A program run to its end with its output in a file; its exit code, or
// STILL_ACTIVE when it could not be started or did not end in time.
DWORD RunToEnd(const std::string& commandLine, const std::string& outputFile)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                                nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    DWORD code = STILL_ACTIVE;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(output);
    return code;
}

// distpack (its Windows build) packs a product tree of two archives for
// 360 KB diskettes, the sizes forcing a second diskette; the installer that
// it put on the first installs the tree from both, asking for the second.
TEST_F(InstallE2E, DistpackedProductInstallsFromTwoDiskettes)
{
    std::string src = root_ + "src\\";
    std::string product = src + "product\\";
    std::string out = root_ + "out";
    // APP: 220,000 bytes that do not compress and a text; DOCS: words in
    // random order with 8-bit characters, a folder down.
    unsigned seed = 12345;
    auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
    std::string random(220000, '\0');
    for (char& c : random)
        c = static_cast<char>(next());
    const char* const words[] = {"diskette", "archive", "window", "install", "program", "group", "\xe9t\xe9",
                                 "setup", "item", "path", "Tarvo", "\r\n"};
    std::string text;
    while (text.size() < 60000)
        text += std::string(words[next() % 12]) + " ";
    ASSERT_TRUE(MakeDirectories(product + "app\\bin\\") && MakeDirectories(product + "docs\\guide\\"));
    ASSERT_TRUE(WriteWholeFile(product + "app\\bin\\app.bin", random));
    ASSERT_TRUE(WriteWholeFile(product + "app\\readme.txt", "Tarvo App\r\n"));
    ASSERT_TRUE(WriteWholeFile(product + "docs\\guide\\usage.txt", text));
    ScriptSpec script;
    script.archives = {{"APP.ARJ"}, {"DOCS.ARJ", 2, 0, 0, "Dst_DirDOCS"}};
    WriteScript(script);
    ASSERT_TRUE(MoveFileA((disk1_ + "install.ini").c_str(), (src + "install.ini").c_str()));

    std::string log = root_ + "distpack.log";
    DWORD code = RunToEnd("\"" + ProgramDir() + "distpack.exe\" \"" + src + "install.ini\" \"" + product +
                              "\\\" \"" + out + "\" --disk 360K --text *.TXT",
                          log);
    ASSERT_EQ(code, 0u) << Contents(log);
    ASSERT_NE(GetFileAttributesA((out + "\\disk2\\DOCS.ARJ").c_str()), INVALID_FILE_ATTRIBUTES) << Contents(log);
    ASSERT_TRUE(CopyFileA((ProgramDir() + "stage_logger.exe").c_str(), (out + "\\disk1\\stage_logger.exe").c_str(),
                          FALSE));

    disk1_ = out + "\\disk1\\";
    program_ = disk1_ + "INSTALL.EXE";
    Start();
    ConfirmOptions();
    HWND prompt = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(prompt, nullptr) << "no diskette prompt";
    ASSERT_EQ(KindOf(prompt), DialogKind::Diskette);
    SetControlText(prompt, 110, out + "\\disk2\\");
    PressAndWait(prompt, IDOK);
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();

    for (char& c : text)
        c = static_cast<char>(c & 0x7F);
    EXPECT_TRUE(Contents(dest_ + "bin\\app.bin") == random) << "app.bin differs";
    EXPECT_EQ(Contents(dest_ + "readme.txt"), "Tarvo App\r\n");
    EXPECT_TRUE(Contents(dest_ + "DOCS\\guide\\usage.txt") == text) << "usage.txt differs";
}

class ReplaceModes : public InstallE2E {
protected:
    void PrepareExistingFiles()
    {
        ASSERT_TRUE(MakeDirectories(dest_));
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            ASSERT_TRUE(WriteWholeFile(dest_ + name, "old\r\n"));
        CopyArchive("REPL1.ARJ", disk1_);
        CopyArchive("REPL2.ARJ", disk1_);
    }

    bool Replaced(const char* name)
    {
        std::string expected = std::string("new contents of ") + name + "\r\n";
        for (char& c : expected)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        std::string actual = Contents(dest_ + name);
        for (char& c : actual)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return actual == expected;
    }

    // Answers one overwrite prompt, checking that it names the file.
    void Answer(const char* name, int button)
    {
        HWND prompt = installer_.WaitForPrompt(WINDOW_TIMEOUT);
        ASSERT_NE(prompt, nullptr);
        ASSERT_EQ(KindOf(prompt), DialogKind::Overwrite);
        EXPECT_EQ(ControlText(prompt, 124), std::string("The file '") + name + "' already exists.");
        PressAndWait(prompt, button);
    }
};

TEST_F(ReplaceModes, KeepAndReplaceNeverAsk)
{
    PrepareExistingFiles();
    ScriptSpec script;
    script.archives = {{"REPL1.ARJ", 0}, {"REPL2.ARJ", 2}};
    WriteScript(script);
    Start();
    ConfirmOptions();
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();
    EXPECT_FALSE(Replaced("a.txt"));
    EXPECT_FALSE(Replaced("b.txt"));
    EXPECT_TRUE(Replaced("c.txt"));
    EXPECT_TRUE(Replaced("d.txt"));
}

TEST_F(ReplaceModes, YesToAllHoldsAcrossArchives)
{
    PrepareExistingFiles();
    ScriptSpec script;
    script.archives = {{"REPL1.ARJ", 1}, {"REPL2.ARJ", 1}};
    WriteScript(script);
    Start();
    ConfirmOptions();
    Answer("a.txt", 130);
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        EXPECT_TRUE(Replaced(name)) << name;
}

TEST_F(ReplaceModes, NoToAllHoldsAcrossArchives)
{
    PrepareExistingFiles();
    ScriptSpec script;
    script.archives = {{"REPL1.ARJ", 1}, {"REPL2.ARJ", 1}};
    WriteScript(script);
    Start();
    ConfirmOptions();
    Answer("a.txt", 131);
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        EXPECT_FALSE(Replaced(name)) << name;
}

TEST_F(ReplaceModes, YesAndNoAskAgainForTheNextFile)
{
    PrepareExistingFiles();
    ScriptSpec script;
    script.archives = {{"REPL1.ARJ", 1}, {"REPL2.ARJ", 1}};
    WriteScript(script);
    Start();
    ConfirmOptions();
    Answer("a.txt", 6);
    Answer("b.txt", 7);
    Answer("c.txt", 6);
    Answer("d.txt", 7);
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();
    EXPECT_TRUE(Replaced("a.txt"));
    EXPECT_FALSE(Replaced("b.txt"));
    EXPECT_TRUE(Replaced("c.txt"));
    EXPECT_FALSE(Replaced("d.txt"));
}

TEST_F(InstallE2E, CancelOnPanelDuringLargeArchive)
{
    // Cancel once the file has begun to be written.
    HWND panel = StartLargeInstallation();
    ASSERT_NE(panel, nullptr);
    std::string output = dest_ + "large.dat";
    PressButton(panel, IDCANCEL);

    ExpectFinalBox(TERMINATED_TEXT, BoxIcon::Information);
    ExpectExit();
    std::vector<int> expectedStages = {1, 2, 3, 4, 6, 7, 8};
    EXPECT_EQ(Stages(), expectedStages);
    std::string written = Contents(output);
    std::string full = Contents(FixtureDir() + "src\\big\\LARGE.DAT");
    EXPECT_GT(written.size(), 0u) << "the part already written stays";
    EXPECT_LT(written.size(), full.size());
    EXPECT_TRUE(full.compare(0, written.size(), written) == 0);
    // Stage 6 could take the file (it was closed) and nothing was written
    // to it afterwards.
    std::vector<std::string> lines = StageLines();
    ASSERT_EQ(lines.size(), expectedStages.size());
    std::string seen = lines[4];  // stage 6
    EXPECT_EQ(seen.substr(seen.rfind('=') + 1), std::to_string(written.size())) << seen;
}

TEST_F(InstallE2E, WindowKeepsItsPlaceAndCloseAsksFirst)
{
    HWND panel = StartLargeInstallation();
    ASSERT_NE(panel, nullptr);
    HWND main = installer_.MainWindow();
    ASSERT_NE(main, nullptr);

    // Closing asks; the installation waits for the answer.
    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND box = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(box, nullptr);
    MessageBoxContent question = ReadMessageBox(box);
    EXPECT_EQ(question.text, "Installation process will be terminated.");
    EXPECT_EQ(question.caption, CAPTION);
    EXPECT_EQ(question.icon, BoxIcon::Exclamation);

    // Moving is undone and maximizing refused while the installation runs.
    SetWindowPos(main, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Pause(500);
    RECT rect;
    GetWindowRect(main, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_FALSE(IsZoomed(main));

    // (Minimizing is not checked here: without a window manager, Wine's X11
    // driver restores a minimized visible window at once.)

    // Cancel goes on with the installation; the next close asks again at
    // once, before the archive is done.
    PressAndWait(box, IDCANCEL);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(panel));

    // OK ends it; with no failure text nothing more is shown.
    box = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadMessageBox(box).text, "Installation process will be terminated.");
    PressAndWait(box, IDOK);
    EXPECT_EQ(installer_.WaitForPrompt(3000), nullptr);
    ExpectExit();
    std::vector<int> expectedStages = {1, 2, 3, 4, 6, 7, 8};
    EXPECT_EQ(Stages(), expectedStages);
}

TEST_F(InstallE2E, ClosingWhileAPromptIsOpenOnlyBeeps)
{
    HWND prompt = StartUntilDiskettePrompt(false);
    ASSERT_NE(prompt, nullptr) << "no diskette prompt";
    PostMessageA(installer_.MainWindow(), WM_CLOSE, 0, 0);
    Pause(1000);
    for (HWND window : installer_.Windows())
        EXPECT_NE(KindOf(window), DialogKind::Message);
    EXPECT_TRUE(IsWindowVisible(prompt));
    PressAndWait(prompt, IDCANCEL);
    ExpectFinalBox(TERMINATED_TEXT, BoxIcon::Information);
    ExpectExit();
}

TEST_F(InstallE2E, CancelInOptionsDialogShowsNothing)
{
    CopyArchive("MAIN.ARJ", disk1_);
    ScriptSpec script;
    script.archives = {{"MAIN.ARJ"}};
    WriteScript(script);
    Start();
    HWND options = installer_.WaitForDialog(DialogKind::Options, WINDOW_TIMEOUT);
    ASSERT_NE(options, nullptr);
    Pause(500);
    PressButton(options, IDCANCEL);
    // No message follows: the process ends by itself.
    EXPECT_EQ(installer_.WaitForExit(30000), 0u);
    Pause(300);
    std::vector<int> stages = Stages();
    ASSERT_GE(stages.size(), 2u);
    EXPECT_EQ(stages.front(), 1);
    EXPECT_EQ(stages.back(), 8);
    for (int stage : stages)
        EXPECT_TRUE(stage == 1 || stage == 2 || stage == 8) << "stage " << stage;
    EXPECT_EQ(GetFileAttributesA((dest_ + "prog.bin").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(InstallE2E, CorruptedEntryStopsWithCrcMessage)
{
    ExpectFailedInstallation("BAD.ARJ", "The file 'broken.bin' is not correctly unpacked. ");
    // The file stays as it was written.
    EXPECT_EQ(Contents(dest_ + "broken.bin").size(), 3000u);
}

TEST_F(InstallE2E, TruncatedArchiveStopsWithReadError)
{
    ExpectFailedInstallation("SHORT.ARJ", "Reading or unpacking error in 'short.arj'. ");
}

TEST_F(InstallE2E, EntryWhoseDirectoryCannotBeMadeStopsTheInstallation)
{
    // A file stands where the directory of the entry Data\Table.DAT belongs.
    ASSERT_TRUE(MakeDirectories(dest_));
    ASSERT_TRUE(WriteWholeFile(dest_ + "Data", "in the way"));
    ExpectFailedInstallation("MAIN.ARJ", "Cannot create the file '" + Lower(dest_) + "data\\table.dat'. ");
}

// Whether the second diskette's archive is damaged: the installation fails.
class FinishWaitingForTheProgramFile : public InstallE2E, public ::testing::WithParamInterface<bool> {};

TEST_P(FinishWaitingForTheProgramFile, RunsOnceAndKeepsItsOutcome)
{
    // The installer runs from a copy whose directory is moved away while the
    // diskette prompt is open, as when its diskette has been taken out: the
    // finish waits with "Insert the first diskette.".
    bool fails = GetParam();
    std::string programDir = root_ + "program";
    ASSERT_TRUE(MakeDirectories(programDir));
    program_ = programDir + "\\install.exe";
    ASSERT_TRUE(CopyFileA((ProgramDir() + "install.exe").c_str(), program_.c_str(), FALSE));
    HWND prompt = StartUntilDiskettePrompt(true);
    ASSERT_NE(prompt, nullptr) << "no diskette prompt";
    if (fails) {
        ASSERT_TRUE(CopyFileA((FixtureDir() + "SHORT.ARJ").c_str(), (disk2_ + "EXTRA.ARJ").c_str(), FALSE));
    }
    ASSERT_TRUE(MoveFileA(programDir.c_str(), (programDir + "-away").c_str()));
    SetControlText(prompt, 110, disk2_);
    PressAndWait(prompt, IDOK);

    HWND box = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(box, nullptr);
    std::vector<std::string> shown = {ReadMessageBox(box).text};
    // Cancel on the panel while the finish waits does nothing: a failure
    // text stays as it was.
    HWND panel = installer_.WaitForDialog(DialogKind::Panel, 1000);
    ASSERT_NE(panel, nullptr);
    PressButton(panel, IDCANCEL);
    Pause(1000);
    ASSERT_TRUE(MoveFileA((programDir + "-away").c_str(), programDir.c_str()));
    PressAndWait(box, IDOK);
    // Every later box, until the installer ends.
    while ((box = installer_.WaitForPrompt(WINDOW_TIMEOUT)) != nullptr) {
        shown.push_back(ReadMessageBox(box).text);
        PressAndWait(box, IDOK);
    }
    ExpectExit();
    std::vector<std::string> expectedBoxes = {
        "Insert the first diskette.",
        fails ? std::string("Reading or unpacking error in 'extra.arj'. ") + TERMINATED_TEXT : DONE_TEXT};
    EXPECT_EQ(shown, expectedBoxes);
    std::vector<int> expectedStages = {1, 2, 3, 4, fails ? 6 : 5, 7, 8};
    EXPECT_EQ(Stages(), expectedStages);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, FinishWaitingForTheProgramFile, ::testing::Bool());

TEST_F(InstallE2E, RejectedScriptShowsOneMessageAndNoWindow)
{
    CopyArchive("MAIN.ARJ", disk1_);
    ScriptSpec script;
    script.archives = {{"MAIN.ARJ"}};
    script.rejected = true;
    WriteScript(script);
    Start();
    HWND prompt = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(installer_.MainWindow(), nullptr);
    MessageBoxContent box = ReadMessageBox(prompt);
    EXPECT_EQ(box.text, "The file 'install.ini' is not correct.");
    EXPECT_EQ(box.caption, CAPTION);
    EXPECT_EQ(box.icon, BoxIcon::Exclamation);
    PressButton(prompt, IDOK);
    EXPECT_EQ(installer_.WaitForExit(30000), 0u);
    Pause(300);
    EXPECT_TRUE(Stages().empty());
    EXPECT_EQ(GetFileAttributesA((disk1_ + "stages.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(InstallE2E, MinimizedInstallerStillAsks)
{
    ASSERT_TRUE(MakeDirectories(dest_));
    ASSERT_TRUE(WriteWholeFile(dest_ + "a.txt", "old\r\n"));
    CopyArchive("REPL1.ARJ", disk1_);
    ScriptSpec script;
    script.windowState = 0;
    script.archives = {{"REPL1.ARJ", 1}};
    WriteScript(script);
    Start();
    HWND options = installer_.WaitForDialog(DialogKind::Options, WINDOW_TIMEOUT);
    ASSERT_NE(options, nullptr);
    HWND main = installer_.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(IsIconic(main));
    PressAndWait(options, IDOK);

    HWND prompt = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(prompt, nullptr);
    ASSERT_EQ(KindOf(prompt), DialogKind::Overwrite);
    EXPECT_TRUE(IsIconic(main));
    // Restoring is refused while the script keeps the installer minimized.
    PostMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    Pause(300);
    EXPECT_TRUE(IsIconic(main));
    PressAndWait(prompt, 6);
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();
}

class ProgramManager : public InstallE2E {
protected:
    void SetUp() override
    {
        InstallE2E::SetUp();
        char name[64];
        snprintf(name, sizeof name, "Tarvo E2E %lu", static_cast<unsigned long>(GetTickCount()));
        group_ = name;
        char programs[MAX_PATH] = "";
        ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs)));
        groupDir_ = std::string(programs) + "\\" + group_ + "\\";
    }

    void TearDown() override { RemoveTree(groupDir_.substr(0, groupDir_.size() - 1)); }

    // Items: two selected (check box 0, and check box 1 checked), one not
    // (check box 2 unchecked). Wine's shell adds items whose command line is
    // a plain program path.
    ScriptSpec Spec(int secondBox)
    {
        ScriptSpec script;
        script.checkBoxes = {{"Tools", 1}, {"Extras", secondBox}};
        script.archives = {{"MAIN.ARJ"}};
        script.items = {{"Read Me", "Dst_Dirstored.bin", 0},
                      {"Notepad", "Win_Dirnotepad.exe", 1},
                      {"Extra Notes", "Dst_Dirfast.dat", 2}};
        script.iconGroup = group_;
        return script;
    }

    std::string group_;
    std::string groupDir_;
};

TEST_F(ProgramManager, ChosenGroupGetsOneLinkPerSelectedItem)
{
    CopyArchive("MAIN.ARJ", disk1_);
    WriteScript(Spec(0));
    Start();
    ConfirmOptions();
    HWND dialog = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(KindOf(dialog), DialogKind::Groups);
    EXPECT_EQ(ControlText(dialog, 112), group_);
    EXPECT_EQ(ControlText(dialog, 125), "Tarvo E2E Product");
    PressAndWait(dialog, IDOK);
    // No closing message follows the dialog.
    ExpectExit();
    EXPECT_NE(StoredName(groupDir_ + "Read Me.lnk"), "");
    EXPECT_NE(StoredName(groupDir_ + "Notepad.lnk"), "");
    EXPECT_EQ(StoredName(groupDir_ + "Extra Notes.lnk"), "");
    std::vector<int> expectedStages = {1, 2, 3, 4, 5, 7, 8};
    EXPECT_EQ(Stages(), expectedStages);
}

TEST_F(ProgramManager, CancelCreatesNothing)
{
    CopyArchive("MAIN.ARJ", disk1_);
    WriteScript(Spec(0));
    Start();
    ConfirmOptions();
    HWND dialog = installer_.WaitForPrompt(WINDOW_TIMEOUT);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(KindOf(dialog), DialogKind::Groups);
    PressAndWait(dialog, IDCANCEL);
    ExpectExit();
    EXPECT_EQ(GetFileAttributesA(groupDir_.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProgramManager, NoSelectedItemSkipsTheDialog)
{
    CopyArchive("MAIN.ARJ", disk1_);
    ScriptSpec script = Spec(0);
    for (ItemSpec& item : script.items)
        item.checkBox = 2;
    WriteScript(script);
    Start();
    ConfirmOptions();
    ExpectFinalBox(DONE_TEXT, BoxIcon::Information);
    ExpectExit();
    EXPECT_EQ(GetFileAttributesA(groupDir_.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
