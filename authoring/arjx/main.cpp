// arjx: checks, extracts or makes a distribution archive. "arjx -t ARCHIVE"
// decodes every entry with the installer's own reader and checks its CRC;
// "arjx -x ARCHIVE DIR" extracts into DIR; "arjx -c ARCHIVE [-m 0..4]
// [--text GLOB]... PATH..." makes an archive of files and directory trees.
// Exit code 0 on success, 1 on a failure, 2 on a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "authoring/arjx/archive_builder.h"
#include "authoring/arjx/archive_tool.h"
#include "authoring/arjx/writer_host_files.h"
#include "install/script/transfer_sizes.h"

static int Usage()
{
    fprintf(stderr,
            "usage: arjx -t ARCHIVE\n"
            "       arjx -x ARCHIVE DIR\n"
            "       arjx -c ARCHIVE [-m 0..4] [--text GLOB]... PATH...\n");
    return 2;
}

// The options and paths after "-c ARCHIVE"; false on a wrong command line.
static bool ParseCreate(int argc, char** argv, BuildRequest& r)
{
    r.archive = argv[2];
    for (int i = 3; i < argc; ++i) {
        const char* a = argv[i];
        const char* method = nullptr;
        if (strcmp(a, "-m") == 0 && i + 1 < argc)
            method = argv[++i];
        else if (strncmp(a, "-m", 2) == 0 && a[2] != '\0')
            method = a + 2;
        if (method != nullptr) {
            if (method[0] < '0' || method[0] > '4' || method[1] != '\0')
                return false;
            r.method = method[0] - '0';
        } else if (strcmp(a, "--text") == 0 && i + 1 < argc) {
            r.textGlobs.push_back(argv[++i]);
        } else if (a[0] == '-' && a[1] != '\0') {
            return false;
        } else {
            r.paths.push_back(a);
        }
    }
    return !r.paths.empty();
}

int main(int argc, char** argv)
{
    if (argc >= 4 && strcmp(argv[1], "-c") == 0) {
        BuildRequest r;
        if (!ParseCreate(argc, argv, r))
            return Usage();
        long long epoch;
        if (!SourceDateEpoch(&epoch)) {
            fprintf(stderr, "arjx: SOURCE_DATE_EPOCH is not a number of seconds\n");
            return 1;
        }
        if (epoch >= 0)
            r.headerTime = LocalDosDateTime(epoch);
        std::string error;
        if (BuildArchive(r, stdout, nullptr, &error))
            return 0;
        fprintf(stderr, "arjx: %s\n", error.c_str());
        return 1;
    }
    bool test = argc == 3 && strcmp(argv[1], "-t") == 0;
    bool extract = argc == 4 && strcmp(argv[1], "-x") == 0;
    if (!test && !extract)
        return Usage();
    // Nothing waits for messages here: the largest pieces are the fastest.
    SetTransferSizes(SPEED_LEVEL_COUNT - 1);
    bool ok = RunArchiveTool(argv[2], extract ? argv[3] : nullptr, stdout);
    return ok ? 0 : 1;
}
