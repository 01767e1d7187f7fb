// Archives made by Debian's arj (MS-DOS host, methods 0-4, binary and
// forced text mode) decode byte for byte through arjx's extraction.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "authoring/arjx/archive_tool.h"
#include "authoring/arjx/host_files.h"
#include "install/archive/arj_reader.h"
#include "install/script/transfer_sizes.h"

namespace {

const std::string fixtures = ARJ_FIXTURES_DIR;

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    EXPECT_TRUE(f.good()) << path;
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Runs the tool; returns its result and the printed lines.
bool RunTool(const std::string& archive, const char* extractDir, std::string* printed)
{
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    bool ok = RunArchiveTool((fixtures + "/" + archive).c_str(), extractDir, out);
    fclose(out);
    *printed = std::string(text, size);
    free(text);
    return ok;
}

const char* const binaryNames[] = {"empty.bin", "mixed.bin", "one.bin", "random.bin", "runs.bin",
                                   "sub/dir/nested.txt", "text.txt", "window.bin", "window1.bin"};
const char* const textNames[] = {"text.txt", "window.bin", "window1.bin", "sub/dir/nested.txt",
                                 "one.bin", "empty.bin"};

class FixtureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/arj-fixture-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        cancelRequested = false;
    }
    void TearDown() override
    {
        std::string command = "rm -rf '" + dir + "'";
        if (system(command.c_str()) != 0)
            ADD_FAILURE() << "cannot remove " << dir;
    }
    void ExpectExtracted(const std::string& archive, const char* const* names, size_t count,
                         bool text)
    {
        std::string out = dir + "/" + archive;
        std::string printed;
        ASSERT_TRUE(RunTool(archive, out.c_str(), &printed)) << printed;
        for (size_t i = 0; i < count; ++i) {
            std::string expected = ReadFile(fixtures + "/data/" + names[i]);
            if (text) {
                for (char& c : expected)
                    c = (char)(c & 0x7F);
            }
            EXPECT_EQ(ReadFile(out + "/" + names[i]), expected) << archive << " " << names[i];
        }
    }
    std::string dir;
};

TEST_F(FixtureTest, EveryMethodDecodesByteForByte)
{
    for (int level : {0, 4}) {
        SetTransferSizes(level);
        for (int m = 0; m <= 4; ++m) {
            ExpectExtracted("bin" + std::to_string(m) + ".arj", binaryNames,
                            sizeof binaryNames / sizeof *binaryNames, false);
            ExpectExtracted("text" + std::to_string(m) + ".arj", textNames,
                            sizeof textNames / sizeof *textNames, true);
        }
    }
    // trimmed4.arj has its trailing zero bytes cut off, so its last 34 zero
    // bits lie past the data: the same verdict at every level. far1.arj
    // holds matches that reach to the window's far end.
    const char* const tail[] = {"tail.bin"};
    const char* const far[] = {"far.bin"};
    for (int level = 0; level < SPEED_LEVEL_COUNT; ++level) {
        SetTransferSizes(level);
        ExpectExtracted("trimmed4.arj", tail, 1, false);
        ExpectExtracted("far1.arj", far, 1, false);
    }
}

TEST_F(FixtureTest, ListingReadsTheMethodBack)
{
    std::string printed;
    ASSERT_TRUE(RunTool("bin4.arj", nullptr, &printed));
    // arj stores incompressible data whatever the method asked for.
    EXPECT_NE(printed.find("random.bin  method 0  host 0  type 0  size 79949  ok"), std::string::npos)
        << printed;
    EXPECT_NE(printed.find("text.txt  method 4  host 0  type 0"), std::string::npos) << printed;
    ASSERT_TRUE(RunTool("text1.arj", nullptr, &printed));
    EXPECT_NE(printed.find("text.txt  method 1  host 0  type 1"), std::string::npos) << printed;
}

TEST_F(FixtureTest, LeadingBytesAndFalseHeaders)
{
    std::string printed;
    EXPECT_TRUE(RunTool("lead24999.arj", nullptr, &printed)) << printed;
    EXPECT_TRUE(RunTool("falsepair.arj", nullptr, &printed)) << printed;
    EXPECT_FALSE(RunTool("lead25000.arj", nullptr, &printed));
    EXPECT_EQ(printed, "Reading or unpacking error in 'lead25000.arj'. \n");
}

TEST_F(FixtureTest, BinaryEntriesFromAnotherSystemAreRefused)
{
    std::string printed;
    EXPECT_FALSE(RunTool("unix.arj", nullptr, &printed));
    EXPECT_NE(printed.find("one.bin  method 0  host 2  type 0  size 1  Reading or unpacking error in "
                           "'unix.arj'. "),
              std::string::npos)
        << printed;
}

TEST_F(FixtureTest, NamesThatWindowsWouldShortenOrThatNameDevicesAreRefused)
{
    // "..." or "...." would be "..", a final dot or space would be dropped;
    // highdots.arj holds "..." as 0xAE bytes from another system. The
    // others name devices. Each refused entry is named.
    struct Case {
        const char* archive;
        const char* entry;  // as named, after bit 7 is cleared
        const char* why;
    };
    const char* shortened = "a part that is \"..\" or ends in a dot or a space";
    const char* device = "a device name (NUL, CON, AUX, PRN, COM1-9, LPT1-9)";
    for (Case c : {Case{"dots3.arj", "...\\newdir\\x.txt", shortened},
                   {"dots4.arj", "..../newdir/x.txt", shortened},
                   {"enddot.arj", "sub.\\x.txt", shortened}, {"endspace.arj", "sub \\x.txt", shortened},
                   {"highdots.arj", "...\\newdir\\x.txt", shortened}, {"devnul.arj", "NUL", device},
                   {"devsub.arj", "SUB\\NUL.TXT", device}, {"devaux.arj", "AUX.TXT", device},
                   {"devcom.arj", "COM1", device}}) {
        std::string out = dir + "/" + c.archive;
        std::string printed;
        EXPECT_FALSE(RunTool(c.archive, out.c_str(), &printed)) << c.archive;
        EXPECT_EQ(printed.substr(0, printed.find("  ")), c.entry);
        EXPECT_NE(printed.find(std::string("  name refused: ") + c.why + "  Reading or unpacking error in '" +
                               c.archive + "'. \n"),
                  std::string::npos)
            << printed;
        EXPECT_NE(access(out.c_str(), F_OK), 0) << c.archive << " extracted something";
    }
}

TEST_F(FixtureTest, SizeClaimedFarBeyondTheDataFailsAtOnce)
{
    // About 150 bytes that hold 4,000 zero bytes but claim 2^31 - 1: the
    // decoder stops a few bytes after the data, not 2 GiB later.
    for (const char* archive : {"huge1.arj", "huge4.arj"}) {
        std::string printed;
        EXPECT_FALSE(RunTool(archive, nullptr, &printed));
        EXPECT_NE(printed.find("size 2147483647  Reading or unpacking error in '" +
                               std::string(archive) + "'. "),
                  std::string::npos)
            << printed;
    }
}

TEST_F(FixtureTest, DamagedDataFailTheCrcOrTheDecoder)
{
    std::string bytes = ReadFile(fixtures + "/bin1.arj");
    // Flip a bit in the middle of text.txt's packed data.
    size_t at = bytes.find("text.txt");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 2000] ^= 0x10;
    std::string path = dir + "/damaged.arj";
    std::ofstream(path, std::ios::binary) << bytes;
    std::string printed;
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    EXPECT_FALSE(RunArchiveTool(path.c_str(), nullptr, out));
    fclose(out);
    printed.assign(text, size);
    free(text);
    EXPECT_TRUE(printed.find("The file 'text.txt' is not correctly unpacked. ") != std::string::npos ||
                printed.find("Reading or unpacking error in 'damaged.arj'. ") != std::string::npos)
        << printed;
    // The other entries still test fine.
    EXPECT_NE(printed.find("window.bin  method 1  host 0  type 0  size 26624  ok"), std::string::npos)
        << printed;
}

}  // namespace
