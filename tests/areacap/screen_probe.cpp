#include "tests/areacap/screen_probe.h"

#include <cstdio>

static HWND backdrop;
static HBITMAP backdropBitmap;
static HDC backdropMemory;

uint32_t BackdropColour(int x, int y)
{
    uint32_t r = static_cast<uint32_t>(x * 37 + 11) & 0xFF;
    uint32_t g = static_cast<uint32_t>(y * 53 + 29) & 0xFF;
    uint32_t b = static_cast<uint32_t>((x ^ y) * 11) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

static LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, backdropMemory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        EndPaint(window, &ps);
        return 0;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND ShowBackdrop()
{
    int w = GetSystemMetrics(SM_CXSCREEN);
    int h = GetSystemMetrics(SM_CYSCREEN);
    if (!backdrop) {
        BITMAPINFO info;
        ZeroMemory(&info, sizeof info);
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void *bits = NULL;
        backdropBitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        uint32_t *p = static_cast<uint32_t *>(bits);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                p[y * w + x] = BackdropColour(x, y);
        backdropMemory = CreateCompatibleDC(NULL);
        SelectObject(backdropMemory, backdropBitmap);

        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof wc);
        wc.lpfnWndProc = BackdropProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
        wc.lpszClassName = "AreacapTestBackdrop";
        RegisterClassA(&wc);
        backdrop = CreateWindowExA(0, "AreacapTestBackdrop", "backdrop", WS_POPUP, 0, 0, w, h, NULL, NULL,
                                   GetModuleHandleA(NULL), NULL);
    }
    ShowWindow(backdrop, SW_SHOW);
    SetForegroundWindow(backdrop);
    UpdateWindow(backdrop);
    return backdrop;
}

void HideBackdrop()
{
    if (backdrop)
        ShowWindow(backdrop, SW_HIDE);
}

Snapshot ReadScreen(int x, int y, int width, int height)
{
    Snapshot shot;
    shot.x = x;
    shot.y = y;
    shot.width = width;
    shot.height = height;
    shot.pixels.assign(static_cast<size_t>(width) * height, 0);

    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
    GdiFlush();
    const uint32_t *p = static_cast<const uint32_t *>(bits);
    for (size_t i = 0; i < shot.pixels.size(); i++)
        shot.pixels[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(NULL, screen);
    return shot;
}

// PNG with stored (uncompressed) deflate blocks: needs only CRC-32 and Adler-32.
static uint32_t Crc32(const unsigned char *data, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

static void PutBig32(std::vector<unsigned char> &out, uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

static void PutChunk(std::vector<unsigned char> &out, const char *type, const std::vector<unsigned char> &data)
{
    PutBig32(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, Crc32(body.data(), body.size()));
}

bool WritePng(const Snapshot &shot, const std::string &path)
{
    std::vector<unsigned char> raw;
    for (int y = 0; y < shot.height; y++) {
        raw.push_back(0);   // filter: none
        for (int x = 0; x < shot.width; x++) {
            uint32_t c = shot.pixels[static_cast<size_t>(y) * shot.width + x];
            raw.push_back(static_cast<unsigned char>(c >> 16));
            raw.push_back(static_cast<unsigned char>(c >> 8));
            raw.push_back(static_cast<unsigned char>(c));
        }
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(z, (b << 16) | a);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBig32(header, static_cast<uint32_t>(shot.width));
    PutBig32(header, static_cast<uint32_t>(shot.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});   // 8-bit RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && ok;
}
