// The installer's verdict on every script of verdict_cases.txt, which the
// native distcheck must give alike (tests/tools/distcheck_tests.cpp).
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "install/script/install_script.h"
#include "install/shell/message_box.h"
#include "tests/install/script/test_dir.h"
#include "tests/tools/table_text.h"

namespace {

struct Shown {
    std::string text;
    std::string caption;
    UINT type;
};
std::vector<Shown> shown;

int CaptureMessageBox(HWND, const char* text, const char* caption, UINT type)
{
    shown.push_back({text, caption, type});
    return IDOK;
}

TEST(ScriptVerdicts, EveryCaseOfTheTable)
{
    std::vector<VerdictCase> cases = ReadVerdictCases(ReadTableFile(VERDICT_CASES));
    ASSERT_GT(cases.size(), 40u);
    SetMessageBoxHook(CaptureMessageBox);
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE("verdict_cases.txt line " + std::to_string(c.tableLine));
        TestDir dir;
        WriteFileText(dir / "install.ini", c.script);
        shown.clear();
        bool loaded = LoadInstallScript(dir.path().c_str());
        FreeInstallScript();
        if (c.expect == "accepted") {
            EXPECT_TRUE(loaded);
            EXPECT_TRUE(shown.empty());
            continue;
        }
        EXPECT_FALSE(loaded);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "The file 'install.ini' is not correct.");
        EXPECT_EQ(shown[0].caption,
                  c.expect == "rejected" ? "Sample Setup" : "Tarvo Installation Program");
        EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
    SetMessageBoxHook(nullptr);
}

}  // namespace
