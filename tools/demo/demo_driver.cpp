// Runs install.exe from the first diskette the way a user would when no one
// is at the screen: confirms the options dialog with its proposals, names
// the second diskette's drive when asked, accepts the Program Manager group
// and the closing message. It saves a screenshot of the screen at each step
// and prints what it saw.
//
// usage: demo_driver DISK1_DIR DISK2_DIR SCREENSHOT_DIR
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/install/e2e/e2e_driver.h"
#include "tools/demo/screenshot.h"

namespace {

std::string shotDir;

// Writes the whole screen as a 24-bit BMP file.
bool SaveScreen(const std::string& name)
{
    if (!SaveScreenArea(shotDir + name + ".bmp", 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)))
        return false;
    printf("  screenshot: %s.bmp\n", name.c_str());
    return true;
}

// Gives the installer a moment to paint before the screen is read.
void Settle()
{
    Pause(700);
}

const char* IconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Stop: return "stop";
    case BoxIcon::Exclamation: return "exclamation";
    case BoxIcon::Information: return "information";
    case BoxIcon::Question: return "question";
    case BoxIcon::None: return "none";
    default: return "unknown";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: demo_driver DISK1_DIR DISK2_DIR SCREENSHOT_DIR\n");
        return 2;
    }
    std::string disk1 = WithSlash(argv[1]);
    std::string disk2 = WithSlash(argv[2]);
    shotDir = WithSlash(argv[3]);
    setvbuf(stdout, nullptr, _IONBF, 0);

    InstallerProcess installer;
    // Started without an argument, the installer finds its script beside
    // itself.
    if (!installer.Start("", disk1 + "install.exe")) {
        printf("%sinstall.exe could not be started\n", disk1.c_str());
        return 1;
    }
    printf("%sinstall.exe started\n", disk1.c_str());

    HWND options = installer.WaitForDialog(DialogKind::Options, 60000);
    if (options == nullptr) {
        printf("the options dialog did not appear\n");
        return 1;
    }
    Settle();
    printf("options dialog: install from '%s', install to '%s'\n", ControlText(options, 110).c_str(),
           ControlText(options, 111).c_str());
    for (int id = 101; id <= 106; ++id) {
        HWND box = GetDlgItem(options, id);
        if (box != nullptr && IsWindowVisible(box))
            printf("  [%c] %s\n", SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 'x' : ' ',
                   ControlText(options, id).c_str());
    }
    SaveScreen("options");
    PressAndWait(options, IDOK);
    printf("pressed Install\n");

    bool failed = false;
    while (installer.Running()) {
        HWND prompt = installer.WaitForPrompt(2000);
        if (prompt == nullptr)
            continue;
        Settle();
        switch (KindOf(prompt)) {
        case DialogKind::Diskette:
            printf("diskette prompt: answering '%s'\n", disk2.c_str());
            SaveScreen("diskette");
            SetControlText(prompt, 110, disk2);
            PressAndWait(prompt, IDOK);
            break;
        case DialogKind::Overwrite:
            printf("overwrite prompt: %s -> Yes to All\n", ControlText(prompt, 124).c_str());
            PressAndWait(prompt, 130);
            break;
        case DialogKind::Groups:
            printf("Program Manager dialog: product '%s', group '%s'\n", ControlText(prompt, 125).c_str(),
                   ControlText(prompt, 112).c_str());
            SaveScreen("groups");
            PressAndWait(prompt, IDOK);
            break;
        case DialogKind::Message: {
            MessageBoxContent box = ReadMessageBox(prompt);
            printf("message (%s, %s icon): %s\n", box.caption.c_str(), IconName(box.icon), box.text.c_str());
            if (box.icon == BoxIcon::Stop || box.icon == BoxIcon::Exclamation ||
                box.text.find("terminated") != std::string::npos)
                failed = true;
            SaveScreen("finished");
            PressAndWait(prompt, IDOK);
            break;
        }
        case DialogKind::Options:
            printf("the options dialog appeared again\n");
            PressAndWait(prompt, IDCANCEL);
            failed = true;
            break;
        default:
            break;
        }
    }
    DWORD code = installer.WaitForExit(30000);
    printf("install.exe ended with exit code %lu\n", static_cast<unsigned long>(code));
    return failed || code != 0 ? 1 : 0;
}
