#include "authoring/arjx/archive_builder.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include "authoring/arj_writer/archive_writer.h"

namespace {

struct Source {
    std::string path;  // on this system
    std::string name;  // in the archive
};

struct Collector {
    std::vector<Source> sources;
    struct stat archive;  // the archive being replaced, never added to itself
    bool archiveExists;
    FILE* err;
};

bool IsArchive(const Collector& c, const struct stat& st)
{
    return c.archiveExists && st.st_dev == c.archive.st_dev && st.st_ino == c.archive.st_ino;
}

bool AddTree(Collector& c, const std::string& dir, const std::string& prefix)
{
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        fprintf(c.err, "arjx: cannot read the directory '%s'\n", dir.c_str());
        return false;
    }
    std::vector<std::string> names;
    while (struct dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    }
    closedir(d);
    for (const std::string& n : names) {
        std::string path = dir + "/" + n;
        struct stat st;
        struct stat link;
        if (stat(path.c_str(), &st) != 0 || lstat(path.c_str(), &link) != 0) {
            fprintf(c.err, "arjx: cannot read '%s'\n", path.c_str());
            return false;
        }
        if (S_ISDIR(st.st_mode) && !S_ISLNK(link.st_mode)) {
            if (!AddTree(c, path, prefix + n + "/"))
                return false;
        } else if (S_ISREG(st.st_mode)) {
            if (!IsArchive(c, st))
                c.sources.push_back(Source{path, prefix + n});
        } else {
            fprintf(c.err, "arjx: '%s' is not a regular file or directory%s\n", path.c_str(),
                    S_ISDIR(st.st_mode) ? " (a link to a directory)" : "");
            return false;
        }
    }
    return true;
}

bool AddPath(Collector& c, std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        fprintf(c.err, "arjx: cannot find '%s'\n", path.c_str());
        return false;
    }
    if (S_ISDIR(st.st_mode))
        return AddTree(c, path, "");
    if (!S_ISREG(st.st_mode)) {
        fprintf(c.err, "arjx: '%s' is not a regular file or directory\n", path.c_str());
        return false;
    }
    size_t slash = path.find_last_of('/');
    c.sources.push_back(Source{path, slash == std::string::npos ? path : path.substr(slash + 1)});
    return true;
}

bool IsText(const BuildRequest& r, const std::string& name)
{
    size_t slash = name.find_last_of('/');
    std::string own = slash == std::string::npos ? name : name.substr(slash + 1);
    for (const std::string& glob : r.textGlobs) {
        const std::string& subject = glob.find('/') != std::string::npos ? name : own;
        if (fnmatch(glob.c_str(), subject.c_str(), FNM_CASEFOLD) == 0)
            return true;
    }
    return false;
}

}  // namespace

bool BuildArchive(const BuildRequest& r, FILE* out, FILE* err)
{
    Collector c;
    c.err = err;
    c.archiveExists = stat(r.archive.c_str(), &c.archive) == 0;
    for (const std::string& path : r.paths) {
        if (!AddPath(c, path))
            return false;
    }
    std::sort(c.sources.begin(), c.sources.end(),
              [](const Source& a, const Source& b) { return a.name < b.name; });
    // Windows would install two names that differ only in case as one file.
    std::vector<std::pair<std::string, size_t>> folded;
    for (size_t i = 0; i < c.sources.size(); ++i) {
        std::string lower = c.sources[i].name;
        for (char& ch : lower)
            ch = (char)tolower((unsigned char)ch);
        folded.emplace_back(lower, i);
    }
    std::sort(folded.begin(), folded.end());
    for (size_t i = 1; i < folded.size(); ++i) {
        if (folded[i].first == folded[i - 1].first) {
            const Source& a = c.sources[folded[i - 1].second];
            const Source& b = c.sources[folded[i].second];
            fprintf(err, "arjx: '%s' and '%s' would both be installed as '%s'\n", a.path.c_str(),
                    b.path.c_str(), a.name.c_str());
            return false;
        }
    }

    char error[WRITER_ERROR_SIZE];
    ArchiveWriter* a = OpenArchiveForWriting(r.archive.c_str(), r.headerTime, error);
    if (a == nullptr) {
        fprintf(err, "arjx: %s\n", error);
        return false;
    }
    int64_t original = 0;
    for (const Source& s : c.sources) {
        bool text = IsText(r, s.name);
        AddedEntry added;
        if (!AddFileToArchive(a, s.path.c_str(), s.name.c_str(), text, r.method, &added, error)) {
            DiscardArchive(a);
            fprintf(err, "arjx: %s\n", error);
            return false;
        }
        original += added.originalSize;
        fprintf(out, "%s  method %d  type %d  size %lld  packed %lld\n", s.name.c_str(),
                added.method, text ? 1 : 0, (long long)added.originalSize,
                (long long)added.compressedSize);
    }
    int64_t size = FinishArchive(a, error);
    if (size < 0) {
        fprintf(err, "arjx: %s\n", error);
        return false;
    }
    fprintf(out, "%zu files, %lld bytes -> %s, %lld bytes\n", c.sources.size(), (long long)original,
            r.archive.c_str(), (long long)size);
    return true;
}
