// The main window's picture: a Windows metafile read from Install.Pic, with
// or without the 22-byte placeable header, played stretched over the window.
#include "install/ui/progress_display.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "install/core/message_box.h"
#include "install/script/install_script.h"

HMETAFILE picture = nullptr;

static const char PICTURE_NAME[] = "Install.Pic";
static const DWORD METAFILE_HEADER_SIZE = 18;
static const DWORD PLACEABLE_HEADER_SIZE = 22;

// Builds directory + "Install.Pic" into out (PATH_SIZE bytes); false when it
// does not fit.
static bool BuildPicturePath(const char* directory, size_t directoryLength, char* out)
{
    size_t nameLength = sizeof(PICTURE_NAME) - 1;
    if (directoryLength + nameLength + 1 > (size_t)PATH_SIZE)
        return false;
    memcpy(out, directory, directoryLength);
    memcpy(out + directoryLength, PICTURE_NAME, nameLength + 1);
    return true;
}

static HANDLE OpenPictureFile()
{
    char path[PATH_SIZE];
    HANDLE file = INVALID_HANDLE_VALUE;
    if (BuildPicturePath(InstallScript.pictureDir, strlen(InstallScript.pictureDir), path))
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        return file;
    // Beside the script: its path cut after the last backslash.
    const char* slash = strrchr(InstallScript.scriptPath, '\\');
    size_t length = slash != nullptr ? (size_t)(slash - InstallScript.scriptPath) + 1 : 0;
    if (!BuildPicturePath(InstallScript.scriptPath, length, path))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

static uint16_t ReadWord(const unsigned char* p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

static uint32_t ReadDword(const unsigned char* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Reads the standard metafile header at offset; true when it is complete,
// its header size is 9 words and its type is memory (1) or disk (2).
static bool ReadHeaderAt(HANDLE file, DWORD offset, uint32_t* sizeInWords)
{
    if (SetFilePointer(file, (LONG)offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    unsigned char header[METAFILE_HEADER_SIZE];
    DWORD got = 0;
    if (!ReadFile(file, header, METAFILE_HEADER_SIZE, &got, nullptr) || got != METAFILE_HEADER_SIZE)
        return false;
    uint16_t type = ReadWord(header);
    uint16_t headerSize = ReadWord(header + 2);
    if (headerSize != 9 || (type != 1 && type != 2))
        return false;
    *sizeInWords = ReadDword(header + 6);
    return true;
}

HMETAFILE LoadPicture(HWND ownerWindow)
{
    picture = nullptr;
    if (InstallScript.pictureDir[0] == '\0')
        return nullptr;
    HANDLE file = OpenPictureFile();
    if (file == INVALID_HANDLE_VALUE) {
        ShowMessageBox(ownerWindow, "Cannot open the picture file.", InstallScript.caption,
                       MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    DWORD offset = 0;
    uint32_t sizeInWords = 0;
    if (!ReadHeaderAt(file, 0, &sizeInWords)) {
        offset = PLACEABLE_HEADER_SIZE;
        if (!ReadHeaderAt(file, offset, &sizeInWords)) {
            CloseHandle(file);
            ShowMessageBox(ownerWindow, "Error reading the picture file.", InstallScript.caption,
                           MB_OK | MB_ICONWARNING);
            return nullptr;
        }
    }
    // The header's size may claim more than the file holds (up to 8 GB): only
    // what the file really has after the header's offset is read, and that
    // is what the platform gets to judge.
    uint64_t wanted = (uint64_t)sizeInWords * 2;
    DWORD fileSize = GetFileSize(file, nullptr);
    uint64_t available = (fileSize != INVALID_FILE_SIZE && fileSize > offset) ? fileSize - offset : 0;
    if (wanted > available)
        wanted = available;
    HMETAFILE result = nullptr;
    unsigned char* bits = wanted > 0 ? (unsigned char*)malloc((size_t)wanted) : nullptr;
    if (bits != nullptr) {
        DWORD got = 0;
        if (SetFilePointer(file, (LONG)offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
            ReadFile(file, bits, (DWORD)wanted, &got, nullptr) && got > 0)
            result = SetMetaFileBitsEx(got, bits);
        free(bits);
    }
    CloseHandle(file);
    picture = result;
    return result;
}

void PaintPicture(HDC dc, HWND window)
{
    if (picture == nullptr)
        return;
    RECT outer;
    GetWindowRect(window, &outer);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetViewportExtEx(dc, outer.right - outer.left, outer.bottom - outer.top, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    PlayMetaFile(dc, picture);
}
