#include "examples/host/screen_copy.h"

#include <vector>

HBITMAP CopyScreenArea(int left, int top, int width, int height)
{
    if (width <= 0 || height <= 0)
        return NULL;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap) {
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(memory, bitmap);
        // CAPTUREBLT: layered windows on the screen are copied too.
        BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    ReleaseDC(NULL, screen);
    return bitmap;
}

bool SaveBitmapAsBmp(HBITMAP bitmap, const char *path)
{
    DIBSECTION dib;
    if (GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib)
        return false;
    BITMAPINFOHEADER header;
    ZeroMemory(&header, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = dib.dsBm.bmWidth;
    header.biHeight = dib.dsBm.bmHeight;   // rows bottom first
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD stride = (static_cast<DWORD>(header.biWidth) * 3 + 3) & ~3u;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * header.biHeight);
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    HDC dc = GetDC(NULL);
    int rows = GetDIBits(dc, bitmap, 0, header.biHeight, pixels.data(), reinterpret_cast<BITMAPINFO *>(&header),
                         DIB_RGB_COLORS);
    ReleaseDC(NULL, dc);
    if (rows != header.biHeight)
        return false;

    BITMAPFILEHEADER file;
    ZeroMemory(&file, sizeof file);
    file.bfType = 0x4D42;   // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written;
    bool ok = WriteFile(out, &file, sizeof file, &written, NULL) && written == sizeof file &&
              WriteFile(out, &header, sizeof header, &written, NULL) && written == sizeof header &&
              WriteFile(out, pixels.data(), header.biSizeImage, &written, NULL) && written == header.biSizeImage;
    if (!CloseHandle(out))
        ok = false;
    if (!ok)
        DeleteFileA(path);
    return ok;
}
