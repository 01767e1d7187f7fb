// The cached file layer: reads and seeks served from the cache, its edges,
// the records of several open files, and the message runs during reads, on
// slow media too.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "install/core/global_block.h"
#include "install/core/install_status.h"
#include "install/script/transfer_sizes.h"
#include "install/setup/cached_file.h"
#include "tests/install/setup/slow_reads.h"

namespace {

// The pump as the slowed reads see it: each read posts WM_APP unless one is
// queued, and the pump's dispatch of it ends the stretch of reads.
bool pumpProbeQueued = false;
double readMsSincePump = 0;
double longestReadMsWithoutPump = 0;

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP) {
        pumpProbeQueued = false;
        readMsSincePump = 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeMessageWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CachedFileTestWindow";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowA("CachedFileTestWindow", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

std::string TempFile(const std::vector<char>& content)
{
    char dir[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, "cft", 0, path);
    FILE* f = fopen(path, "wb");
    if (!content.empty())
        fwrite(content.data(), 1, content.size(), f);
    fclose(f);
    return path;
}

std::vector<char> Pattern(int size)
{
    std::vector<char> v((size_t)size);
    for (int i = 0; i < size; ++i)
        v[(size_t)i] = (char)(i * 7 + i / 251);
    return v;
}

class CachedFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        mainWindow = MakeMessageWindow();
        pumpEnabled = false;
        cancelRequested = false;
        SetTransferSizes(0);
        content = Pattern(100000);
        path = TempFile(content);
    }
    void TearDown() override
    {
        DestroyWindow(mainWindow);
        mainWindow = nullptr;
        pumpEnabled = false;
        cancelRequested = false;
        DeleteFileA(path.c_str());
    }
    std::vector<char> content;
    std::string path;
};

TEST_F(CachedFileTest, ReadsAndSeeksWithinTheFile)
{
    int h = OpenCached(path.c_str(), 0, 30720);
    ASSERT_NE(h, -1);
    EXPECT_EQ(CachedFileCount(), 1);
    char buffer[64];
    ASSERT_EQ(ReadCached(h, buffer, 10), 10);
    EXPECT_EQ(0, memcmp(buffer, content.data(), 10));
    EXPECT_EQ(SeekCached(h, 0, 1), 10);
    EXPECT_EQ(SeekCached(h, 99990, 0), 99990);
    // Past the end: the bytes up to the end, then 0.
    ASSERT_EQ(ReadCached(h, buffer, 64), 10);
    EXPECT_EQ(0, memcmp(buffer, content.data() + 99990, 10));
    EXPECT_EQ(ReadCached(h, buffer, 64), 0);
    EXPECT_EQ(ReadCached(h, buffer, -1), -1);
    // Beyond the size fails and keeps the position; exactly the size works.
    EXPECT_EQ(SeekCached(h, 500, 0), 500);
    EXPECT_EQ(SeekCached(h, 100001, 0), -1);
    EXPECT_EQ(SeekCached(h, 0, 1), 500);
    EXPECT_EQ(SeekCached(h, -501, 1), -1);
    EXPECT_EQ(SeekCached(h, 0, 3), -1);
    EXPECT_EQ(SeekCached(h, 0, 2), 100000);
    EXPECT_EQ(SeekCached(h, 100000, 0), 100000);
    EXPECT_EQ(CloseCached(h), 0);
    EXPECT_EQ(CachedFileCount(), 0);
}

TEST_F(CachedFileTest, LargeReadBypassesTheCacheAndKeepsIt)
{
    int h = OpenCached(path.c_str(), 0, 1000);
    ASSERT_NE(h, -1);
    std::vector<char> buffer(50000);
    ASSERT_EQ(ReadCached(h, buffer.data(), 100), 100);   // fills the cache from 0
    ASSERT_EQ(ReadCached(h, buffer.data(), 40000), 40000);
    EXPECT_EQ(0, memcmp(buffer.data(), content.data() + 100, 40000));
    // The first 1000 bytes are still cached and right.
    SeekCached(h, 900, 0);
    ASSERT_EQ(ReadCached(h, buffer.data(), 300), 300);
    EXPECT_EQ(0, memcmp(buffer.data(), content.data() + 900, 300));
    // Every byte one at a time through the cache.
    SeekCached(h, 0, 0);
    for (int i = 0; i < 100000; i += 997) {
        SeekCached(h, i, 0);
        char c;
        ASSERT_EQ(ReadCached(h, &c, 1), 1);
        ASSERT_EQ(c, content[(size_t)i]) << i;
    }
    CloseCached(h);
}

TEST_F(CachedFileTest, SmallFilesAndTwoOpenFiles)
{
    std::vector<char> small = Pattern(5);
    std::string smallPath = TempFile(small);
    int a = OpenCached(path.c_str(), 0, 30720);
    int b = OpenCached(smallPath.c_str(), 0, 30720);
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    EXPECT_EQ(CachedFileCount(), 2);
    char buffer[16];
    ASSERT_EQ(ReadCached(b, buffer, 16), 5);
    EXPECT_EQ(0, memcmp(buffer, small.data(), 5));
    SeekCached(a, 70000, 0);
    ASSERT_EQ(ReadCached(a, buffer, 16), 16);
    EXPECT_EQ(0, memcmp(buffer, content.data() + 70000, 16));
    // Closing the first leaves the second's record intact.
    EXPECT_EQ(CloseCached(a), 0);
    EXPECT_EQ(CachedFileCount(), 1);
    EXPECT_EQ(SeekCached(b, 2, 0), 2);
    ASSERT_EQ(ReadCached(b, buffer, 16), 3);
    EXPECT_EQ(0, memcmp(buffer, small.data() + 2, 3));
    EXPECT_EQ(SeekCached(b, 6, 0), -1);
    EXPECT_EQ(CloseCached(b), 0);
    EXPECT_EQ(CachedFileCount(), 0);
    DeleteFileA(smallPath.c_str());
}

TEST_F(CachedFileTest, CacheBuffersStayWithinTheirLimits)
{
    HGLOBAL tiny = AllocCacheBuffer(3);
    ASSERT_NE(tiny, nullptr);
    EXPECT_GE(GlobalSize(tiny), 16u);
    HGLOBAL huge = AllocCacheBuffer(1 << 20);
    ASSERT_NE(huge, nullptr);
    EXPECT_GE(GlobalSize(huge), 32767u);
    EXPECT_LT(GlobalSize(huge), 40000u);
    GlobalLock(huge);
    GlobalLock(huge);
    ReleaseGlobalBlock(huge);
    ReleaseGlobalBlock(tiny);
}

TEST_F(CachedFileTest, FilesWithoutCacheUseThePlatform)
{
    int h = OpenCached(path.c_str(), 0, 0);
    ASSERT_NE(h, -1);
    EXPECT_EQ(CachedFileCount(), 0);
    char buffer[8];
    SeekCached(h, 1234, 0);
    ASSERT_EQ(ReadCached(h, buffer, 8), 8);
    EXPECT_EQ(0, memcmp(buffer, content.data() + 1234, 8));
    CloseCached(h);
    EXPECT_EQ(OpenCached("Z:\\no\\such\\file.arj", 0, 30720), -1);
}

TEST_F(CachedFileTest, NoMessagesRunWhilePumpingIsOff)
{
    PostMessageA(mainWindow, WM_INSTALL_FINISH, 0, 0);
    int h = OpenCached(path.c_str(), 0, 30720);
    std::vector<char> buffer(60000);
    EXPECT_EQ(ReadCached(h, buffer.data(), 60000), 60000);
    EXPECT_EQ(ReadCached(h, buffer.data(), 100), 100);
    EXPECT_FALSE(cancelRequested);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, mainWindow, WM_INSTALL_FINISH, WM_INSTALL_FINISH, PM_REMOVE));
    CloseCached(h);
}

TEST_F(CachedFileTest, EndingTheInstallationDuringAReadFailsIt)
{
    int h = OpenCached(path.c_str(), 0, 30720);
    pumpEnabled = true;
    char buffer[100];
    ASSERT_EQ(ReadCached(h, buffer, 100), 100);  // an empty queue changes nothing
    PostMessageA(mainWindow, WM_INSTALL_FINISH, 0, 0);
    // The next cache index that is a multiple of the interval runs messages
    // (once the pump is due).
    MakeNextPumpDue();
    std::vector<char> more(2000);
    EXPECT_EQ(ReadCached(h, more.data(), 2000), -1);
    EXPECT_TRUE(cancelRequested);
    CloseCached(h);

    cancelRequested = false;
    int plain = OpenCached(path.c_str(), 0, 0);
    PostMessageA(mainWindow, WM_INSTALL_FINISH, 0, 0);
    MakeNextPumpDue();
    EXPECT_EQ(ReadCached(plain, more.data(), 2000), -1);
    EXPECT_TRUE(cancelRequested);
    CloseCached(plain);
}

void CountReadWithoutPump(double ms)
{
    readMsSincePump += ms;
    if (readMsSincePump > longestReadMsWithoutPump)
        longestReadMsWithoutPump = readMsSincePump;
    if (!pumpProbeQueued)
        pumpProbeQueued = PostMessageA(mainWindow, WM_APP, 0, 0) != 0;
}

class SlowMediaTest : public CachedFileTest, public ::testing::WithParamInterface<int> {};

TEST_P(SlowMediaTest, ReadsLetTheWindowRunEveryFewTensOfMilliseconds)
{
    // A cache fill from a diskette: the window runs at least every 50 ms of
    // reading, counted in the time the reads stand for, so that a busy
    // machine only makes the pump come sooner.
    SetTransferSizes(GetParam());
    pumpEnabled = true;
    pumpProbeQueued = false;
    readMsSincePump = 0;
    longestReadMsWithoutPump = 0;
    int h = OpenCached(path.c_str(), 0, 30720);
    ASSERT_TRUE(SlowPlatformReads(GetModuleHandleA(nullptr), DISKETTE_BYTES_PER_SECOND, CountReadWithoutPump));
    std::vector<char> buffer(30720);
    int got = ReadCached(h, buffer.data(), 100);
    SlowPlatformReads(GetModuleHandleA(nullptr), 0, nullptr);
    ASSERT_EQ(got, 100);
    ASSERT_EQ(ReadCached(h, buffer.data() + 100, 30620), 30620);  // the rest of the fill
    CloseCached(h);
    EXPECT_EQ(0, memcmp(buffer.data(), content.data(), buffer.size()));
    EXPECT_LT(longestReadMsWithoutPump, 50.0);
}

INSTANTIATE_TEST_SUITE_P(SpeedLevels, SlowMediaTest, ::testing::Values(0, 1, 2));

TEST_F(CachedFileTest, OutputFiles)
{
    std::string out = path + ".out";
    int h = CreateOutputFile(out.c_str());
    ASSERT_NE(h, -1);
    EXPECT_EQ(WriteOutputFile(h, "abc", 3), 3);
    EXPECT_EQ(CloseCached(h), 0);
    // A read-only, hidden and system file (as an earlier installation may
    // leave it) loses these attributes first: Windows would refuse to
    // truncate it or to create over it with normal attributes. Wine does
    // both anyway, so the attributes themselves are checked.
    const DWORD inTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesA(out.c_str(), inTheWay));
    ASSERT_EQ(GetFileAttributesA(out.c_str()) & inTheWay, inTheWay);
    h = CreateOutputFile(out.c_str());  // truncates
    ASSERT_NE(h, -1);
    EXPECT_EQ(CloseCached(h), 0);
    EXPECT_EQ(GetFileAttributesA(out.c_str()) & inTheWay, 0u);
    HANDLE f = CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(GetFileSize(f, nullptr), 0u);
    CloseHandle(f);
    DeleteFileA(out.c_str());
    EXPECT_EQ(CreateOutputFile("Z:\\no\\such\\dir\\x.txt"), -1);

    // Output is collected and written in large blocks; every byte arrives,
    // and a block that cannot be written fails the write or the close.
    std::string data(200000, 'x');
    for (size_t i = 0; i < data.size(); i++)
        data[i] = static_cast<char>('a' + i % 23);
    h = CreateOutputFile(out.c_str());
    ASSERT_NE(h, -1);
    for (size_t done = 0; done < data.size(); done += 1000)
        ASSERT_EQ(WriteOutputFile(h, data.data() + done, 1000), 1000);
    EXPECT_EQ(CloseCached(h), 0);
    f = CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string back(data.size() + 1, '\0');
    DWORD got = 0;
    ReadFile(f, &back[0], static_cast<DWORD>(back.size()), &got, nullptr);
    CloseHandle(f);
    EXPECT_EQ(got, data.size());
    EXPECT_TRUE(back.compare(0, got, data) == 0);

    h = CreateOutputFile(out.c_str());
    ASSERT_NE(h, -1);
    EXPECT_EQ(WriteOutputFile(h, data.data(), 1000), 1000);
    _lclose(h);  // the platform file goes away under the buffer
    EXPECT_EQ(WriteOutputFile(h, data.data(), 100000), 0);
    EXPECT_EQ(CloseCached(h), -1);
    h = CreateOutputFile(out.c_str());
    ASSERT_NE(h, -1);
    EXPECT_EQ(WriteOutputFile(h, data.data(), 1000), 1000);
    _lclose(h);
    EXPECT_EQ(CloseCached(h), -1) << "a buffer that cannot be written is not success";
    DeleteFileA(out.c_str());
}

}  // namespace
