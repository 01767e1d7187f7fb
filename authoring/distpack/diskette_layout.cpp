#include "authoring/distpack/diskette_layout.h"

#include <cstring>
#include <map>

namespace {

const int ENTRY_BYTES = 32;
const int LONG_NAME_CHARS = 13;  // characters per long-name entry

bool IsShortNameChar(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || u >= 0x80 ||
           strchr("!#$%&'()-@^_`{}~", c) != nullptr;
}

// An 8.3 name whose base and extension are each written in one case: the
// file system stores it in one entry.
bool IsShortName(const std::string& name)
{
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos ||
        (dot != std::string::npos && ext.empty()))
        return false;
    for (const std::string* part : {&base, &ext}) {
        bool upper = false;
        bool lower = false;
        for (char c : *part) {
            if (!IsShortNameChar(c))
                return false;
            upper = upper || (c >= 'A' && c <= 'Z');
            lower = lower || (c >= 'a' && c <= 'z');
        }
        if (upper && lower)
            return false;
    }
    return true;
}

int EntriesOfName(const std::string& name)
{
    if (IsShortName(name))
        return 1;
    return 1 + static_cast<int>((name.size() + LONG_NAME_CHARS - 1) / LONG_NAME_CHARS);
}

long long ClustersOf(long long bytes, int clusterBytes)
{
    return (bytes + clusterBytes - 1) / clusterBytes;
}

}  // namespace

std::string DisketteFileName(const std::string& name)
{
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return IsShortName(upper) ? upper : name;
}

DisketteRoom RoomTaken(const DisketteFormat& format, const std::vector<DisketteFile>& files)
{
    // Directory entries per directory ("" is the root); a subdirectory holds
    // "." and ".." besides its own entries.
    std::map<std::string, long long> entries;
    entries[""] = 0;
    long long clusters = 0;
    for (const DisketteFile& f : files) {
        clusters += ClustersOf(f.size, format.clusterBytes);
        size_t start = 0;
        std::string dir;
        for (;;) {
            size_t slash = f.path.find('/', start);
            std::string part = f.path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            std::string child = dir.empty() ? part : dir + "/" + part;
            bool isDirectory = slash != std::string::npos;
            if (!isDirectory || entries.find(child) == entries.end()) {
                entries[dir] += EntriesOfName(part);
                if (isDirectory)
                    entries[child] = 2;
            }
            if (!isDirectory)
                break;
            dir = child;
            start = slash + 1;
        }
    }
    for (const auto& d : entries) {
        if (!d.first.empty())
            clusters += ClustersOf(d.second * ENTRY_BYTES, format.clusterBytes);
    }
    return DisketteRoom{clusters, static_cast<int>(entries[""])};
}

bool FitOnDiskette(const DisketteFormat& format, const std::vector<DisketteFile>& files)
{
    if (format.clusters < 0)
        return true;
    DisketteRoom room = RoomTaken(format, files);
    return room.clusters <= format.clusters && (format.rootEntries < 0 || room.rootEntries <= format.rootEntries);
}
