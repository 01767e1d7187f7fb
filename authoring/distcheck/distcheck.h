// The work of distcheck: loads a distribution's install.ini with the
// installer's own loader, finds and tests its archives with the installer's
// reader and shows what would be installed. Output is one finding per line,
// "FILE:LINE: text", then a last line with the installer's verdict.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// diskettes: the diskette directories in order; the first holds the script.
// Returns 0 when the distribution would install, 1 when not.
int RunDistcheck(const std::vector<std::string>& diskettes, bool quiet, FILE* out);

// Loads the install.ini in dir with the installer's loader, the directory
// standing for the first diskette (drive A:). On success InstallScript holds
// it (FreeInstallScript releases it); when the installer would refuse it,
// prints the refused key and the installer's message as RunDistcheck does
// and returns false.
bool LoadScriptAsInstaller(const std::string& dir, FILE* out);
