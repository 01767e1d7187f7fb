// The script loader's platform functions for distcheck: a small machine on
// which the installer would run. Drive A: holds the current diskette
// directory (the first while the script loads), install.exe and the script
// lie in its root, which is also the current directory; C:\WINDOWS and
// C:\WINDOWS\SYSTEM are the Windows and system directories; drives A:, B:
// and C: exist. Paths are parsed as the platform parses them. Profile reads
// go through the native profile reader, which reads the script once per
// check, and are recorded, so that a failed load can be traced to the key
// it read last.
#pragma once
#include <string>
#include <vector>

#include "install/script/script_platform.h"

// One profile read of the loader, in order.
struct ProfileRead {
    std::string section;
    std::string key;
    std::string value;  // as the loader received it
    int line;           // 0: the key is missing (or has no value)
};

// The message the loader showed, if any.
struct ShownMessage {
    bool shown;
    std::string text;
    std::string caption;
    ScriptMessageIcon icon;
};

// The host directory that drive A: stands for.
void SetDisketteDirectory(const std::string& hostDir);

// The host path of a path on drive A: as the platform opens it (parsed, then
// names matched without case, as on the platform's file systems), never
// outside the diskette directory; false when it lies elsewhere or is
// missing.
bool HostPathOf(const std::string& path, std::string* hostPath);

// The script file that the loader's profile reads parsed, or null when none
// was read (cleared by ClearLoaderRecord and SetDisketteDirectory).
struct ProfileFile;
const ProfileFile* ScriptProfile();

// Drive-root-relative part of a qualified path ("A:\DATA\" gives "DATA\").
std::string PathBelowRoot(const std::string& path);

// The reads and the message since the last ClearLoaderRecord.
const std::vector<ProfileRead>& LoaderReads();
const ShownMessage& LoaderMessage();
void ClearLoaderRecord();
