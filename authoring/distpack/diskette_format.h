// The media a distribution is packed for: the FAT12 diskette formats, as
// mformat makes them, with the room they give to files; a medium of a given
// number of bytes; or no limit (a CD or a download).
#pragma once
#include <string>

struct DisketteFormat {
    std::string name;     // as the user writes it: "1.44M", "none", or the byte count
    int kilobytes;        // mformat's -f value; 0 for media without an image
    int clusterBytes;     // the unit in which files take room
    long long clusters;   // clusters for files and subdirectories; < 0: no limit
    int rootEntries;      // 32-byte entries of the root directory; < 0: no limit
};

// "1.44M", "1.2M", "720K", "360K", "2.88M" (also 1440, 1200, 720, 360, 2880
// and the less common 160K, 180K, 320K), "none", or a byte count of at least
// 16 KB, counted in 512-byte clusters. False for anything else.
bool ParseDisketteFormat(const std::string& text, DisketteFormat* format);

// The names a user may write, for the usage text.
const char* DisketteFormatNames();

// The room of the format as a text: "1,457,664 bytes (2,847 clusters of 512
// bytes, 224 root entries)".
std::string DescribeCapacity(const DisketteFormat& format);

// A number with thousands separators, as distpack prints sizes: "1,457,664".
std::string Grouped(long long n);
