// The installer's dialog templates and icons as the program finds them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/ui/progress_display.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

struct TemplateHeader {
    DWORD style;
    int items;
    int x, y, cx, cy;
    int pointSize;
    std::string font;
};

std::string ReadWideString(const WORD*& p)
{
    std::string s;
    while (*p != 0)
        s += (char)*p++;
    p++;
    return s;
}

bool ReadTemplate(const char* name, TemplateHeader* header)
{
    HRSRC resource = FindResourceA(nullptr, name, (LPCSTR)RT_DIALOG);
    if (resource == nullptr)
        return false;
    const DLGTEMPLATE* t = (const DLGTEMPLATE*)LockResource(LoadResource(nullptr, resource));
    header->style = t->style;
    header->items = t->cdit;
    header->x = t->x;
    header->y = t->y;
    header->cx = t->cx;
    header->cy = t->cy;
    const WORD* p = (const WORD*)(t + 1);
    // No menu, the standard class, and an empty title set at run time.
    EXPECT_EQ(*p++, 0) << name;
    EXPECT_EQ(*p++, 0) << name;
    EXPECT_EQ(ReadWideString(p), "") << name;
    if (t->style & DS_SETFONT) {
        header->pointSize = *p++;
        header->font = ReadWideString(p);
    }
    return true;
}

TEST(Resources, FiveTemplatesWithTheirSizesStylesAndFont)
{
    const DWORD modal = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    struct Expected {
        const char* name;
        DWORD style;
        int items, x, y, cx, cy;
    } expected[] = {
        {"InstChck", modal, 17, 5, 0, 293, 88},
        {"InstInfo", WS_POPUP | WS_BORDER, 10, 0, 18, 275, 52},
        {"InstDisk", modal, 7, -1, -1, 220, 72},
        {"InstFile", modal, 7, -1, -1, 240, 64},
        {"InstProg", modal, 13, -1, -1, 240, 141},
    };
    for (const Expected& e : expected) {
        TemplateHeader h = {};
        ASSERT_TRUE(ReadTemplate(e.name, &h)) << e.name;
        EXPECT_EQ(h.style & ~(DWORD)DS_SETFONT, e.style) << e.name;
        EXPECT_EQ(h.items, e.items) << e.name;
        if (e.x >= 0) {
            EXPECT_EQ(h.x, e.x) << e.name;
            EXPECT_EQ(h.y, e.y) << e.name;
        }
        EXPECT_EQ(h.cx, e.cx) << e.name;
        EXPECT_EQ(h.cy, e.cy) << e.name;
        EXPECT_EQ(h.pointSize, 8) << e.name;
        EXPECT_EQ(h.font, "Helv") << e.name;
    }
}

// The icon controls of a template: the icon's name and the control's
// rectangle in dialog units, read from the template's items.
struct IconControl {
    std::string icon;
    int x, y, cx, cy;
    DWORD style;
};

const WORD* SkipNameOrOrdinal(const WORD* p, std::string* text)
{
    if (*p == 0xFFFF) {
        if (text != nullptr)
            *text = "#" + std::to_string(p[1]);
        return p + 2;
    }
    std::string s = ReadWideString(p);
    if (text != nullptr)
        *text = s;
    return p;
}

std::vector<IconControl> ReadIconControls(HMODULE module, const char* name)
{
    std::vector<IconControl> found;
    HRSRC resource = FindResourceA(module, name, (LPCSTR)RT_DIALOG);
    if (resource == nullptr)
        return found;
    const DLGTEMPLATE* t = (const DLGTEMPLATE*)LockResource(LoadResource(module, resource));
    const WORD* p = (const WORD*)(t + 1);
    p = SkipNameOrOrdinal(p, nullptr);  // menu
    p = SkipNameOrOrdinal(p, nullptr);  // class
    ReadWideString(p);                  // title
    if (t->style & DS_SETFONT) {
        p++;
        ReadWideString(p);
    }
    for (int i = 0; i < t->cdit; i++) {
        p = (const WORD*)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
        const DLGITEMTEMPLATE* item = (const DLGITEMTEMPLATE*)p;
        p = (const WORD*)(item + 1);
        std::string className, text;
        p = SkipNameOrOrdinal(p, &className);
        p = SkipNameOrOrdinal(p, &text);
        p = (const WORD*)((const BYTE*)p + sizeof(WORD) + *p);  // creation data
        // The static class, as an ordinal or by name.
        bool isStatic = className == "#130" || lstrcmpiA(className.c_str(), "Static") == 0;
        if (isStatic && (item->style & SS_TYPEMASK) == SS_ICON)
            found.push_back({text, item->x, item->y, item->cx, item->cy, item->style});
    }
    return found;
}

TEST(Resources, IconControlsCarryTheirSizes)
{
    struct Expected {
        const char* dialog;
        const char* icon;
        int x, y, cx, cy;
    } expected[] = {
        {"InstInfo", "Computer", 245, 8, 18, 20},
        {"InstDisk", "Diskette", 12, 16, 24, 24},
        {"InstProg", "Firework", 6, 6, 18, 20},
    };
    // The test program and the installer are built from the same script.
    HMODULE installer =
        LoadLibraryExA((ProgramDirectory() + "install.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(installer, nullptr);
    for (HMODULE module : {(HMODULE) nullptr, installer}) {
        for (const Expected& e : expected) {
            std::vector<IconControl> icons = ReadIconControls(module, e.dialog);
            ASSERT_EQ(icons.size(), 1u) << e.dialog;
            EXPECT_EQ(Upper(icons[0].icon), Upper(e.icon)) << e.dialog;  // names are found without case
            EXPECT_EQ(icons[0].style & (WS_CHILD | WS_VISIBLE), (DWORD)(WS_CHILD | WS_VISIBLE)) << e.dialog;
            EXPECT_EQ(icons[0].x, e.x) << e.dialog;
            EXPECT_EQ(icons[0].y, e.y) << e.dialog;
            EXPECT_EQ(icons[0].cx, e.cx) << e.dialog;
            EXPECT_EQ(icons[0].cy, e.cy) << e.dialog;
        }
    }
    FreeLibrary(installer);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, ThreeIconsInTwoAndSixteenColours)
{
    for (const char* name : {"Computer", "Diskette", "Firework"}) {
        EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), name), nullptr) << name;
        HRSRC resource = FindResourceA(nullptr, name, (LPCSTR)RT_GROUP_ICON);
        ASSERT_NE(resource, nullptr) << name;
        const WORD* directory = (const WORD*)LockResource(LoadResource(nullptr, resource));
        ASSERT_EQ(directory[2], 2) << name;
        const GroupIconEntry* entries = (const GroupIconEntry*)(directory + 3);
        int bits[2] = {0, 0};
        for (int i = 0; i < 2; i++) {
            EXPECT_EQ(entries[i].width, 32) << name;
            EXPECT_EQ(entries[i].height, 32) << name;
            bits[i] = entries[i].bitCount;
        }
        EXPECT_EQ(bits[0] + bits[1], 5) << name << ": one 1-bit and one 4-bit image";
    }
}

INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = 0;
    if (message == WM_INITDIALOG)
        return TRUE;
    if (HandleDialogColours(dialog, message, wParam, lParam, false, &result))
        return result;
    return FALSE;
}

TEST(Resources, GroupChoiceTemplateShowsItsControls)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "InstProg", nullptr, GroupDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    SetWindowTextA(dialog, "Tarvo Test Setup");
    SetDlgItemTextA(dialog, IDC_PRODUCT_NAME, "Tarvo Paint 2.0");
    SetDlgItemTextA(dialog, IDC_GROUP_FIELD, "Tarvo");
    for (const char* group : {"Accessories", "Main", "Games", "StartUp", "Tarvo"})
        SendDlgItemMessageA(dialog, IDC_GROUP_LIST, LB_ADDSTRING, 0, (LPARAM)group);
    // The list sorts what it is given.
    char first[32];
    SendDlgItemMessageA(dialog, IDC_GROUP_LIST, LB_GETTEXT, 0, (LPARAM)first);
    EXPECT_STREQ(first, "Accessories");
    for (int id : {IDC_PRODUCT_NAME, IDC_GROUP_FIELD, IDC_GROUP_LIST, IDC_DEFAULT_GROUP, IDOK, IDCANCEL})
        EXPECT_NE(GetDlgItem(dialog, id), nullptr) << id;
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    PumpMessages();
    SavePng(ReadWindowPixels(dialog), "group_dialog");
    DestroyWindow(dialog);
    PumpMessages();
}

}  // namespace
