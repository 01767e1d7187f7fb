#include "tests/install/ui/ui_test_support.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "install/core/install_status.h"
#include "install/core/message_box.h"
#include "install/script/install_script.h"
#include "install/ui/program_manager.h"
#include "install/ui/progress_display.h"

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string MakeTempDirectory(const char* prefix)
{
    static int serial = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof(name), "%s%s%lu_%d", temp, prefix, GetCurrentProcessId(), ++serial);
        if (CreateDirectoryA(name, nullptr))
            return std::string(name) + "\\";
    }
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr)
        return;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    unsigned char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

// --- message boxes --------------------------------------------------------

static std::mutex messageLock;
static std::vector<RecordedMessage> messages;

static int RecordMessage(HWND owner, const char* text, const char* caption, UINT type)
{
    std::lock_guard<std::mutex> hold(messageLock);
    messages.push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

void StartRecordingMessages()
{
    std::lock_guard<std::mutex> hold(messageLock);
    messages.clear();
    SetMessageBoxHook(RecordMessage);
}

void StopRecordingMessages()
{
    SetMessageBoxHook(nullptr);
}

std::vector<RecordedMessage> RecordedMessages()
{
    std::lock_guard<std::mutex> hold(messageLock);
    return messages;
}

// --- script and main window ------------------------------------------------

void ResetInstallScript(const char* sourceDir, const char* destinationDir)
{
    memset(&InstallScript, 0, sizeof(InstallScript));
    InstallScript.windowState = 1;
    lstrcpynA(InstallScript.caption, "Tarvo Test Setup", NAME_SIZE);
    lstrcpynA(InstallScript.productName, "Test Product", NAME_SIZE);
    lstrcpynA(InstallScript.sourceDir, sourceDir, PATH_SIZE);
    lstrcpynA(InstallScript.destinationDir, destinationDir, PATH_SIZE);
    InstallScript.speedLevel = 2;
    ReadScreenMetrics();
}

static LRESULT CALLBACK TestMainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HandleDdeMessage(window, message, wParam, lParam);
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (picture != nullptr)
            PaintPicture(dc, window);
        EndPaint(window, &paint);
        DrawPercentBars();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateTestMainWindow(int x, int y, int width, int height)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TestMainWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
        wc.lpszClassName = "TestInstWind";
        RegisterClassA(&wc);
        registered = true;
    }
    mainWindow = CreateWindowExA(0, "TestInstWind", InstallScript.caption,
                                 WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, x, y, width, height,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    PumpMessages();
    return mainWindow;
}

void DestroyTestMainWindow()
{
    if (mainWindow != nullptr)
        DestroyWindow(mainWindow);
    mainWindow = nullptr;
    PumpMessages();
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// --- pixels and screenshots -------------------------------------------------

static Pixels CopyFromDc(HDC source, int x, int y, int width, int height)
{
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.rgb.assign((size_t)width * height, 0);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const unsigned* p = (const unsigned*)bits;
    for (size_t i = 0; i < pixels.rgb.size(); i++)
        pixels.rgb[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

Pixels ReadWindowPixels(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    HDC dc = GetDC(window);
    Pixels pixels = CopyFromDc(dc, 0, 0, r.right, r.bottom);
    ReleaseDC(window, dc);
    return pixels;
}

Pixels ReadScreenPixels(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    HDC dc = GetDC(nullptr);
    Pixels pixels = CopyFromDc(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, dc);
    return pixels;
}

Pixels CaptureDialog(HWND dialog)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    SendMessageA(dialog, WM_NULL, 0, 0);
    return ReadWindowPixels(dialog);
}

static unsigned Crc32(const unsigned char* data, size_t length, unsigned crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < length; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

static void PutBigEndian(std::vector<unsigned char>& out, unsigned value)
{
    out.push_back((unsigned char)(value >> 24));
    out.push_back((unsigned char)(value >> 16));
    out.push_back((unsigned char)(value >> 8));
    out.push_back((unsigned char)value);
}

static void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
    PutBigEndian(out, (unsigned)data.size());
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, Crc32(body.data(), body.size()));
}

std::string SavePng(const Pixels& pixels, const char* name)
{
    // Raw rows with filter 0, wrapped in stored (uncompressed) deflate blocks.
    std::vector<unsigned char> raw;
    for (int y = 0; y < pixels.height; y++) {
        raw.push_back(0);
        for (int x = 0; x < pixels.width; x++) {
            unsigned c = pixels.At(x, y);
            raw.push_back((unsigned char)(c >> 16));
            raw.push_back((unsigned char)(c >> 8));
            raw.push_back((unsigned char)c);
        }
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back((unsigned char)n);
        z.push_back((unsigned char)(n >> 8));
        z.push_back((unsigned char)~n);
        z.push_back((unsigned char)(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    unsigned a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(z, (b << 16) | a);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian(header, (unsigned)pixels.width);
    PutBigEndian(header, (unsigned)pixels.height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    std::string directory = ProgramDirectory() + "screenshots";
    CreateDirectoryA(directory.c_str(), nullptr);
    std::string path = directory + "\\" + name + ".png";
    WriteFileBytes(path, png);
    return path;
}

// --- driving dialogs ---------------------------------------------------------

struct DialogSearch {
    HWND notThis;
    HWND found;
};

static BOOL CALLBACK FindDialogWindow(HWND window, LPARAM lParam)
{
    DialogSearch* search = (DialogSearch*)lParam;
    char className[16];
    if (window == search->notThis || !IsWindowVisible(window))
        return TRUE;
    if (GetClassNameA(window, className, sizeof(className)) && strcmp(className, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(DWORD threadId, HWND notThis, int timeoutMs)
{
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        DialogSearch search = {notThis, nullptr};
        EnumThreadWindows(threadId, FindDialogWindow, (LPARAM)&search);
        if (search.found != nullptr) {
            // Let the dialog finish its initialisation and first paint.
            SendMessageA(search.found, WM_NULL, 0, 0);
            return search.found;
        }
        Sleep(20);
    }
    return nullptr;
}

bool WaitForWindowGone(HWND window, int timeoutMs)
{
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        if (!IsWindow(window))
            return true;
        Sleep(20);
    }
    return false;
}

void ClickButton(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void TypeText(HWND dialog, int id, const char* text)
{
    HWND control = GetDlgItem(dialog, id);
    SendMessageA(control, EM_SETSEL, 0, -1);
    SendMessageA(control, WM_CLEAR, 0, 0);
    for (const char* p = text; *p != '\0'; p++)
        SendMessageA(control, WM_CHAR, (WPARAM)(unsigned char)*p, 1);
}

std::string ControlText(HWND dialog, int id)
{
    char text[512];
    text[0] = '\0';
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

HWND FocusOfThread(DWORD threadId)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(threadId, &info))
        return nullptr;
    return info.hwndFocus;
}

HWND WaitForFocus(DWORD threadId, HWND window, int timeoutMs)
{
    HWND focus = FocusOfThread(threadId);
    for (int waited = 0; focus != window && waited < timeoutMs; waited += 20) {
        Sleep(20);
        focus = FocusOfThread(threadId);
    }
    return focus;
}

DialogDriver::DialogDriver(Script script, void* context, int fallbackId)
    : script(script), context(context), fallbackId(fallbackId), dialogThread(GetCurrentThreadId())
{
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogDriver::~DialogDriver()
{
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

DWORD WINAPI DialogDriver::Run(LPVOID self)
{
    DialogDriver* driver = (DialogDriver*)self;
    driver->script(driver->dialogThread, driver->context);
    // Whatever the script did, no dialog of the test thread may stay open.
    for (int round = 0; round < 20; round++) {
        HWND left = WaitForDialog(driver->dialogThread, nullptr, round == 0 ? 300 : 500);
        if (left == nullptr)
            break;
        PostMessageA(left, WM_COMMAND, MAKEWPARAM(driver->fallbackId, BN_CLICKED), 0);
        WaitForWindowGone(left, 2000);
    }
    return 0;
}
