#include "authoring/arjx/archive_builder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "authoring/arj_writer/archive_writer.h"

namespace fs = std::filesystem;

namespace {

struct Source {
    std::string path;  // on this system
    std::string name;  // in the archive
};

struct Collector {
    std::vector<Source> sources;
    fs::path archive;     // the archive being replaced, never added to itself
    bool archiveExists;
    std::string* error;
};

bool IsArchive(const Collector& c, const fs::path& path)
{
    std::error_code ec;
    return c.archiveExists && fs::equivalent(path, c.archive, ec);
}

bool AddTree(Collector& c, const fs::path& dir, const std::string& prefix)
{
    std::error_code ec;
    std::vector<fs::path> entries;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
        entries.push_back(e.path());
    if (ec) {
        *c.error = "cannot read the directory '" + dir.string() + "'";
        return false;
    }
    for (const fs::path& path : entries) {
        std::string name = path.filename().string();
        fs::file_status target = fs::status(path, ec);
        if (ec) {
            *c.error = "cannot read '" + path.string() + "'";
            return false;
        }
        bool link = fs::is_symlink(fs::symlink_status(path, ec));
        if (fs::is_directory(target) && !link) {
            if (!AddTree(c, path, prefix + name + "/"))
                return false;
        } else if (fs::is_regular_file(target)) {
            if (!IsArchive(c, path))
                c.sources.push_back(Source{path.string(), prefix + name});
        } else {
            *c.error = "'" + path.string() + "' is not a regular file or directory" +
                       (fs::is_directory(target) ? " (a link to a directory)" : "");
            return false;
        }
    }
    return true;
}

bool AddPath(Collector& c, std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) {
        *c.error = "cannot find '" + path + "'";
        return false;
    }
    if (fs::is_directory(st))
        return AddTree(c, path, "");
    if (!fs::is_regular_file(st)) {
        *c.error = "'" + path + "' is not a regular file or directory";
        return false;
    }
    c.sources.push_back(Source{path, fs::path(path).filename().string()});
    return true;
}

char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The set "[...]" whose text starts at set (just after the '['): 1 when c
// is in it, 0 when not, and *end just after its ']'; -1 when the set has no
// ']' (the '[' then stands for itself).
int InSet(const char* set, char c, const char** end)
{
    bool negated = *set == '!' || *set == '^';
    const char* p = negated ? set + 1 : set;
    bool found = false;
    do {
        if (*p == '\0')
            return -1;
        char low = Folded(*p);
        char high = low;
        if (p[1] == '-' && p[2] != ']' && p[2] != '\0') {
            high = Folded(p[2]);
            p += 2;
        }
        found = found || (Folded(c) >= low && Folded(c) <= high);
        ++p;
    } while (*p != ']');
    *end = p + 1;
    return found != negated ? 1 : 0;
}

bool IsText(const BuildRequest& r, const std::string& name)
{
    size_t slash = name.find_last_of('/');
    std::string own = slash == std::string::npos ? name : name.substr(slash + 1);
    for (const std::string& glob : r.textGlobs) {
        const std::string& subject = glob.find('/') != std::string::npos ? name : own;
        if (MatchesGlob(glob.c_str(), subject.c_str()))
            return true;
    }
    return false;
}

}  // namespace

bool MatchesGlob(const char* glob, const char* name)
{
    // The glob after the last '*' and the name position that star reached:
    // a mismatch later lets the star take one more character.
    const char* star = nullptr;
    const char* retry = nullptr;
    while (*name != '\0') {
        if (*glob == '*') {
            star = ++glob;
            retry = name;
            continue;
        }
        const char* after = glob + 1;
        int set = *glob == '[' ? InSet(glob + 1, *name, &after) : -1;
        bool matched = set != -1 ? set == 1 : *glob == '?' || (*glob != '\0' && Folded(*glob) == Folded(*name));
        if (matched) {
            glob = after;
            ++name;
        } else if (star != nullptr) {
            glob = star;
            name = ++retry;
        } else {
            return false;
        }
    }
    while (*glob == '*')
        ++glob;
    return *glob == '\0';
}

bool SourceDateEpoch(long long* seconds)
{
    *seconds = -1;
    const char* epoch = getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || epoch[0] == '\0')
        return true;
    char* end;
    long long value = strtoll(epoch, &end, 10);
    if (*end != '\0' || value < 0)
        return false;
    *seconds = value;
    return true;
}

bool BuildArchive(const BuildRequest& r, FILE* out, BuildSummary* summary, std::string* error)
{
    Collector c;
    c.error = error;
    std::error_code ec;
    c.archive = r.archive;
    c.archiveExists = fs::exists(c.archive, ec);
    for (const std::string& path : r.paths) {
        if (!AddPath(c, path))
            return false;
    }
    // arj and 7z take an archive without entries for a damaged one.
    if (c.sources.empty()) {
        *error = "no files to put into '" + r.archive + "'";
        return false;
    }
    std::sort(c.sources.begin(), c.sources.end(),
              [](const Source& a, const Source& b) { return a.name < b.name; });
    // Windows would install two names that differ only in case as one file.
    std::vector<std::pair<std::string, size_t>> folded;
    for (size_t i = 0; i < c.sources.size(); ++i) {
        std::string lower = c.sources[i].name;
        for (char& ch : lower)
            ch = Folded(ch);
        folded.emplace_back(lower, i);
    }
    std::sort(folded.begin(), folded.end());
    for (size_t i = 1; i < folded.size(); ++i) {
        if (folded[i].first == folded[i - 1].first) {
            const Source& a = c.sources[folded[i - 1].second];
            const Source& b = c.sources[folded[i].second];
            *error = "'" + a.path + "' and '" + b.path + "' would both be installed as '" + a.name + "'";
            return false;
        }
    }

    char text[WRITER_ERROR_SIZE];
    ArchiveWriter* a = OpenArchiveForWriting(r.archive.c_str(), r.headerTime, text);
    if (a == nullptr) {
        *error = text;
        return false;
    }
    std::vector<FileToAdd> files;
    for (const Source& s : c.sources)
        files.push_back(FileToAdd{s.path.c_str(), s.name.c_str(), IsText(r, s.name)});
    std::vector<AddedEntry> added(files.size());
    int failed = 0;
    int threads = r.threads > 0 ? r.threads : (int)std::thread::hardware_concurrency();
    if (!AddFilesToArchive(a, files.data(), (int)files.size(), r.method, threads, added.data(), &failed,
                           text)) {
        DiscardArchive(a);
        *error = text;
        return false;
    }
    int64_t original = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        original += added[i].originalSize;
        if (out != nullptr)
            fprintf(out, "%s  method %d  type %d  size %lld  packed %lld\n", files[i].name, added[i].method,
                    files[i].text ? 1 : 0, (long long)added[i].originalSize, (long long)added[i].compressedSize);
    }
    int64_t size = FinishArchive(a, text);
    if (size < 0) {
        *error = text;
        return false;
    }
    if (out != nullptr)
        fprintf(out, "%zu files, %lld bytes -> %s, %lld bytes\n", c.sources.size(), (long long)original,
                r.archive.c_str(), (long long)size);
    if (summary != nullptr)
        *summary = BuildSummary{static_cast<int>(c.sources.size()), original, size};
    return true;
}
