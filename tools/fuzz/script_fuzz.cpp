// libFuzzer target: a whole distcheck run, as an author starts it, on a
// fuzzed install.ini beside the sample's archives (two diskette
// directories made once in a temporary directory). Every input goes through
// the profile reader (ANSI, UTF-8 and UTF-16 texts), the installer's loader
// with its path keywords and checks, the findings and warnings, and, for a
// script the loader accepts, the archive lookups and tests. The oracle is
// the sanitizers and a second run, which must print the same report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "authoring/distcheck/distcheck.h"
#include "install/script/transfer_sizes.h"

namespace {

std::string workDir;
std::string disk1;
std::string disk2;

void RemoveWorkDir()
{
    if (system(("rm -rf '" + workDir + "'").c_str()) != 0)
        fprintf(stderr, "script_fuzz: %s left behind\n", workDir.c_str());
}

void CopyFile(const std::string& from, const std::string& to)
{
    FILE* in = fopen(from.c_str(), "rb");
    FILE* out = fopen(to.c_str(), "wb");
    if (in == nullptr || out == nullptr)
        abort();
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, in)) > 0)
        fwrite(buffer, 1, n, out);
    fclose(in);
    fclose(out);
}

std::string Report(const uint8_t* data, size_t size)
{
    FILE* script = fopen((disk1 + "/install.ini").c_str(), "wb");
    fwrite(data, 1, size, script);
    fclose(script);
    char* report = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&report, &length);
    int code = RunDistcheck({disk1, disk2}, false, out);
    fclose(out);
    std::string text = std::to_string(code) + "\n" + std::string(report, length);
    free(report);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/script-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        abort();
    workDir = pattern;
    disk1 = workDir + "/disk1";
    disk2 = workDir + "/disk2";
    if (system(("mkdir -p " + disk1 + " " + disk2).c_str()) != 0)
        abort();
    atexit(RemoveWorkDir);
    const std::string sample = SAMPLE_DIR;
    for (const char* name : {"BASE.ARJ", "DOCS.ARJ", "Install.Pic"})
        CopyFile(sample + "/disk1/" + name, disk1 + "/" + name);
    CopyFile(sample + "/disk2/NOTES.ARJ", disk2 + "/NOTES.ARJ");
    SetTransferSizes(SPEED_LEVEL_COUNT - 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string first = Report(data, size);
    if (Report(data, size) != first)
        abort();  // the check depends on something besides its input
    return 0;
}
