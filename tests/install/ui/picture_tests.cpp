// Loading Install.Pic with and without the placeable header, the fallback
// to the script's directory, the two warnings, and playing the picture.
#include <gtest/gtest.h>

#include <string>

#include "install/core/install_status.h"
#include "install/script/install_script.h"
#include "install/ui/progress_display.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

std::string Fixture(const char* name)
{
    return ProgramDirectory() + "ui_fixtures\\" + name;
}

void PutPicture(const std::string& directory, const char* fixture)
{
    WriteFileBytes(directory + "Install.Pic", ReadFileBytes(Fixture(fixture)));
}

class PictureTest : public ::testing::Test {
protected:
    std::string pictureDirectory;
    std::string scriptDirectory;

    void SetUp() override
    {
        ResetInstallScript("c:\\", "c:\\");
        pictureDirectory = MakeTempDirectory("pic");
        scriptDirectory = MakeTempDirectory("ini");
        lstrcpyA(InstallScript.pictureDir, pictureDirectory.c_str());
        lstrcpyA(InstallScript.scriptPath, (scriptDirectory + "install.ini").c_str());
        picture = nullptr;
        StartRecordingMessages();
    }
    void TearDown() override
    {
        StopRecordingMessages();
        if (picture != nullptr)
            DeleteMetaFile(picture);
        picture = nullptr;
        DestroyTestMainWindow();
    }

    // Shows the loaded picture in a 200 x 100 window and reads it back.
    Pixels Played()
    {
        CreateTestMainWindow(0, 0, 200, 100);
        RedrawWindow(mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        PumpMessages();
        return ReadWindowPixels(mainWindow);
    }
};

TEST_F(PictureTest, StandardMetafileLoadsAndPlaysStretched)
{
    PutPicture(pictureDirectory, "plain.wmf");
    HMETAFILE loaded = LoadPicture(nullptr);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded, picture);
    EXPECT_TRUE(RecordedMessages().empty());
    // The drawing fills the left half of its 100 x 100 space in red.
    Pixels pixels = Played();
    EXPECT_EQ(pixels.At(50, 50), 0xFF0000u);
    EXPECT_EQ(pixels.At(10, 10), 0xFF0000u);
    EXPECT_EQ(pixels.At(150, 50), 0u);
    SavePng(pixels, "picture_plain");
}

TEST_F(PictureTest, PlaceableMetafileIsReadFromOffset22)
{
    PutPicture(pictureDirectory, "placeable.wmf");
    ASSERT_NE(LoadPicture(nullptr), nullptr);
    EXPECT_TRUE(RecordedMessages().empty());
    Pixels pixels = Played();
    EXPECT_EQ(pixels.At(50, 50), 0x0000FFu);
    EXPECT_EQ(pixels.At(150, 50), 0u);
}

TEST_F(PictureTest, BadHeaderSizeIsAReadError)
{
    PutPicture(pictureDirectory, "bad_header.wmf");
    HWND owner = CreateTestMainWindow(0, 0, 50, 50);
    EXPECT_EQ(LoadPicture(owner), nullptr);
    EXPECT_EQ(picture, nullptr);
    auto shown = RecordedMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error reading the picture file.");
    EXPECT_EQ(shown[0].caption, "Tarvo Test Setup");
    EXPECT_EQ(shown[0].type & MB_ICONMASK, (UINT)MB_ICONWARNING);
    EXPECT_EQ(shown[0].owner, owner);
}

TEST_F(PictureTest, FileTooShortForAHeaderIsAReadError)
{
    WriteFileBytes(pictureDirectory + "Install.Pic", {1, 0, 9, 0});
    EXPECT_EQ(LoadPicture(nullptr), nullptr);
    ASSERT_EQ(RecordedMessages().size(), 1u);
    EXPECT_EQ(RecordedMessages()[0].text, "Error reading the picture file.");
}

TEST_F(PictureTest, HeaderClaimingMoreThanTheFileIsHandedOverAsRead)
{
    // mtSize near 2^32 words: only the bytes in the file are read, without
    // a message, and the platform decides what to make of them.
    std::vector<unsigned char> bytes = ReadFileBytes(Fixture("plain.wmf"));
    bytes[6] = bytes[7] = bytes[8] = bytes[9] = 0xFF;
    WriteFileBytes(pictureDirectory + "Install.Pic", bytes);
    LoadPicture(nullptr);
    EXPECT_TRUE(RecordedMessages().empty());
}

TEST_F(PictureTest, FallsBackToTheScriptDirectory)
{
    PutPicture(scriptDirectory, "plain.wmf");
    EXPECT_NE(LoadPicture(nullptr), nullptr);
    EXPECT_TRUE(RecordedMessages().empty());
}

TEST_F(PictureTest, MissingInBothDirectoriesCannotBeOpened)
{
    EXPECT_EQ(LoadPicture(nullptr), nullptr);
    auto shown = RecordedMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Cannot open the picture file.");
    EXPECT_EQ(shown[0].caption, "Tarvo Test Setup");
    EXPECT_EQ(shown[0].type & MB_ICONMASK, (UINT)MB_ICONWARNING);
}

TEST_F(PictureTest, NoPictureDirectoryMeansNoPictureAndNoMessage)
{
    PutPicture(scriptDirectory, "plain.wmf");
    InstallScript.pictureDir[0] = '\0';
    EXPECT_EQ(LoadPicture(nullptr), nullptr);
    EXPECT_TRUE(RecordedMessages().empty());
}

}  // namespace
