#include "tests/install/e2e/e2e_driver.h"

#include <cstdio>
#include <cstring>

InstallerProcess::~InstallerProcess()
{
    if (info_.hProcess != nullptr) {
        if (Running()) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool InstallerProcess::Start(const std::string& argument, const std::string& program)
{
    std::string command = "\"" + (program.empty() ? ProgramDir() + "install.exe" : program) + "\"";
    if (!argument.empty())
        command += " " + argument;
    std::vector<char> buffer(command.begin(), command.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info_) != 0;
}

DWORD InstallerProcess::WaitForExit(DWORD timeoutMs)
{
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

bool InstallerProcess::Running() const
{
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {
struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
    bool visibleOnly;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (!search->visibleOnly || IsWindowVisible(window)))
        search->found.push_back(window);
    return TRUE;
}

std::string ClassOf(HWND window)
{
    char name[128] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}
}  // namespace

std::vector<HWND> InstallerProcess::Windows() const
{
    WindowSearch search = {info_.dwProcessId, {}, true};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND InstallerProcess::MainWindow() const
{
    WindowSearch search = {info_.dwProcessId, {}, false};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found)
        if (ClassOf(window) == "InstWind")
            return window;
    return nullptr;
}

HWND InstallerProcess::WaitForDialog(DialogKind kind, DWORD timeoutMs, DWORD pollMs) const
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : Windows())
            if (KindOf(window) == kind)
                return window;
        Pause(pollMs);
    } while (GetTickCount() - start < timeoutMs && Running());
    for (HWND window : Windows())
        if (KindOf(window) == kind)
            return window;
    return nullptr;
}

HWND InstallerProcess::WaitForPrompt(DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : Windows()) {
            DialogKind kind = KindOf(window);
            if (kind != DialogKind::Panel && kind != DialogKind::Other)
                return window;
        }
        Pause(50);
    } while (GetTickCount() - start < timeoutMs && Running());
    return nullptr;
}

DialogKind KindOf(HWND window)
{
    if (ClassOf(window) != "#32770")
        return DialogKind::Other;
    if (GetDlgItem(window, 111) != nullptr && GetDlgItem(window, 110) != nullptr)
        return DialogKind::Options;
    if (GetDlgItem(window, 122) != nullptr)
        return DialogKind::Panel;
    if (GetDlgItem(window, 110) != nullptr)
        return DialogKind::Diskette;
    if (GetDlgItem(window, 130) != nullptr)
        return DialogKind::Overwrite;
    if (GetDlgItem(window, 150) != nullptr)
        return DialogKind::Groups;
    return DialogKind::Message;
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr)
        return "";
    char text[1024] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &result);
    return text;
}

void SetControlText(HWND dialog, int id, const std::string& text)
{
    HWND control = GetDlgItem(dialog, id);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                        &result);
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressAndWait(HWND dialog, int id)
{
    PressButton(dialog, id);
    for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); i++)
        Pause(50);
}

void ClickCheckBox(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Pause(DWORD ms)
{
    Sleep(ms);
}

namespace {
struct ChildSearch {
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM context)
{
    reinterpret_cast<ChildSearch*>(context)->children.push_back(window);
    return TRUE;
}

// The pixels of a screen rectangle, as 0x00RRGGBB values.
std::vector<DWORD> CaptureScreen(const RECT& rect)
{
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    std::vector<DWORD> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    pixels.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (DWORD& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

// How many pixels of a 32 x 32 image differ from the icon drawn on the
// given background.
int IconDistance(const std::vector<DWORD>& captured, int width, HICON icon, DWORD background)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 32;
    info.bmiHeader.biHeight = -32;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    DWORD* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < 32 * 32; i++)
        pixels[i] = background;
    DrawIconEx(memory, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    GdiFlush();
    int distance = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
            if ((pixels[y * 32 + x] & 0xFFFFFF) != captured[y * width + x])
                distance++;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return distance;
}

BoxIcon RecogniseIcon(HWND iconControl)
{
    RECT rect;
    GetWindowRect(iconControl, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width < 32 || height < 32)
        return BoxIcon::Unknown;
    std::vector<DWORD> captured = CaptureScreen(rect);
    if (captured.empty())
        return BoxIcon::Unknown;
    // The corner pixels show the background behind the icon.
    DWORD background = captured[0];
    struct Candidate {
        LPCSTR id;
        BoxIcon icon;
    } candidates[] = {{IDI_HAND, BoxIcon::Stop},
                      {IDI_EXCLAMATION, BoxIcon::Exclamation},
                      {IDI_ASTERISK, BoxIcon::Information},
                      {IDI_QUESTION, BoxIcon::Question}};
    BoxIcon best = BoxIcon::Unknown;
    int bestDistance = 32 * 32 / 4;  // a picture that far from every icon is none of them
    for (const Candidate& candidate : candidates) {
        int distance = IconDistance(captured, width, LoadIconA(nullptr, candidate.id), background);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate.icon;
        }
    }
    return best;
}
}  // namespace

MessageBoxContent ReadMessageBox(HWND box, bool readIcon)
{
    MessageBoxContent content;
    char caption[512] = "";
    GetWindowTextA(box, caption, sizeof caption);
    content.caption = caption;
    ChildSearch search;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&search));
    HWND iconControl = nullptr;
    for (HWND child : search.children) {
        if (ClassOf(child) != "Static")
            continue;
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            if (IsWindowVisible(child))
                iconControl = child;
            continue;
        }
        char text[1024] = "";
        DWORD_PTR result = 0;
        SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            5000, &result);
        if (strlen(text) > content.text.size())
            content.text = text;
    }
    if (readIcon && iconControl != nullptr) {
        // Let the box finish painting before its icon is read from the screen.
        Pause(300);
        content.icon = RecogniseIcon(iconControl);
    }
    return content;
}

std::string ProgramDir()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash != nullptr)
        slash[1] = '\0';
    return path;
}

std::string WithSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir;
}

std::string FixtureDir()
{
    std::string path = "Z:" E2E_FIXTURE_DIR "\\";
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string TempRoot()
{
    char path[MAX_PATH] = "";
    GetTempPathA(sizeof path, path);
    std::string root = std::string(path) + "tarvo_e2e\\";
    CreateDirectoryA(root.c_str(), nullptr);
    return root;
}

bool RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    return RemoveDirectoryA(path.c_str()) != 0 || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectories(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); i++)
        if (i == path.size() || path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const std::string& path, std::string* data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    data->clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        data->append(buffer, got);
    CloseHandle(file);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
              written == data.size();
    CloseHandle(file);
    return ok;
}

std::string StoredName(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return "";
    FindClose(search);
    return data.cFileName;
}
