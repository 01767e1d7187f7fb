// The archive writer against the installer's own reader: Huffman blocks in
// every form the reader knows, method 4's codes at their boundaries, code
// lengths within 16 bits, names the installer refuses, and archives that
// stay whole when an entry fails, whether files are coded ahead on helper
// threads or one by one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "authoring/arj_writer/archive_writer.h"
#include "authoring/arj_writer/block_writer.h"
#include "authoring/arj_writer/fast_writer.h"
#include "authoring/arj_writer/huffman_builder.h"
#include "authoring/arjx/archive_tool.h"
#include "authoring/arjx/host_files.h"
#include "install/archive/arj_reader.h"
#include "install/script/transfer_sizes.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// A literal (length 0) or a match.
struct Token {
    int length;
    int value;  // the literal byte, or the distance
};

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/arj-writer-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        cancelRequested = false;
        SetTransferSizes(SPEED_LEVEL_COUNT - 1);
        BuildCrcTable();
    }
    void TearDown() override
    {
        std::string command = "rm -rf '" + dir + "'";
        if (system(command.c_str()) != 0)
            ADD_FAILURE() << "cannot remove " << dir;
    }

    // Decodes `stream` as the data of an entry of `method` that expands to
    // `expected`; true when it does, byte for byte.
    bool DecodesTo(int method, const Bytes& stream, const Bytes& expected)
    {
        memset(&EntryHeader, 0, sizeof EntryHeader);
        EntryHeader.method = (uint8_t)method;
        EntryHeader.uncompressedSize = (int32_t)expected.size();
        EntryHeader.remainingCompressed = (int32_t)stream.size();
        int archive = HostOpenMemory(stream.data(), stream.size());
        std::string path = dir + "/decoded";
        int output = HostCreateOutput(path.c_str());
        runningCrc = 0xFFFFFFFFu;
        bool ok = DecodeEntryData(archive, output, "test.arj", "decoded");
        HostClose(output);
        HostClose(archive);
        return ok && ReadFile(path) == expected;
    }

    static Bytes ReadFile(const std::string& path)
    {
        Bytes b;
        FILE* f = fopen(path.c_str(), "rb");
        if (f == nullptr)
            return b;
        int c;
        while ((c = fgetc(f)) != EOF)
            b.push_back((uint8_t)c);
        fclose(f);
        return b;
    }

    std::string WriteFile(const std::string& name, const Bytes& content)
    {
        std::string path = dir + "/" + name;
        FILE* f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (!content.empty())
            fwrite(content.data(), 1, content.size(), f);
        fclose(f);
        return path;
    }

    // Tests the archive with the installer's reader.
    bool ArchiveIsWhole(const std::string& path)
    {
        FILE* sink = fopen("/dev/null", "w");
        bool ok = RunArchiveTool(path.c_str(), nullptr, sink);
        fclose(sink);
        return ok;
    }

    std::string dir;
};

// The bytes the tokens stand for.
Bytes Expand(const std::vector<Token>& tokens)
{
    Bytes out;
    for (const Token& t : tokens) {
        if (t.length == 0) {
            out.push_back((uint8_t)t.value);
        } else {
            for (int i = 0; i < t.length; ++i)
                out.push_back(out[out.size() - (size_t)t.value]);
        }
    }
    return out;
}

// The tokens as blocks of methods 1-3, a new block after every `perBlock`.
Bytes HuffmanStream(const std::vector<Token>& tokens, size_t perBlock)
{
    static uint8_t buffer[4 * MAX_BLOCK_BYTES];
    static TokenBlock block;
    BitWriter w;
    StartBitWriter(w, buffer);
    ClearTokens(block);
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].length == 0)
            AddLiteral(block, (uint8_t)tokens[i].value);
        else
            AddMatch(block, tokens[i].length, tokens[i].value);
        if ((size_t)block.count == perBlock || i + 1 == tokens.size()) {
            WriteHuffmanBlock(w, block, block.count, block.counts);
            ClearTokens(block);
        }
    }
    FlushBits(w);
    return Bytes(buffer, w.next);
}

std::vector<Token> Literals(const Bytes& bytes)
{
    std::vector<Token> t;
    for (uint8_t c : bytes)
        t.push_back(Token{0, c});
    return t;
}

TEST_F(WriterTest, HuffmanBlocksInEveryFormDecode)
{
    std::mt19937 rng(18);
    std::vector<std::pair<const char*, std::vector<Token>>> cases;
    // One literal symbol: the literal code as a single symbol read with 0
    // bits, no length code and no position code.
    cases.push_back({"single literal", Literals(Bytes(50, 'q'))});
    // Frequencies in Fibonacci proportion: Huffman's code would be 21 bits deep.
    std::vector<Token> skewed;
    for (int s = 0, a = 1, b = 1; s < 22; ++s, a += b, std::swap(a, b)) {
        for (int i = 0; i < a; ++i)
            skewed.push_back(Token{0, 'A' + s});
    }
    std::shuffle(skewed.begin(), skewed.end(), rng);
    cases.push_back({"lengths limited to 16", skewed});
    // Runs of 256 at distance 1: the position code as a single symbol.
    std::vector<Token> runs = {{0, 'x'}};
    for (int i = 0; i < 300; ++i)
        runs.push_back(Token{256, 1});
    cases.push_back({"single position", runs});
    // Literal/length symbols used with gaps of 1, 2, 5, 19, 25 and 300 unused
    // symbols between them: every way of sending zero lengths; matches at
    // every bit count of distance up to the history's end.
    const int used[] = {3, 5, 8, 14, 34, 60, 361, 380, 509};
    std::vector<Token> spread = Literals(Bytes(HISTORY_SIZE, 0));
    for (Token& t : spread)
        t.value = used[rng() % 6];
    for (int i = 0; i < 20000; ++i) {
        int s = used[rng() % 9];
        int distance = 1 + (int)(rng() % (1u << (rng() % 15)));
        spread.push_back(s < 256 ? Token{0, s} : Token{s - 253, distance});
    }
    cases.push_back({"zero runs and far matches", spread});
    // The longest block the counter holds, then a short one.
    std::vector<Token> full = Literals(Bytes(MAX_BLOCK_CODES + 10, 0));
    for (size_t i = 0; i < full.size(); ++i)
        full[i].value = (int)((i * i) % 97);
    cases.push_back({"65,535 codes", full});

    for (auto& c : cases) {
        Bytes expected = Expand(c.second);
        EXPECT_TRUE(DecodesTo(1, HuffmanStream(c.second, MAX_BLOCK_CODES), expected)) << c.first;
        EXPECT_TRUE(DecodesTo(3, HuffmanStream(c.second, 777), expected)) << c.first << ", short blocks";
    }
}

TEST_F(WriterTest, FastCodesAtEveryBoundary)
{
    std::mt19937 rng(4);
    std::vector<Token> tokens;
    for (int i = 0; i < FAST_MAX_DISTANCE; ++i)
        tokens.push_back(Token{0, (int)(rng() % 256)});
    const int distances[] = {1, 511, 512, 513, 1535, 1536, 1537, 3583, 3584, 3585,
                             7679, 7680, 7681, 15871, 15872};
    for (int length = MIN_MATCH; length <= MAX_MATCH; ++length)
        tokens.push_back(Token{length, distances[length % 15]});
    static uint8_t buffer[1 << 20];
    BitWriter w;
    StartBitWriter(w, buffer);
    for (const Token& t : tokens) {
        if (t.length == 0)
            PutFastLiteral(w, (uint8_t)t.value);
        else
            PutFastMatch(w, t.length, t.value);
    }
    FlushBits(w);
    EXPECT_TRUE(DecodesTo(4, Bytes(buffer, w.next), Expand(tokens)));
}

TEST_F(WriterTest, CodeLengthsAreCompleteAndWithin16Bits)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const int n = round % 4 == 0 ? 19 : round % 4 == 1 ? 17 : 510;
        uint32_t freq[510];
        for (int s = 0; s < n; ++s) {
            // Geometric spreads make deep trees; some symbols unused.
            int shift = (int)(rng() % 17);
            freq[s] = rng() % 5 == 0 ? 0 : (uint32_t)(1 + rng() % 3) << shift;
        }
        uint8_t lengths[510];
        int used = BuildCodeLengths(freq, n, MAX_CODE_LENGTH, lengths);
        if (used < 2)
            continue;
        uint32_t kraft = 0;
        for (int s = 0; s < n; ++s) {
            ASSERT_LE(lengths[s], MAX_CODE_LENGTH);
            ASSERT_EQ(lengths[s] == 0, freq[s] == 0);
            if (lengths[s] != 0)
                kraft += 1u << (MAX_CODE_LENGTH - lengths[s]);
        }
        EXPECT_EQ(kraft, 1u << MAX_CODE_LENGTH) << "round " << round;
    }
}

class RefusedNameTest : public WriterTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(RefusedNameTest, IsAnErrorNamingTheFileAndTheArchiveStaysWhole)
{
    std::string good = WriteFile("good.txt", Bytes(3000, 'g'));
    std::string archivePath = dir + "/OUT.ARJ";
    char error[WRITER_ERROR_SIZE];
    ArchiveWriter* a = OpenArchiveForWriting(archivePath.c_str(), 0, error);
    ASSERT_NE(a, nullptr) << error;
    ASSERT_TRUE(AddFileToArchive(a, good.c_str(), "first.txt", false, 1, nullptr, error)) << error;
    int64_t before = ArchiveSize(a);
    EXPECT_FALSE(AddFileToArchive(a, good.c_str(), GetParam().c_str(), false, 1, nullptr, error));
    EXPECT_NE(strstr(error, good.c_str()), nullptr) << error;
    EXPECT_EQ(ArchiveSize(a), before);
    ASSERT_TRUE(AddFileToArchive(a, good.c_str(), "last.txt", true, 4, nullptr, error)) << error;
    ASSERT_GT(FinishArchive(a, error), 0) << error;
    EXPECT_TRUE(ArchiveIsWhole(archivePath));
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedNameTest,
                         ::testing::Values("", "..", "sub/../x", "x.", "dir./x", "x ", "C:x", "/abs",
                                           "\\abs", "a\\b", "a:b", "a*b", "a//b", "a/", "NUL",
                                           "sub/com1.txt", std::string(260, 'n')));

TEST_F(WriterTest, FailedEntriesLeaveTheArchiveWholeAndDiscardLeavesNothing)
{
    std::string good = WriteFile("good.bin", Bytes(5000, 7));
    // A sparse file of 2 GB: refused before a byte of it is read.
    std::string huge = dir + "/huge.bin";
    int fd = open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(ftruncate(fd, (off_t)1 << 31), 0);
    close(fd);
    std::string archivePath = dir + "/OUT.ARJ";
    char error[WRITER_ERROR_SIZE];
    ArchiveWriter* a = OpenArchiveForWriting(archivePath.c_str(), 0x5A8B6000, error);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(AddFileToArchive(a, good.c_str(), "a.bin", false, 2, nullptr, error));
    EXPECT_FALSE(AddFileToArchive(a, (dir + "/missing").c_str(), "b.bin", false, 2, nullptr, error));
    EXPECT_NE(strstr(error, "/missing"), nullptr) << error;
    EXPECT_FALSE(AddFileToArchive(a, huge.c_str(), "c.bin", false, 2, nullptr, error));
    EXPECT_NE(strstr(error, "huge.bin' holds 2 GB or more"), nullptr) << error;
    EXPECT_FALSE(AddFileToArchive(a, good.c_str(), "d.bin", false, 9, nullptr, error));
    AddedEntry added;
    EXPECT_TRUE(AddFileToArchive(a, good.c_str(), "e.bin", false, 3, &added, error));
    EXPECT_EQ(added.method, 3);
    EXPECT_EQ(added.originalSize, 5000);
    ASSERT_GT(FinishArchive(a, error), 0) << error;
    EXPECT_TRUE(ArchiveIsWhole(archivePath));
    // The main header's time is the one given.
    Bytes bytes = ReadFile(archivePath);
    EXPECT_EQ(bytes[12] | bytes[13] << 8 | bytes[14] << 16 | (uint32_t)bytes[15] << 24, 0x5A8B6000u);

    unlink(archivePath.c_str());
    unlink(huge.c_str());
    a = OpenArchiveForWriting(archivePath.c_str(), 0, error);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(AddFileToArchive(a, good.c_str(), "a.bin", false, 1, nullptr, error));
    DiscardArchive(a);
    EXPECT_EQ(system(("test -z \"$(ls -A '" + dir + "' | grep -v good.bin)\"").c_str()), 0);
}

// Helper threads change nothing in the archive: the same bytes at every
// method, a file too large to be coded ahead included; a file that fails
// stops the batch there with the files before it in a whole archive.
TEST_F(WriterTest, FilesCodedAheadGiveTheSameArchive)
{
    std::mt19937 random(7);
    std::vector<std::string> paths;
    Bytes text;
    while (text.size() < 40000)
        text.push_back((uint8_t)"the quick brown fox \r\n"[random() % 22]);
    Bytes noise(9000);
    for (uint8_t& b : noise)
        b = (uint8_t)random();
    Bytes large(5 << 20);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = (uint8_t)(i % 251 < 100 ? random() % 4 : i);
    paths.push_back(WriteFile("text", text));
    paths.push_back(WriteFile("empty", Bytes()));
    paths.push_back(WriteFile("noise", noise));
    paths.push_back(WriteFile("large", large));
    for (int i = 0; i < 6; ++i)
        paths.push_back(WriteFile("small" + std::to_string(i), Bytes(text.begin() + i * 999, text.end())));
    std::vector<FileToAdd> files;
    for (const std::string& p : paths)
        files.push_back(FileToAdd{p.c_str(), p.c_str() + dir.size() + 1, p.find("text") != std::string::npos});
    char error[WRITER_ERROR_SIZE];
    for (int method = 0; method <= 4; ++method) {
        Bytes archives[2];
        for (int threads : {1, 3}) {
            std::string path = dir + "/" + std::to_string(threads);
            mkdir(path.c_str(), 0755);
            path += "/OUT.ARJ";
            ArchiveWriter* a = OpenArchiveForWriting(path.c_str(), 0, error);
            ASSERT_NE(a, nullptr) << error;
            std::vector<AddedEntry> added(files.size());
            int failed = -1;
            ASSERT_TRUE(AddFilesToArchive(a, files.data(), (int)files.size(), method, threads, added.data(),
                                          &failed, error)) << error;
            ASSERT_GT(FinishArchive(a, error), 0) << error;
            EXPECT_EQ(added[3].originalSize, (int64_t)large.size());
            archives[threads / 3] = ReadFile(path);
        }
        EXPECT_TRUE(archives[0] == archives[1]) << "method " << method;
        EXPECT_TRUE(ArchiveIsWhole(dir + "/3/OUT.ARJ")) << "method " << method;
    }
    std::string missing = dir + "/missing";
    files[5].sourcePath = missing.c_str();
    std::string path = dir + "/F.ARJ";
    ArchiveWriter* a = OpenArchiveForWriting(path.c_str(), 0, error);
    ASSERT_NE(a, nullptr) << error;
    int failed = -1;
    EXPECT_FALSE(AddFilesToArchive(a, files.data(), (int)files.size(), 2, 3, nullptr, &failed, error));
    EXPECT_EQ(failed, 5);
    EXPECT_NE(strstr(error, "/missing"), nullptr) << error;
    ASSERT_GT(FinishArchive(a, error), 0) << error;
    FILE* sink = fopen("/dev/null", "w");
    EXPECT_TRUE(RunArchiveTool(path.c_str(), nullptr, sink));
    fclose(sink);
}

}  // namespace
