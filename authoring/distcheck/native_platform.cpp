#include "authoring/distcheck/native_platform.h"

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include "authoring/distcheck/profile_reader.h"
#include "install/core/device_names.h"
#include "install/script/path_checks.h"

namespace {

const char WINDOWS_DIR[] = "C:\\WINDOWS";
const char SYSTEM_DIR[] = "C:\\WINDOWS\\SYSTEM";
const char PROGRAM_PATH[] = "A:\\INSTALL.EXE";
const char CURRENT_DIR[] = "A:\\";
const char EXISTING_DRIVES[] = "ABC";

std::string disketteDir = ".";
std::vector<ProfileRead> reads;
ShownMessage message;
// The script as read once per check: the platform path it was read from
// ("" when none) and its parse.
std::string cachedPath;
bool cachedReadable = false;
ProfileFile cachedProfile;

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithDrive(const std::string& path, char drive)
{
    return path.size() >= 3 && UpperAscii(path[0]) == drive && path[1] == ':' && path[2] == '\\';
}

// The entry of a host directory whose name equals name without case; never
// "." or "..", so that a lookup stays inside the directory.
bool FindEntry(const std::string& dir, const std::string& name, std::string* found)
{
    DIR* d = opendir(dir.c_str());
    if (d == nullptr)
        return false;
    bool ok = false;
    while (struct dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            *found = e->d_name;
            ok = true;
            break;
        }
    }
    closedir(d);
    return ok;
}

bool IsHostDirectory(const std::string& hostPath)
{
    struct stat st;
    return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Resolves "." and ".." parts, doubled backslashes and trailing dots and
// spaces the way the platform's full-path function does; mark is the
// length of the root ("X:\").
void CollapsePath(std::string& path, size_t mark)
{
    std::string out = path.substr(0, mark);
    for (size_t i = mark; i < path.size(); ++i) {
        if (path[i] == '\\' && !out.empty() && out.back() == '\\')
            continue;
        out += path[i];
    }
    size_t p = mark;
    while (p < out.size()) {
        if (out[p] == '.') {
            char next = p + 1 < out.size() ? out[p + 1] : '\0';
            if (next == '\\') {  // ".\" part
                out.erase(p, 2);
                continue;
            }
            if (next == '\0') {  // final "."
                if (p > mark)
                    --p;
                out.resize(p);
                continue;
            }
            if (next == '.') {
                char after = p + 2 < out.size() ? out[p + 2] : '\0';
                if (after == '\\' || after == '\0') {  // ".." part
                    size_t start = p;
                    if (p > mark) {
                        --p;
                        while (p > mark && out[p - 1] != '\\')
                            --p;
                    }
                    if (after == '\\') {
                        out.erase(p, start + 3 - p);
                    } else {
                        if (p > mark)
                            --p;
                        out.resize(p);
                    }
                    continue;
                }
            }
        }
        while (p < out.size() && out[p] != '\\')
            ++p;
        if (p < out.size()) {
            if (p > mark && out[p - 1] == '.')
                out.erase(p - 1, 1);
            else
                ++p;
        }
    }
    while (p > mark && (out[p - 1] == ' ' || out[p - 1] == '.'))
        --p;
    out.resize(p);
    path = out;
}

}  // namespace

void SetDisketteDirectory(const std::string& hostDir)
{
    disketteDir = hostDir;
    cachedPath.clear();
}

std::string PathBelowRoot(const std::string& path)
{
    return path.size() >= 3 && path[1] == ':' ? path.substr(3) : path;
}

bool HostPathOf(const std::string& path, std::string* hostPath)
{
    if (!StartsWithDrive(path, 'A'))
        return false;
    // The platform's open parses the path first: "." and ".." parts go,
    // and so do the dots and spaces that end it ("BASE.ARJ." opens
    // BASE.ARJ). A ".." that the parse leaves (from "A:\...\") stays at
    // the root, as on the platform: the drive's root is the diskette
    // directory and nothing above it is ever read.
    std::string full = path;
    CollapsePath(full, 3);
    std::vector<std::string> found;
    size_t at = 3;
    while (at < full.size()) {
        size_t end = full.find('\\', at);
        if (end == std::string::npos)
            end = full.size();
        std::string part = full.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!found.empty())
                found.pop_back();
            continue;
        }
        std::string dir = disketteDir;
        for (const std::string& f : found)
            dir += "/" + f;
        std::string entry;
        if (!FindEntry(dir, part, &entry))
            return false;
        found.push_back(entry);
    }
    std::string host = disketteDir;
    for (const std::string& f : found)
        host += "/" + f;
    *hostPath = host;
    return true;
}

const ProfileFile* ScriptProfile()
{
    return cachedPath.empty() || !cachedReadable ? nullptr : &cachedProfile;
}

const std::vector<ProfileRead>& LoaderReads()
{
    return reads;
}

const ShownMessage& LoaderMessage()
{
    return message;
}

void ClearLoaderRecord()
{
    cachedPath.clear();
    reads.clear();
    message = ShownMessage{false, "", "", SCRIPT_ICON_STOP};
}

// --- The functions of script_platform.h ---------------------------------------

void ReadProfileString(const char* section, const char* key, char* value, int size,
                       const char* path)
{
    value[0] = '\0';
    int line = 0;
    // Read and indexed once per check, as the platform's profile cache does.
    if (cachedPath != path) {
        std::string host;
        cachedPath = path;
        cachedProfile = ProfileFile{};
        cachedReadable = HostPathOf(path, &host) && LoadProfileFile(host, &cachedProfile);
    }
    if (cachedReadable)
        line = GetProfileValue(cachedProfile, section, key, value, size);
    reads.push_back(ProfileRead{section, key, value, line});
}

bool ParsePathName(const char* path, char parsed[PARSED_PATH_SIZE])
{
    // The platform leaves the result empty when it is too long.
    memset(parsed, 0, PARSED_PATH_SIZE);
    std::string p = path;
    if (p.empty() || p.size() >= 260)
        return true;
    for (char& c : p) {
        if (c == '/')
            c = '\\';
    }
    std::string full;
    size_t mark = 3;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        full = p;  // network names are kept as written
        mark = 2;
    } else if (p.size() >= 2 && p[1] == ':') {
        if (p.size() >= 3 && p[2] == '\\')
            full = p;
        else if (UpperAscii(p[0]) == CURRENT_DIR[0])
            full = CURRENT_DIR + p.substr(2);
        else
            full = std::string(1, p[0]) + ":\\" + p.substr(2);
    } else if (p[0] == '\\') {
        full = std::string(CURRENT_DIR, 2) + p;
    } else {
        full = CURRENT_DIR + p;
    }
    // A device's name, wherever it stands as the last part, parses as the
    // device itself ("\\.\NAME").
    size_t lastSlash = full.rfind('\\');
    std::string name = full.substr(lastSlash + 1);
    if (IsDeviceName(name.c_str(), name.size())) {
        name = name.substr(0, name.find_first_of(".: "));
        full = "\\\\.\\" + name;
    } else {
        CollapsePath(full, mark);
    }
    if (full.size() < PARSED_PATH_SIZE)
        memcpy(parsed, full.c_str(), full.size() + 1);
    return true;
}

bool DriveRootExists(const char* root)
{
    return strlen(root) == 3 && root[1] == ':' && root[2] == '\\' && root[0] != '\0' &&
           strchr(EXISTING_DRIVES, UpperAscii(root[0])) != nullptr;
}

bool PatternFindsEntry(const char* pattern)
{
    std::string dir = pattern;
    size_t slash = dir.rfind('\\');
    dir = slash == std::string::npos ? "" : dir.substr(0, slash + 1);
    for (const char* known : {"C:\\", "C:\\WINDOWS\\", "C:\\WINDOWS\\SYSTEM\\"}) {
        if (strcasecmp(dir.c_str(), known) == 0)
            return true;
    }
    std::string host;
    if (!HostPathOf(dir, &host) || !IsHostDirectory(host))
        return false;
    // Below the root every directory lists "." and ".."; the root lists its
    // entries only.
    if (dir.size() > 3)
        return true;
    DIR* d = opendir(host.c_str());
    if (d == nullptr)
        return false;
    bool any = false;
    while (struct dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
            any = true;
            break;
        }
    }
    closedir(d);
    return any;
}

bool IsExistingDirectory(const char* path)
{
    std::string host;
    return HostPathOf(path, &host) && IsHostDirectory(host);
}

bool CreateOneDirectory(const char*)
{
    return false;  // the checker never changes the distribution
}

bool SameTextIgnoringCase(const char* a, const char* b)
{
    return strcasecmp(a, b) == 0;
}

namespace {

unsigned CopyAnswer(const char* text, char* buffer, unsigned size)
{
    size_t length = strlen(text);
    if (length >= size)
        return static_cast<unsigned>(length + 1);
    memcpy(buffer, text, length + 1);
    return static_cast<unsigned>(length);
}

}  // namespace

unsigned QueryWindowsDirectory(char* buffer, unsigned size)
{
    return CopyAnswer(WINDOWS_DIR, buffer, size);
}

unsigned QuerySystemDirectory(char* buffer, unsigned size)
{
    return CopyAnswer(SYSTEM_DIR, buffer, size);
}

unsigned QueryProgramPath(char* buffer, unsigned size)
{
    return CopyAnswer(PROGRAM_PATH, buffer, size);
}

void* AllocateZeroed(size_t size)
{
    return calloc(1, size);
}

void ReleaseAllocated(void* block)
{
    free(block);
}

void ShowScriptMessage(const char* text, const char* caption, ScriptMessageIcon icon)
{
    message = ShownMessage{true, text, caption, icon};
}

int32_t GetFileSizeByName(const char* path)
{
    std::string host;
    struct stat st;
    if (!HostPathOf(path, &host) || stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > 0x7FFFFFFF)
        return -1;
    return static_cast<int32_t>(st.st_size);
}
