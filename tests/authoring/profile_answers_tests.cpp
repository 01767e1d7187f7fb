// The platform's own answers to the queries of profile_cases.txt, which
// distcheck's native profile reader must give too (distcheck_tests).
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "tests/authoring/table_text.h"
#include "tests/install/script/test_dir.h"

namespace {

TEST(ProfileAnswers, EveryQueryOfTheTable)
{
    std::vector<ProfileQuery> queries = ReadProfileQueries(ReadTableFile(PROFILE_CASES));
    ASSERT_GT(queries.size(), 25u);
    TestDir dir;
    int serial = 0;
    std::string lastFile;
    std::string path;
    for (const ProfileQuery& q : queries) {
        SCOPED_TRACE("profile_cases.txt line " + std::to_string(q.tableLine));
        if (q.file != lastFile || path.empty()) {
            // A new name for each file: the platform caches what it read.
            path = dir / ("case" + std::to_string(++serial) + ".ini");
            WriteFileText(path, q.file);
            lastFile = q.file;
        }
        if (q.integer) {
            UINT number = GetPrivateProfileIntA(q.section.c_str(), q.key.c_str(), q.size, path.c_str());
            EXPECT_EQ(std::to_string(static_cast<int>(number)), q.expected);
            continue;
        }
        std::vector<char> value(static_cast<size_t>(q.size) + 1, '\x7f');
        GetPrivateProfileStringA(q.section.c_str(), q.key.c_str(), "", value.data(),
                                 static_cast<DWORD>(q.size), path.c_str());
        EXPECT_EQ(std::string(value.data()), q.expected);
    }
}

}  // namespace
