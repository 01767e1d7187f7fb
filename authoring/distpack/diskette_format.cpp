#include "authoring/distpack/diskette_format.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

// The standard DOS formats. Clusters are what is left of the sectors after
// the boot sector, both FAT copies and the root directory, divided by the
// sectors per cluster; mformat makes exactly these.
const DisketteFormat FORMATS[] = {
    // name    -f    cluster  clusters  root
    {"160K", 160, 512, 313, 64},      // 320 sectors, FAT 1 sector
    {"180K", 180, 512, 351, 64},      // 360 sectors, FAT 2 sectors
    {"320K", 320, 1024, 315, 112},    // 640 sectors, FAT 1 sector
    {"360K", 360, 1024, 354, 112},    // 720 sectors, FAT 2 sectors
    {"720K", 720, 1024, 713, 112},    // 1,440 sectors, FAT 3 sectors
    {"1.2M", 1200, 512, 2371, 224},   // 2,400 sectors, FAT 7 sectors
    {"1.44M", 1440, 512, 2847, 224},  // 2,880 sectors, FAT 9 sectors
    {"2.88M", 2880, 1024, 2863, 240}, // 5,760 sectors, FAT 9 sectors
};

const long long MIN_MEDIUM_BYTES = 16 * 1024;

}  // namespace

bool ParseDisketteFormat(const std::string& text, DisketteFormat* format)
{
    if (text == "none") {
        *format = DisketteFormat{"none", 0, 512, -1, -1};
        return true;
    }
    for (const DisketteFormat& f : FORMATS) {
        if (strcasecmp(text.c_str(), f.name.c_str()) == 0 || text == std::to_string(f.kilobytes)) {
            *format = f;
            return true;
        }
    }
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long long bytes = atoll(text.c_str());
    if (bytes < MIN_MEDIUM_BYTES)
        return false;
    *format = DisketteFormat{text, 0, 512, bytes / 512, -1};
    return true;
}

const char* DisketteFormatNames()
{
    return "1.44M, 1.2M, 720K, 360K, 2.88M, 160K, 180K, 320K, none or a byte count";
}

std::string DescribeCapacity(const DisketteFormat& format)
{
    if (format.clusters < 0)
        return "no limit";
    std::string text = Grouped(format.clusters * format.clusterBytes) + " bytes (" +
                       Grouped(format.clusters) + " clusters of " + std::to_string(format.clusterBytes) +
                       " bytes";
    if (format.rootEntries >= 0)
        text += ", " + std::to_string(format.rootEntries) + " root entries";
    return text + ")";
}

std::string Grouped(long long n)
{
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}
