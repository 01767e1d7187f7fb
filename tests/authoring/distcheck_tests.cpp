// distcheck's shared rules: its profile reader gives the platform's answers
// of profile_cases.txt, and the installer's loader on its native platform
// functions gives the installer's verdict on every script of
// verdict_cases.txt (both tables are checked under Wine too), with a report
// line that names the key, its line and the failed rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "authoring/distcheck/distcheck.h"
#include "authoring/distcheck/native_platform.h"
#include "authoring/distcheck/profile_reader.h"
#include "install/script/install_script.h"
#include "tests/authoring/table_text.h"

namespace {

TEST(ProfileReader, GivesThePlatformsAnswers)
{
    std::vector<ProfileQuery> queries = ReadProfileQueries(ReadTableFile(PROFILE_CASES));
    ASSERT_GT(queries.size(), 25u);
    for (const ProfileQuery& q : queries) {
        SCOPED_TRACE("profile_cases.txt line " + std::to_string(q.tableLine));
        ProfileFile file = ParseProfile(q.file);
        if (q.integer) {
            EXPECT_EQ(std::to_string(GetProfileInt(file, q.section.c_str(), q.key.c_str(), q.size)), q.expected);
            continue;
        }
        std::vector<char> value(static_cast<size_t>(q.size) + 1, '\x7f');
        GetProfileValue(file, q.section.c_str(), q.key.c_str(), value.data(), q.size);
        EXPECT_EQ(std::string(value.data()), q.expected);
    }
}

// The 1-based line of "key=" in text, or 0.
int LineOfKey(const std::string& text, const std::string& key)
{
    int line = 1;
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1, ++line) {
        if (text.compare(at, key.size() + 1, key + "=") == 0)
            return line;
        if (text.find('\n', at) == std::string::npos)
            break;
    }
    return 0;
}

std::string RunOn(const std::string& dir)
{
    FILE* out = tmpfile();
    RunDistcheck({dir}, false, out);
    rewind(out);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, out)) > 0)
        text.append(buffer, n);
    fclose(out);
    return text;
}

TEST(ScriptVerdicts, AreTheInstallersAndNameTheKeyAndLine)
{
    std::vector<VerdictCase> cases = ReadVerdictCases(ReadTableFile(VERDICT_CASES));
    ASSERT_GT(cases.size(), 40u);
    char pattern[] = "/tmp/distcheck-verdicts-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string dir = pattern;
    std::string script = dir + "/install.ini";
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE("verdict_cases.txt line " + std::to_string(c.tableLine));
        FILE* f = fopen(script.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(c.script.data(), 1, c.script.size(), f);
        fclose(f);
        SetDisketteDirectory(dir);
        ClearLoaderRecord();
        bool loaded = LoadInstallScript("A:\\");
        FreeInstallScript();
        const ShownMessage& m = LoaderMessage();
        if (c.expect == "accepted") {
            EXPECT_TRUE(loaded);
            EXPECT_FALSE(m.shown) << m.text;
            // Each value is read once, so what is stored is what was checked
            // (the command lines are counted in a pass of their own).
            std::set<std::string> read;
            for (const ProfileRead& r : LoaderReads()) {
                if (r.section != "Command Lines")
                    EXPECT_TRUE(read.insert(r.section + "/" + r.key).second) << r.key << " read again";
            }
            continue;
        }
        EXPECT_FALSE(loaded);
        EXPECT_EQ(m.text, "The file 'install.ini' is not correct.");
        EXPECT_EQ(m.caption, c.expect == "rejected" ? "Sample Setup" : "Tarvo Installation Program");
        EXPECT_EQ(m.icon, SCRIPT_ICON_EXCLAMATION);
        if (c.finding.empty())
            continue;
        std::string report = RunOn(dir);
        EXPECT_NE(report.find(c.finding), std::string::npos) << report;
        // A key that is written is named with its own line.
        std::string named = c.finding.substr(c.finding.find(']') == std::string::npos ? 0 : c.finding.find(']') + 2);
        int line = LineOfKey(c.script, named.substr(0, named.find(' ')));
        if (line > 0)
            EXPECT_NE(report.find("install.ini:" + std::to_string(line) + ": "), std::string::npos) << report;
        EXPECT_NE(report.find("install.exe would refuse the script: caption"), std::string::npos);
    }
    unlink(script.c_str());
    rmdir(dir.c_str());
}

}  // namespace
