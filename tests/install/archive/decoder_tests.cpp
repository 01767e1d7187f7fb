// The archive reader on hand-made input: the worked streams, header limits,
// entry acceptance, text entries, and archives that break the format.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "authoring/arjx/host_files.h"
#include "install/archive/arj_reader.h"
#include "install/archive/bit_reader.h"
#include "install/archive/ceil_div.h"
#include "install/archive/decoders.h"
#include "install/script/transfer_sizes.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// Most-significant-bit-first bit writer for hand-made streams.
struct BitWriter {
    Bytes bytes;
    int used = 0;  // bits used in the last byte
    void Put(uint32_t value, int n)
    {
        for (int i = n - 1; i >= 0; --i) {
            if (used == 0)
                bytes.push_back(0);
            if ((value >> i) & 1)
                bytes.back() |= (uint8_t)(0x80 >> used);
            used = (used + 1) & 7;
        }
    }
};

void Put16(Bytes& b, uint32_t v)
{
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}

void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

struct EntrySpec {
    uint8_t archiverVersion = 11;
    uint8_t minimumVersion = 1;
    uint8_t hostSystem = 0;
    uint8_t method = 0;
    uint8_t fileType = 0;
    std::string name = "file.bin";
    Bytes data;            // the entry's stored bytes
    int32_t originalSize = 0;
    uint32_t crc = 0;
};

Bytes BasicHeader(const EntrySpec& e)
{
    Bytes b;
    b.push_back(30);  // first header size
    b.push_back(e.archiverVersion);
    b.push_back(e.minimumVersion);
    b.push_back(e.hostSystem);
    b.push_back(0);   // flags
    b.push_back(e.method);
    b.push_back(e.fileType);
    b.push_back(0);
    Put32(b, 0x5A8B6000);  // 2025-04-11 12:00
    Put32(b, (uint32_t)e.data.size());
    Put32(b, (uint32_t)e.originalSize);
    Put32(b, e.crc);
    Put16(b, 0);
    Put16(b, 0x20);
    Put16(b, 0);
    b.insert(b.end(), e.name.begin(), e.name.end());
    b.push_back(0);
    b.push_back(0);  // empty comment
    return b;
}

Bytes HeaderBlock(const Bytes& basic)
{
    Bytes b;
    Put16(b, 0xEA60);
    Put16(b, (uint32_t)basic.size());
    b.insert(b.end(), basic.begin(), basic.end());
    Put32(b, Crc32Of(basic.data(), basic.size()));
    Put16(b, 0);
    return b;
}

Bytes MakeArchive(const std::vector<EntrySpec>& entries)
{
    EntrySpec main;
    main.name = "test.arj";
    main.fileType = 2;
    Bytes a = HeaderBlock(BasicHeader(main));
    for (const EntrySpec& e : entries) {
        Bytes h = HeaderBlock(BasicHeader(e));
        a.insert(a.end(), h.begin(), h.end());
        a.insert(a.end(), e.data.begin(), e.data.end());
    }
    Put16(a, 0xEA60);
    Put16(a, 0);
    return a;
}

EntrySpec StoredEntry(const std::string& name, const Bytes& content, uint8_t fileType = 0)
{
    EntrySpec e;
    e.name = name;
    e.data = content;
    e.fileType = fileType;
    e.originalSize = (int32_t)content.size();
    e.crc = Crc32Of(content.data(), content.size());
    return e;
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/arj-tests-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        finishMessage[0] = '\0';
        cancelRequested = false;
        SetTransferSizes(2);
        BuildCrcTable();
    }
    void TearDown() override
    {
        std::string command = "rm -rf '" + dir + "'";
        if (system(command.c_str()) != 0)
            ADD_FAILURE() << "cannot remove " << dir;
    }

    // Decodes `data` as an entry with the given fields; the output file's
    // bytes go to *out.
    bool Decode(int method, int fileType, int32_t size, const Bytes& data, Bytes* out,
                const char* archiveName = "Data.ARJ")
    {
        memset(&EntryHeader, 0, sizeof EntryHeader);
        EntryHeader.method = (uint8_t)method;
        EntryHeader.fileType = (uint8_t)fileType;
        EntryHeader.uncompressedSize = size;
        EntryHeader.remainingCompressed = (int32_t)data.size();
        archive = HostOpenMemory(data.data(), data.size());
        std::string path = dir + "/out";
        int output = HostCreateOutput(path.c_str());
        runningCrc = 0xFFFFFFFFu;
        bool ok = DecodeEntryData(archive, output, archiveName, "Out.TXT");
        position = SeekCached(archive, 0, 1);
        HostClose(output);
        HostClose(archive);
        out->clear();
        FILE* f = fopen(path.c_str(), "rb");
        int c;
        while ((c = fgetc(f)) != EOF)
            out->push_back((uint8_t)c);
        fclose(f);
        return ok;
    }

    std::string dir;
    int archive = -1;
    int position = -1;
};

Bytes B(const char* s)
{
    return Bytes(s, s + strlen(s));
}

TEST_F(ArchiveTest, CrcIsTheZipCrc)
{
    EXPECT_EQ(Crc32Of("123456789", 9), 0xCBF43926u);
    runningCrc = 0xFFFFFFFFu;
    UpdateCrc("1234", 4);
    UpdateCrc("56789", 5);
    EXPECT_EQ(~runningCrc, 0xCBF43926u);
    EXPECT_EQ(Crc32Of("", 0), 0u);

    // Long buffers take other paths (sixteen bytes at a time, carry-less
    // folding where the processor has it, else the tables); each length and
    // alignment against the bit-by-bit definition, whole and in two parts.
    Bytes data(5000);
    uint32_t seed = 1;
    for (uint8_t& b : data)
        b = (uint8_t)((seed = seed * 1103515245u + 12345u) >> 23);
    for (bool carryless : {true, false}) {
        AllowCarrylessCrc(carryless);
        SCOPED_TRACE(carryless ? "carry-less folding where the processor has it" : "tables only");
        for (size_t length : {15, 16, 63, 64, 255, 256, 257, 320, 1000, 4093}) {
            for (size_t offset : {0, 1, 7}) {
                const uint8_t* p = data.data() + offset;
                uint32_t r = 0xFFFFFFFFu;
                for (size_t i = 0; i < length; ++i) {
                    r ^= p[i];
                    for (int k = 0; k < 8; ++k)
                        r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
                }
                EXPECT_EQ(Crc32Of(p, length), ~r) << length << " at " << offset;
                runningCrc = 0xFFFFFFFFu;
                UpdateCrc(p, length / 3);
                UpdateCrc(p + length / 3, length - length / 3);
                EXPECT_EQ(runningCrc, r) << length << " at " << offset << " in two parts";
            }
        }
    }
    AllowCarrylessCrc(true);
}

TEST_F(ArchiveTest, CeilDivCountsPieces)
{
    EXPECT_EQ(CeilDiv(0, 512), 0);
    EXPECT_EQ(CeilDiv(512, 512), 1);
    EXPECT_EQ(CeilDiv(513, 512), 2);
}

TEST_F(ArchiveTest, WorkedStreamOfMethod4TakesAllItsBytes)
{
    Bytes out;
    ASSERT_TRUE(Decode(4, 0, 6, {0x30, 0x98, 0x8C, 0x70, 0x02}, &out));
    EXPECT_EQ(out, B("abcabc"));
    EXPECT_EQ(position, 5);
    EXPECT_EQ(EntryHeader.remainingCompressed, 0);
    EXPECT_EQ(~runningCrc, Crc32Of("abcabc", 6));
}

TEST_F(ArchiveTest, BitRegisterNeverHoldsMoreThan63ValidBits)
{
    // The branch-free refill shifts by the count of valid bits: a full
    // register of 64 would shift by 64 and move the input backwards.
    Bytes data(100, 0x5A);
    memset(&EntryHeader, 0, sizeof EntryHeader);
    EntryHeader.remainingCompressed = (int32_t)data.size();
    archive = HostOpenMemory(data.data(), data.size());
    ASSERT_TRUE(InitBitReader(archive));
    EXPECT_LE(bitReader.count, 63);
    for (int drop = 1; drop <= 40; ++drop) {
        DropBits(bitReader, drop % 9);
        ASSERT_TRUE(RefillBits(bitReader, 31));
        EXPECT_LE(bitReader.count, 63) << "after dropping " << drop % 9;
        EXPECT_GE(bitReader.count, 31);
    }
    HostClose(archive);
}

TEST_F(ArchiveTest, WorkedStreamsOfMethods1To3)
{
    for (int method = 1; method <= 3; ++method) {
        Bytes out;
        ASSERT_TRUE(Decode(method, 0, 4, {0x00, 0x04, 0x00, 0x00, 0x06, 0x10, 0x00}, &out));
        EXPECT_EQ(out, B("aaaa"));
        ASSERT_TRUE(Decode(method, 0, 4, {0x00, 0x04, 0x20, 0x04, 0x26, 0x31, 0x37, 0x00, 0x18}, &out));
        EXPECT_EQ(out, B("abba"));
        EXPECT_EQ(position, 9);
    }
}

TEST_F(ArchiveTest, SameOutputAtEverySpeedLevel)
{
    // Literal 'x', then two length-256 matches at position 0: a run. A
    // length value of 254 is seven 1 bits and 7 bits of 127.
    BitWriter s;
    s.Put(0, 1);
    s.Put('x', 8);
    for (int i = 0; i < 2; ++i) {
        s.Put(0x7F, 7);
        s.Put(127, 7);
        s.Put(0, 1);      // distance prefix 0 (stop bit)
        s.Put(0, 9);      // distance 0: repeat the previous byte
    }
    // Codes for more bytes than the entry holds: decoding stops at its size
    // wherever the literals (taken several at a time) fall.
    BitWriter literals;
    Bytes expected;
    for (int i = 0; i < 64; ++i) {
        literals.Put(0, 1);
        literals.Put('a' + i % 26, 8);
        expected.push_back((uint8_t)('a' + i % 26));
    }
    // Literals, then zero literals whose 45 or 72 zero bits lie past the
    // data once the trailing zero bytes are cut off: within the limit of
    // zero bits a decoder may use, or beyond it, whatever the level.
    struct Trimmed {
        int count, zeros;
        BitWriter w;
    };
    std::vector<Trimmed> trimmed;
    for (int zeros : {5, 8}) {
        for (int count : {134, 136}) {
            Trimmed t{count, zeros, {}};
            for (int i = 0; i < count + zeros; ++i) {
                t.w.Put(0, 1);
                t.w.Put(i < count ? 'a' + i % 26 : 0, 8);
            }
            while (t.w.bytes.back() == 0)
                t.w.bytes.pop_back();
            trimmed.push_back(t);
        }
    }
    Bytes out;
    for (int level = 0; level < SPEED_LEVEL_COUNT; ++level) {
        SetTransferSizes(level);
        ASSERT_TRUE(Decode(4, 0, 513, s.bytes, &out));
        EXPECT_EQ(out, Bytes(513, 'x'));
        for (int size : {45, 50, 51}) {
            ASSERT_TRUE(Decode(4, 0, size, literals.bytes, &out));
            EXPECT_EQ(out, Bytes(expected.begin(), expected.begin() + size)) << size;
        }
        for (const Trimmed& t : trimmed) {
            EXPECT_EQ(Decode(4, 0, t.count + t.zeros, t.w.bytes, &out), t.zeros == 5)
                << t.count << " literals and " << t.zeros << " zeros at level " << level;
        }
    }
}

TEST_F(ArchiveTest, TextEntriesLoseBit7ButTheCrcIsOverTheDecodedBytes)
{
    Bytes content = {'a', 0xE9, 'b', 0x80, 0xFF, '\r', '\n'};
    Bytes out;
    ASSERT_TRUE(Decode(0, 1, (int32_t)content.size(), content, &out));
    EXPECT_EQ(out, Bytes({'a', 0x69, 'b', 0x00, 0x7F, '\r', '\n'}));
    EXPECT_EQ(~runningCrc, Crc32Of(content.data(), content.size()));
    ASSERT_TRUE(Decode(0, 0, (int32_t)content.size(), content, &out));
    EXPECT_EQ(out, content);
}

TEST_F(ArchiveTest, EmptyEntryProducesNothingAndHasCrcZero)
{
    for (int method = 0; method <= 4; ++method) {
        Bytes out = {1};
        ASSERT_TRUE(Decode(method, 0, 0, {}, &out));
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(~runningCrc, 0u);
    }
}

TEST_F(ArchiveTest, FailureTextsNameTheFilesInLowerCase)
{
    // The archive ends before the entry's data do: a read error.
    Bytes five(5, 'a');
    memset(&EntryHeader, 0, sizeof EntryHeader);
    archive = HostOpenMemory(five.data(), five.size());
    EntryHeader.remainingCompressed = 10;
    EntryHeader.uncompressedSize = 10;
    int output = HostOpenDiscard(1 << 20);
    EXPECT_FALSE(DecodeEntryData(archive, output, "Data.ARJ", "Out.TXT"));
    EXPECT_STREQ(finishMessage, "Reading or unpacking error in 'data.arj'. ");
    HostClose(output);
    HostClose(archive);

    // A write that falls short.
    archive = HostOpenMemory(five.data(), five.size());
    EntryHeader.remainingCompressed = 5;
    output = HostOpenDiscard(2);
    EXPECT_FALSE(DecodeEntryData(archive, output, "Data.ARJ", "Out.TXT"));
    EXPECT_STREQ(finishMessage, "Disk full or error writing the file 'out.txt'. ");
    HostClose(output);
    HostClose(archive);

    // A user's cancel seen by a read is reported as the end, not as an error.
    cancelRequested = true;
    SetReadError("Data.ARJ");
    EXPECT_STREQ(finishMessage, "Installation process is terminated.");
    cancelRequested = false;

    // Long names lose their middle, so that the appended "Installation
    // process is terminated." still fits 255 characters.
    std::string longName = "'" + std::string(254, 'N');
    for (void (*setError)(const char*) : {SetReadError, SetWriteError}) {
        setError(longName.c_str());
        std::string text = finishMessage;
        EXPECT_LE(text.size(), 220u);
        EXPECT_NE(text.find("''nnn"), std::string::npos) << text;
        EXPECT_NE(text.find("nnn...nnn"), std::string::npos) << text;
        EXPECT_EQ(text.substr(text.size() - 6), "nnn'. ");
    }
}

// --- headers ---------------------------------------------------------------

TEST_F(ArchiveTest, ReadsEntriesAndTheEndMarker)
{
    Bytes content = B("hello");
    Bytes a = MakeArchive({StoredEntry("Sub\\Hello.TXT", content)});
    int h = HostOpenMemory(a.data(), a.size());
    EXPECT_EQ(FindArchiveHeader(h), 0);
    EXPECT_EQ(ReadEntryHeader(h, nullptr), 1);
    char name[ENTRY_NAME_SIZE];
    ASSERT_EQ(ReadEntryHeader(h, name), 1);
    EXPECT_STREQ(name, "Sub\\Hello.TXT");
    EXPECT_EQ(EntryHeader.remainingCompressed, 5);
    EXPECT_EQ(EntryHeader.uncompressedSize, 5);
    EXPECT_EQ(EntryHeader.dateTime, 0x5A8B6000u);
    EXPECT_EQ(EntryHeader.fileMode, 0x20);
    EXPECT_TRUE(SkipEntryData(h));
    EXPECT_EQ(ReadEntryHeader(h, name), 0);
    HostClose(h);
}

TEST_F(ArchiveTest, ExtendedHeadersAreSkipped)
{
    EntrySpec e = StoredEntry("a.txt", B("xyz"));
    Bytes block = HeaderBlock(BasicHeader(e));
    block.resize(block.size() - 2);  // replace the final size 0
    Put16(block, 3);
    block.insert(block.end(), {1, 2, 3, 9, 9, 9, 9});
    Put16(block, 0);
    block.insert(block.end(), e.data.begin(), e.data.end());
    int h = HostOpenMemory(block.data(), block.size());
    char name[ENTRY_NAME_SIZE];
    ASSERT_EQ(ReadEntryHeader(h, name), 1);
    EXPECT_EQ(SeekCached(h, 0, 1), (int)block.size() - 3);
    HostClose(h);
}

TEST_F(ArchiveTest, HeaderSizeLimitIs2600)
{
    for (int size : {2600, 2601}) {
        EntrySpec e = StoredEntry("big.txt", B("1"));
        Bytes basic = BasicHeader(e);
        basic.resize((size_t)size, 0);
        Bytes block = HeaderBlock(basic);
        int h = HostOpenMemory(block.data(), block.size());
        char name[ENTRY_NAME_SIZE];
        EXPECT_EQ(ReadEntryHeader(h, name), size == 2600 ? 1 : -1) << size;
        HostClose(h);
        // The search passes over a header of 2,601 bytes too.
        Bytes archive = block;
        Bytes end = {0x60, 0xEA, 0, 0};
        archive.insert(archive.end(), end.begin(), end.end());
        h = HostOpenMemory(archive.data(), archive.size());
        EXPECT_EQ(FindArchiveHeader(h), size == 2600 ? 0 : -1) << size;
        HostClose(h);
    }
}

TEST_F(ArchiveTest, SearchSkipsFalseHeadersAndStopsAt25000)
{
    Bytes a = MakeArchive({StoredEntry("a.txt", B("abc"))});
    // A pair with a wrong CRC, then 0x60 0x60 0xEA with an oversized size.
    Bytes fake = {'M', 'Z', 0x60, 0xEA, 4, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0x60, 0x60, 0xEA, 0xFF, 0xFF};
    Bytes withFake = fake;
    withFake.insert(withFake.end(), a.begin(), a.end());
    int h = HostOpenMemory(withFake.data(), withFake.size());
    EXPECT_EQ(FindArchiveHeader(h), (int)fake.size());
    EXPECT_EQ(SeekCached(h, 0, 1), (int)fake.size());
    HostClose(h);

    for (int lead : {24999, 25000}) {
        Bytes led((size_t)lead, 0x11);
        led.insert(led.end(), a.begin(), a.end());
        h = HostOpenMemory(led.data(), led.size());
        EXPECT_EQ(FindArchiveHeader(h), lead == 24999 ? 24999 : -1);
        HostClose(h);
    }
    Bytes tiny = {0x60, 0xEA};
    h = HostOpenMemory(tiny.data(), tiny.size());
    EXPECT_EQ(FindArchiveHeader(h), -1);
    HostClose(h);
}

TEST_F(ArchiveTest, HeaderCrcMismatchAndBadIdFail)
{
    Bytes a = HeaderBlock(BasicHeader(StoredEntry("a.txt", B("abc"))));
    Bytes broken = a;
    broken[10] ^= 1;
    int h = HostOpenMemory(broken.data(), broken.size());
    EXPECT_EQ(ReadEntryHeader(h, nullptr), -1);
    HostClose(h);
    broken = a;
    broken[0] = 0x61;
    h = HostOpenMemory(broken.data(), broken.size());
    EXPECT_EQ(ReadEntryHeader(h, nullptr), -1);
    HostClose(h);
    Bytes truncated(a.begin(), a.begin() + 20);
    h = HostOpenMemory(truncated.data(), truncated.size());
    EXPECT_EQ(ReadEntryHeader(h, nullptr), -1);
    HostClose(h);
}

TEST_F(ArchiveTest, NamesMustFitTheHeaderAndTheBuffer)
{
    char name[ENTRY_NAME_SIZE];
    EntrySpec e = StoredEntry("a.txt", B("abc"));
    // First header size beyond the basic header.
    Bytes basic = BasicHeader(e);
    basic[0] = (uint8_t)basic.size();
    Bytes block = HeaderBlock(basic);
    int h = HostOpenMemory(block.data(), block.size());
    EXPECT_EQ(ReadEntryHeader(h, name), -1);
    HostClose(h);
    // A name without its terminating zero.
    basic = BasicHeader(e);
    basic.resize(basic.size() - 2);
    block = HeaderBlock(basic);
    h = HostOpenMemory(block.data(), block.size());
    EXPECT_EQ(ReadEntryHeader(h, name), -1);
    HostClose(h);
    // 259 characters fit, 260 do not.
    for (size_t length : {259u, 260u}) {
        e.name = std::string(length, 'n');
        block = HeaderBlock(BasicHeader(e));
        h = HostOpenMemory(block.data(), block.size());
        EXPECT_EQ(ReadEntryHeader(h, name), length == 259 ? 1 : -1);
        HostClose(h);
    }
}

TEST_F(ArchiveTest, NamesThatLeaveTheDestinationOrNameADeviceAreRefused)
{
    // Windows drops a part's final dots and spaces: "..." and "...." become
    // "..", "sub." becomes "sub". A part that names a device, with any
    // extension, would be written to the device. Names from another system
    // (host 2) are checked after bit 7 is cleared, when 0xAE has become '.'
    // and 0xCE 0xD5 0xCC "NUL".
    struct Case {
        const char* name;
        uint8_t host;
        EntryNameFault fault;
    };
    const EntryNameFault rooted = ENTRY_NAME_ROOTED, shortened = ENTRY_NAME_SHORTENED,
                         device = ENTRY_NAME_DEVICE;
    for (Case c : {Case{"\\windows\\win.ini", 0, rooted}, {"/etc/passwd", 0, rooted},
                   {"c:autoexec.bat", 0, rooted}, {"..\\up.txt", 0, shortened},
                   {"a/../../b.txt", 0, shortened}, {"sub\\..", 0, shortened}, {"..", 0, shortened},
                   {"...\\newdir\\x.txt", 0, shortened}, {"a/..../b", 0, shortened},
                   {"sub.\\x.txt", 0, shortened}, {"sub \\x.txt", 0, shortened},
                   {"x.txt.", 0, shortened}, {"x.txt ", 0, shortened}, {"a/./b", 0, shortened},
                   {"\xAE\xAE\xAE\\x.txt", 2, shortened}, {"NUL", 0, device},
                   {"SUB\\NUL.TXT", 0, device}, {"AUX.TXT", 0, device}, {"COM1", 0, device},
                   {"lpt9.a.b", 0, device}, {"con .txt", 0, device}, {"sub/prn:x", 0, device},
                   {"nul\\x.txt", 0, device}, {"COM\xB9.TXT", 0, device},
                   {"\xCE\xD5\xCC.txt", 2, device}}) {
        EntrySpec e = StoredEntry(c.name, B("x"), 1);
        e.hostSystem = c.host;
        Bytes block = HeaderBlock(BasicHeader(e));
        block.push_back('x');
        int h = HostOpenMemory(block.data(), block.size());
        char name[ENTRY_NAME_SIZE];
        EXPECT_EQ(ReadEntryHeader(h, name), -1) << c.name;
        EXPECT_EQ(FindEntryNameFault(name), c.fault) << c.name;
        // The header has been read whole: the tools name the entry and
        // can go on after its data.
        EXPECT_EQ(SeekCached(h, 0, 1), (int)block.size() - 1) << c.name;
        HostClose(h);
    }
    for (const char* safe : {"sub\\dir/file..txt", ".profile\\a b/.x", "NULL.TXT", "COM10",
                             "LPT0", "CONFIG.SYS", "AUXILIAR.Y\\x", "com\xB4"})
        EXPECT_TRUE(IsSafeEntryName(safe)) << safe;
}

TEST_F(ArchiveTest, NamesFromOtherSystemsLoseBit7)
{
    EntrySpec e = StoredEntry("caf\xE9.txt", B("x"), 1);
    e.hostSystem = 2;
    Bytes block = HeaderBlock(BasicHeader(e));
    int h = HostOpenMemory(block.data(), block.size());
    char name[ENTRY_NAME_SIZE];
    ASSERT_EQ(ReadEntryHeader(h, name), 1);
    EXPECT_STREQ(name, "cafi.txt");
    HostClose(h);
}

TEST_F(ArchiveTest, EntrySupport)
{
    memset(&EntryHeader, 0, sizeof EntryHeader);
    EntryHeader.archiverVersion = 11;
    EntryHeader.minimumVersion = 1;
    EXPECT_TRUE(IsEntrySupported());
    EntryHeaderRecord good = EntryHeader;

    EntryHeader.method = 4;
    EXPECT_TRUE(IsEntrySupported());
    EntryHeader.archiverVersion = 1;
    EXPECT_FALSE(IsEntrySupported()) << "method 4 from archiver version 1";
    EntryHeader = good;
    for (int type : {2, 3, 4}) {
        EntryHeader.fileType = (uint8_t)type;
        EXPECT_FALSE(IsEntrySupported()) << "file type " << type;
    }
    EntryHeader = good;
    EntryHeader.minimumVersion = 3;
    EXPECT_TRUE(IsEntrySupported());
    EntryHeader.minimumVersion = 4;
    EXPECT_FALSE(IsEntrySupported()) << "minimum version 4";
    EntryHeader = good;
    EntryHeader.method = 5;
    EXPECT_FALSE(IsEntrySupported()) << "method 5";
    EntryHeader = good;
    EntryHeader.hostSystem = 2;
    EXPECT_FALSE(IsEntrySupported()) << "binary from another system";
    EntryHeader.fileType = 1;
    EXPECT_TRUE(IsEntrySupported()) << "text from another system";
}

TEST_F(ArchiveTest, SkipEntryDataStaysInsideTheArchive)
{
    Bytes data(100, 'd');
    int h = HostOpenMemory(data.data(), data.size());
    EntryHeader.remainingCompressed = 100;
    EXPECT_TRUE(SkipEntryData(h));
    EXPECT_EQ(SeekCached(h, 0, 1), 100);
    SeekCached(h, 50, 0);
    EntryHeader.remainingCompressed = 51;
    EXPECT_FALSE(SkipEntryData(h));
    EntryHeader.remainingCompressed = -1;
    EXPECT_FALSE(SkipEntryData(h));
    HostClose(h);
}

// --- code tables and broken streams -----------------------------------------

TEST_F(ArchiveTest, DecodeTablesNeedACompletePrefixCode)
{
    uint16_t table[256];
    const uint8_t complete[] = {1, 2, 3, 3};
    EXPECT_TRUE(MakeDecodeTable(4, complete, 8, table));
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[0x80], 1);
    EXPECT_EQ(table[0xC0], 2);
    EXPECT_EQ(table[0xE0], 3);
    const uint8_t overfull[] = {1, 1, 1, 1};   // sums to twice the code space
    EXPECT_FALSE(MakeDecodeTable(4, overfull, 8, table));
    const uint8_t incomplete[] = {2, 2, 2};
    EXPECT_FALSE(MakeDecodeTable(3, incomplete, 8, table));
    const uint8_t tooLong[] = {1, 17};
    EXPECT_FALSE(MakeDecodeTable(2, tooLong, 8, table));
    // Codes longer than the table continue in the tree.
    uint8_t deep[12];
    for (int i = 0; i < 11; ++i)
        deep[i] = (uint8_t)(i + 1);
    deep[11] = 11;
    EXPECT_TRUE(MakeDecodeTable(12, deep, 8, table));
    EXPECT_GE(table[0xFF], 12);
}

// The start of a method 1-3 block: count, then the three codes.
void BlockStart(BitWriter& w, int count)
{
    w.Put((uint32_t)count, 16);
}

TEST_F(ArchiveTest, StreamsBeyondTheFormatsLimitsAreReadErrors)
{
    Bytes out;
    struct Case {
        const char* what;
        BitWriter w;
    };
    std::vector<Case> cases;
    {
        Case c{"more length-code lengths than symbols", {}};
        BlockStart(c.w, 1);
        c.w.Put(20, 5);
        cases.push_back(c);
    }
    {
        Case c{"single length-code symbol beyond 18", {}};
        BlockStart(c.w, 1);
        c.w.Put(0, 5);
        c.w.Put(19, 5);
        cases.push_back(c);
    }
    {
        Case c{"more literal lengths than 510", {}};
        BlockStart(c.w, 1);
        c.w.Put(0, 5);
        c.w.Put(0, 5);  // length code: only symbol 0
        c.w.Put(511, 9);
        cases.push_back(c);
    }
    {
        Case c{"zero run past 510", {}};
        BlockStart(c.w, 1);
        c.w.Put(0, 5);
        c.w.Put(2, 5);  // length code: only symbol 2 (a run of 20 + 9 bits)
        c.w.Put(510, 9);
        c.w.Put(495, 9);  // 515 zeros
        cases.push_back(c);
    }
    {
        Case c{"single literal symbol 510", {}};
        BlockStart(c.w, 1);
        c.w.Put(0, 5);
        c.w.Put(0, 5);
        c.w.Put(0, 9);
        c.w.Put(510, 9);
        cases.push_back(c);
    }
    {
        Case c{"single position symbol 17", {}};
        BlockStart(c.w, 1);
        c.w.Put(0, 5);
        c.w.Put(0, 5);
        c.w.Put(0, 9);
        c.w.Put('a', 9);
        c.w.Put(0, 5);
        c.w.Put(17, 5);
        cases.push_back(c);
    }
    {
        Case c{"match before the first byte", {}};
        BlockStart(c.w, 1);
        c.w.Put(0, 5);
        c.w.Put(0, 5);
        c.w.Put(0, 9);
        c.w.Put(256, 9);  // every code is a match of 3
        c.w.Put(0, 5);
        c.w.Put(0, 5);    // at position 0
        cases.push_back(c);
    }
    for (Case& c : cases) {
        c.w.Put(0, 32);
        finishMessage[0] = '\0';
        EXPECT_FALSE(Decode(1, 0, 100, c.w.bytes, &out)) << c.what;
        EXPECT_STREQ(finishMessage, "Reading or unpacking error in 'data.arj'. ") << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
    }

    // Method 4: a match as the first code, and a match further back than
    // what has been produced.
    BitWriter m;
    m.Put(0b100, 3);
    m.Put(0, 10);
    m.Put(0, 16);
    EXPECT_FALSE(Decode(4, 0, 10, m.bytes, &out));
    BitWriter far;
    far.Put(0, 1);
    far.Put('q', 8);
    far.Put(0b100, 3);
    far.Put(0, 1);
    far.Put(1, 9);  // distance 2 after one byte
    far.Put(0, 16);
    EXPECT_FALSE(Decode(4, 0, 10, far.bytes, &out));
    EXPECT_STREQ(finishMessage, "Reading or unpacking error in 'data.arj'. ");
}

TEST_F(ArchiveTest, MethodsOutsideTheDecodersAreReadErrors)
{
    Bytes out;
    EXPECT_FALSE(Decode(5, 0, 1, {0}, &out));
    EXPECT_STREQ(finishMessage, "Reading or unpacking error in 'data.arj'. ");
}

}  // namespace
