#include "authoring/distpack/product_archive.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "authoring/arjx/writer_host_files.h"

namespace fs = std::filesystem;

bool PackProductFolder(const std::string& folder, const std::string& path, int method,
                       const std::vector<std::string>& textGlobs, BuildSummary* summary, std::string* error)
{
    BuildRequest request;
    request.archive = path;
    request.paths = {folder};
    request.textGlobs = textGlobs;
    request.method = method;
    long long epoch;
    if (SourceDateEpoch(&epoch) && epoch >= 0)
        request.headerTime = LocalDosDateTime(epoch);
    return BuildArchive(request, nullptr, summary, error);
}

long long NewestFileTime(const std::string& folder)
{
    long long newest = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat st;
        if (it->is_regular_file(ec) && stat(it->path().string().c_str(), &st) == 0 && st.st_mtime > newest)
            newest = static_cast<long long>(st.st_mtime);
    }
    return newest;
}
