#include "authoring/distpack/disk_images.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "authoring/distpack/run_program.h"

namespace fs = std::filesystem;

bool WriteDisketteImage(const DisketteFormat& format, const std::string& dir, const std::string& image,
                        unsigned serial, long long epoch, std::string* error)
{
    // Times are written as local times: UTC makes them the same everywhere.
    std::vector<std::string> environment = {"TZ=UTC", "SOURCE_DATE_EPOCH=" + std::to_string(epoch),
                                            "MTOOLS_SKIP_CHECK=1"};
    char serialText[16];
    snprintf(serialText, sizeof(serialText), "%08X", serial);
    std::error_code ec;
    fs::remove(image, ec);
    int rc = RunProgram({"mformat", "-C", "-i", image, "-f", std::to_string(format.kilobytes), "-N", serialText, "::"},
                        environment);
    if (rc != 0) {
        *error = rc == -1 ? "mformat (from mtools) is not installed or cannot be started"
                          : "mformat failed to make " + image;
        return false;
    }
    // Each folder's entries in name order, each subfolder made before its
    // files are copied, so that every run lays the image out alike.
    std::vector<std::pair<std::string, std::string>> folders = {{dir, "::/"}};
    for (size_t i = 0; i < folders.size(); ++i) {
        std::vector<fs::path> entries;
        for (const fs::directory_entry& e : fs::directory_iterator(folders[i].first, ec))
            entries.push_back(e.path());
        if (ec) {
            *error = "cannot read " + folders[i].first;
            return false;
        }
        std::sort(entries.begin(), entries.end());
        std::vector<std::string> copy = {"mcopy", "-i", image, "-m", "-Q"};
        for (const fs::path& p : entries) {
            if (fs::is_directory(p, ec)) {
                std::string target = folders[i].second + p.filename().string();
                if (RunProgram({"mmd", "-i", image, target}, environment) != 0) {
                    *error = "mmd failed to make " + target + " in " + image;
                    return false;
                }
                folders.push_back({p.string(), target + "/"});
            } else {
                copy.push_back(p.string());
            }
        }
        if (copy.size() == 5)
            continue;
        copy.push_back(folders[i].second);
        rc = RunProgram(copy, environment);
        if (rc != 0) {
            *error = rc == -1 ? "mcopy (from mtools) is not installed or cannot be started"
                              : "mcopy failed to copy " + folders[i].first + " into " + image;
            return false;
        }
    }
    return true;
}
