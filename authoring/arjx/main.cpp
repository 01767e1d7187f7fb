// arjx: checks or extracts a distribution archive with the installer's own
// reader. "arjx -t ARCHIVE" decodes every entry and checks its CRC;
// "arjx -x ARCHIVE DIR" extracts into DIR. Exit code 0 only when every entry
// is supported and matches.
#include <cstdio>
#include <cstring>

#include "authoring/arjx/archive_tool.h"
#include "install/script/transfer_sizes.h"

int main(int argc, char** argv)
{
    bool test = argc == 3 && strcmp(argv[1], "-t") == 0;
    bool extract = argc == 4 && strcmp(argv[1], "-x") == 0;
    if (!test && !extract) {
        fprintf(stderr, "usage: arjx -t ARCHIVE\n       arjx -x ARCHIVE DIR\n");
        return 2;
    }
    // Nothing waits for messages here: the largest pieces are the fastest.
    SetTransferSizes(SPEED_LEVEL_COUNT - 1);
    bool ok = RunArchiveTool(argv[2], extract ? argv[3] : nullptr, stdout);
    return ok ? 0 : 1;
}
