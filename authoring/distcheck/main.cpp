// distcheck: checks a distribution before it ships, with the installer's own
// loader and archive reader. "distcheck [--quiet] DIR [DIR2 ...]" takes the
// diskette directories in order; the first holds install.ini. Exit code 0
// when the distribution would install, 1 when not, 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "authoring/distcheck/distcheck.h"
#include "install/script/transfer_sizes.h"

int main(int argc, char** argv)
{
    bool quiet = false;
    bool usageError = false;
    std::vector<std::string> diskettes;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--quiet") == 0)
            quiet = true;
        else if (argv[i][0] == '-')
            usageError = true;
        else
            diskettes.push_back(argv[i]);
    }
    if (usageError || diskettes.empty()) {
        fprintf(stderr, "usage: distcheck [--quiet] DISKETTE1 [DISKETTE2 ...]\n");
        return 2;
    }
    // Each argument is a diskette's directory; name the one that is not.
    for (const std::string& d : diskettes) {
        struct stat st;
        const char* fault = nullptr;
        if (stat(d.c_str(), &st) != 0)
            fault = "no such directory";
        else if (!S_ISDIR(st.st_mode))
            fault = "not a directory (give the diskette's directory, the one that holds install.ini or archives)";
        if (fault != nullptr) {
            fprintf(stderr, "distcheck: %s: %s\nusage: distcheck [--quiet] DISKETTE1 [DISKETTE2 ...]\n", d.c_str(),
                    fault);
            return 2;
        }
    }
    // Nothing waits for messages here: the largest pieces are the fastest.
    SetTransferSizes(SPEED_LEVEL_COUNT - 1);
    return RunDistcheck(diskettes, quiet, stdout);
}
