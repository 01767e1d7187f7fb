// The resources built into areacap.exe, read from the program file itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/areacap/test_host.h"

namespace {

class AreacapResources : public ::testing::Test {
protected:
    static HMODULE module;
    static void SetUpTestSuite()
    {
        std::string exe = ProgramDirectory() + "areacap.exe";
        module = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        if (module)
            FreeLibrary(module);
        module = NULL;
    }

    // The raw data of a resource, or NULL.
    static const unsigned char *Data(LPCSTR name, LPCSTR type, DWORD *size)
    {
        HRSRC found = FindResourceA(module, name, type);
        if (!found)
            return NULL;
        *size = SizeofResource(module, found);
        return static_cast<const unsigned char *>(LockResource(LoadResource(module, found)));
    }

    // Header of a bitmap resource (a DIB without its file header).
    static BITMAPINFOHEADER Header(LPCSTR name)
    {
        BITMAPINFOHEADER h;
        memset(&h, 0, sizeof h);
        DWORD size = 0;
        const unsigned char *p = Data(name, MAKEINTRESOURCEA(2) /* RT_BITMAP */, &size);
        if (p && size >= sizeof h)
            memcpy(&h, p, sizeof h);
        return h;
    }
};

HMODULE AreacapResources::module;

}  // namespace

TEST_F(AreacapResources, HintString)
{
    ASSERT_TRUE(module != NULL);
    char text[256];
    ASSERT_GT(LoadStringA(module, 1, text, sizeof text), 0);
    EXPECT_STREQ("Click the left mouse button and drag mouse to select area to be captured. Click on camera icon "
                 "to capture. Press [Esc] to cancel.",
                 text);
}

TEST_F(AreacapResources, ToolbarBitmapsAre16ColourWithLightGreyBackground)
{
    ASSERT_TRUE(module != NULL);
    struct {
        int id;
        int size;
    } bitmaps[] = {{108, 22}, {109, 21}, {110, 21}, {111, 16}};
    for (auto &b : bitmaps) {
        DWORD size = 0;
        const unsigned char *p = Data(MAKEINTRESOURCEA(b.id), MAKEINTRESOURCEA(2), &size);
        ASSERT_TRUE(p != NULL) << b.id;
        BITMAPINFOHEADER h = Header(MAKEINTRESOURCEA(b.id));
        EXPECT_EQ(b.size, h.biWidth) << b.id;
        EXPECT_EQ(b.size, h.biHeight) << b.id;
        EXPECT_EQ(4, h.biBitCount) << b.id;
        const RGBQUAD *palette = reinterpret_cast<const RGBQUAD *>(p + h.biSize);
        EXPECT_EQ(0xC0, palette[7].rgbRed);
        EXPECT_EQ(0xC0, palette[7].rgbGreen);
        EXPECT_EQ(0xC0, palette[7].rgbBlue);
        EXPECT_EQ(0x80, palette[8].rgbRed);
        EXPECT_EQ(0xFF, palette[15].rgbBlue);
        // The first pixel (a corner) is the background, index 7.
        const unsigned char *bits = p + h.biSize + 16 * sizeof(RGBQUAD);
        EXPECT_EQ(7, bits[0] >> 4) << b.id;
        HBITMAP loaded = LoadBitmapA(module, MAKEINTRESOURCEA(b.id));
        EXPECT_TRUE(loaded != NULL) << b.id;
        if (loaded)
            DeleteObject(loaded);
    }
}

TEST_F(AreacapResources, SelectionPatternIsACheckerboardOfFourPixelSquares)
{
    ASSERT_TRUE(module != NULL);
    DWORD size = 0;
    const unsigned char *p = Data("BM_SELECT", MAKEINTRESOURCEA(2), &size);
    ASSERT_TRUE(p != NULL);
    BITMAPINFOHEADER h = Header("BM_SELECT");
    EXPECT_EQ(8, h.biWidth);
    EXPECT_EQ(8, h.biHeight);
    EXPECT_EQ(1, h.biBitCount);
    const RGBQUAD *palette = reinterpret_cast<const RGBQUAD *>(p + h.biSize);
    EXPECT_EQ(0, palette[0].rgbRed);
    EXPECT_EQ(0xFF, palette[1].rgbRed);
    const unsigned char *bits = p + h.biSize + 2 * sizeof(RGBQUAD);
    // Rows are stored bottom-up, 4 bytes each: the lower rows (4-7) have
    // columns 4-7 black (bit 0), the upper rows (0-3) columns 0-3 black.
    for (int stored = 0; stored < 8; stored++)
        EXPECT_EQ(stored < 4 ? 0xF0 : 0x0F, bits[stored * 4]) << stored;
}

TEST_F(AreacapResources, CursorsHaveTheirHotSpots)
{
    ASSERT_TRUE(module != NULL);
    struct {
        const char *name;
        int x, y;
    } cursors[] = {{"CAMERACUR", 15, 16}, {"BoxSelCur", 5, 5}};
    for (auto &c : cursors) {
        DWORD size = 0;
        const unsigned char *group = Data(c.name, MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */, &size);
        ASSERT_TRUE(group != NULL) << c.name;
        int id = LookupIconIdFromDirectoryEx(const_cast<PBYTE>(group), FALSE, 32, 32, LR_MONOCHROME);
        ASSERT_NE(0, id) << c.name;
        const unsigned char *cursor = Data(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(1) /* RT_CURSOR */, &size);
        ASSERT_TRUE(cursor != NULL) << c.name;
        WORD hotspot[2];
        memcpy(hotspot, cursor, sizeof hotspot);
        EXPECT_EQ(c.x, hotspot[0]) << c.name;
        EXPECT_EQ(c.y, hotspot[1]) << c.name;
        BITMAPINFOHEADER h;
        memcpy(&h, cursor + 4, sizeof h);
        EXPECT_EQ(32, h.biWidth) << c.name;
        EXPECT_EQ(64, h.biHeight) << c.name;   // image and mask
        EXPECT_EQ(1, h.biBitCount) << c.name;
    }
}
