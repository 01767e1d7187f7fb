// The installer's path through the archive reader: archives made by
// Debian's arj are opened with the file cache, their headers read and every
// entry decoded into a file with pumping on, at every speed level; the files
// must match the originals byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "install/archive/arj_reader.h"
#include "install/core/install_status.h"
#include "install/script/transfer_sizes.h"
#include "install/setup/cached_file.h"

extern int progressReports;

namespace {

const std::string fixtures = ARJ_FIXTURES_DIR;

std::string ReadWhole(const std::string& path)
{
    std::string s;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return "<missing " + path + ">";
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        s.append(buffer, n);
    fclose(f);
    return s;
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeMessageWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ArchivePathTestWindow";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowA("ArchivePathTestWindow", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

class InstallPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        outDir = std::string(temp) + "arjpath" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(outDir.c_str(), nullptr);
        mainWindow = MakeMessageWindow();
        pumpEnabled = true;
        cancelRequested = false;
        finishMessage[0] = '\0';
    }
    void TearDown() override
    {
        for (const std::string& f : written)
            DeleteFileA(f.c_str());
        RemoveDirectoryA(outDir.c_str());
        DestroyWindow(mainWindow);
        mainWindow = nullptr;
        pumpEnabled = false;
        cancelRequested = false;
        SetTransferSizes(DEFAULT_SPEED_LEVEL);
    }

    // Installs every entry of the archive into outDir (flat names) and
    // compares each file with its original. Returns the entries seen.
    int InstallAndCompare(const std::string& archiveFile)
    {
        int archive = OpenCached((fixtures + "/" + archiveFile).c_str(), 0, 30720);
        EXPECT_NE(archive, -1) << archiveFile;
        if (archive == -1)
            return 0;
        BuildCrcTable();
        int start = FindArchiveHeader(archive);
        EXPECT_NE(start, -1);
        EXPECT_NE(SeekCached(archive, start, 0), -1);
        EXPECT_EQ(ReadEntryHeader(archive, nullptr), 1);
        int entries = 0;
        for (;;) {
            char name[ENTRY_NAME_SIZE];
            int rc = ReadEntryHeader(archive, name);
            EXPECT_NE(rc, -1) << archiveFile;
            if (rc != 1)
                break;
            EXPECT_TRUE(IsEntrySupported());
            std::string flat = name;
            for (char& c : flat) {
                if (c == '/' || c == '\\')
                    c = '_';
            }
            std::string outPath = outDir + "\\" + flat;
            written.push_back(outPath);
            int output = CreateOutputFile(outPath.c_str());
            EXPECT_NE(output, -1);
            runningCrc = 0xFFFFFFFFu;
            bool ok = DecodeEntryData(archive, output, archiveFile.c_str(), flat.c_str());
            EXPECT_TRUE(ok) << archiveFile << " " << name << ": " << finishMessage;
            EXPECT_EQ(CloseCached(output), 0);
            EXPECT_EQ(~runningCrc, EntryHeader.fileCrc) << archiveFile << " " << name;
            std::string expected = ReadWhole(fixtures + "/data/" + name);
            if (EntryHeader.fileType == 1) {
                for (char& c : expected)
                    c = (char)(c & 0x7F);
            }
            EXPECT_TRUE(ReadWhole(outPath) == expected) << archiveFile << " " << name;
            ++entries;
            if (!ok)
                break;
        }
        EXPECT_EQ(CloseCached(archive), 0);
        return entries;
    }

    std::string outDir;
    std::vector<std::string> written;
};

TEST_F(InstallPathTest, EveryArchiveAtEverySpeedLevel)
{
    for (int level = 0; level < SPEED_LEVEL_COUNT; ++level) {
        SetTransferSizes(level);
        for (int m = 0; m <= 4; ++m) {
            EXPECT_EQ(InstallAndCompare("bin" + std::to_string(m) + ".arj"), 9) << level;
            EXPECT_EQ(InstallAndCompare("text" + std::to_string(m) + ".arj"), 6) << level;
        }
    }
    EXPECT_EQ(CachedFileCount(), 0);
}

TEST_F(InstallPathTest, LeadingBytesWithoutPumping)
{
    pumpEnabled = false;
    EXPECT_EQ(InstallAndCompare("lead24999.arj"), 9);
    EXPECT_EQ(InstallAndCompare("falsepair.arj"), 9);
}

TEST_F(InstallPathTest, WindowsAreReportedAsProgress)
{
    progressReports = 0;
    InstallAndCompare("bin1.arj");
    // text.txt alone fills six windows; stored entries report per piece.
    EXPECT_GE(progressReports, 10);
}

TEST_F(InstallPathTest, CancelDuringAReadEndsTheDecoding)
{
    SetTransferSizes(0);
    int archive = OpenCached((fixtures + "/bin1.arj").c_str(), 0, 30720);
    ASSERT_NE(archive, -1);
    BuildCrcTable();
    ASSERT_NE(SeekCached(archive, FindArchiveHeader(archive), 0), -1);
    ASSERT_EQ(ReadEntryHeader(archive, nullptr), 1);
    char name[ENTRY_NAME_SIZE];
    // Find the first compressed entry.
    for (;;) {
        ASSERT_EQ(ReadEntryHeader(archive, name), 1);
        if (EntryHeader.method != 0)
            break;
        ASSERT_TRUE(SkipEntryData(archive));
    }
    std::string outPath = outDir + "\\cancelled.bin";
    written.push_back(outPath);
    int output = CreateOutputFile(outPath.c_str());
    PostMessageA(mainWindow, WM_INSTALL_FINISH, 0, 0);
    MakeNextPumpDue();
    runningCrc = 0xFFFFFFFFu;
    EXPECT_FALSE(DecodeEntryData(archive, output, "bin1.arj", "cancelled.bin"));
    EXPECT_TRUE(cancelRequested);
    EXPECT_STREQ(finishMessage, "Installation process is terminated.");
    CloseCached(output);
    CloseCached(archive);
}

}  // namespace
