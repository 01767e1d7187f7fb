// distpack: builds a checked distribution from an installation script and a
// product tree. "distpack install.ini PRODUCT_DIR OUT_DIR [--disk FORMAT]
// [-m 0..4] [--text GLOB]... [--images] [--installer INSTALL.EXE]". Exit
// code 0 when the distribution would install, 1 when not (or when it could
// not be built), 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/arjx/archive_builder.h"
#include "authoring/distpack/distpack.h"
#include "install/script/transfer_sizes.h"

namespace fs = std::filesystem;

static int Usage()
{
    fprintf(stderr,
            "usage: distpack install.ini PRODUCT_DIR OUT_DIR [--disk FORMAT] [-m 0..4]\n"
            "                [--text GLOB]... [--images] [--installer INSTALL.EXE]\n"
            "  FORMAT: %s (default 1.44M)\n",
            DisketteFormatNames());
    return 2;
}

// The 32-bit installer shipped beside distpack: in the same folder (the
// Windows build), in dist/win32 beside dist/host, or in the build tree.
static std::string DefaultInstaller(const char* program)
{
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = fs::absolute(program, ec);
    fs::path dir = self.parent_path();
    for (const fs::path& candidate : {dir / "install.exe", dir / ".." / "win32" / "install.exe",
                                      dir / ".." / ".." / "win32" / "bin" / "install.exe"}) {
        if (fs::is_regular_file(candidate, ec))
            return candidate.lexically_normal().string();
    }
    return (dir / "install.exe").string();
}

int main(int argc, char** argv)
{
    DistpackOptions options;
    options.method = 1;
    options.images = false;
    ParseDisketteFormat("1.44M", &options.format);
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--disk" && hasValue) {
            if (!ParseDisketteFormat(argv[++i], &options.format)) {
                fprintf(stderr, "distpack: unknown diskette format %s\n", argv[i]);
                return Usage();
            }
        } else if (arg == "-m" && hasValue) {
            std::string m = argv[++i];
            if (m.size() != 1 || m[0] < '0' || m[0] > '4')
                return Usage();
            options.method = m[0] - '0';
        } else if (arg.size() == 3 && arg.compare(0, 2, "-m") == 0 && arg[2] >= '0' && arg[2] <= '4') {
            options.method = arg[2] - '0';
        } else if (arg == "--text" && hasValue) {
            options.textGlobs.push_back(argv[++i]);
        } else if (arg == "--images") {
            options.images = true;
        } else if (arg == "--installer" && hasValue) {
            options.installer = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 3)
        return Usage();
    long long epoch;
    if (!SourceDateEpoch(&epoch)) {
        fprintf(stderr, "distpack: SOURCE_DATE_EPOCH is not a number of seconds\n");
        return 2;
    }
    if (options.images && options.format.kilobytes == 0) {
        fprintf(stderr, "distpack: --images needs a diskette format (%s is none)\n", options.format.name.c_str());
        return 2;
    }
    options.script = positional[0];
    options.productDir = positional[1];
    options.outDir = positional[2];
    while (options.outDir.size() > 1 && (options.outDir.back() == '/' || options.outDir.back() == '\\'))
        options.outDir.pop_back();
    if (options.installer.empty())
        options.installer = DefaultInstaller(argv[0]);
    // Nothing waits for messages here: the largest pieces are the fastest.
    SetTransferSizes(SPEED_LEVEL_COUNT - 1);
    return RunDistpack(options, stdout, stderr);
}
