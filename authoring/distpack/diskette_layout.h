// How files lie on a FAT12 diskette: the names they get there and the room
// they take, counted as the file system counts it (whole clusters per file
// and per subdirectory, 32-byte directory entries, long-name entries for
// names that are not plain 8.3 names).
#pragma once
#include <string>
#include <vector>

#include "authoring/distpack/diskette_format.h"

struct DisketteFile {
    std::string path;  // below the diskette's root, parts separated by '/'
    long long size;
};

struct DisketteRoom {
    long long clusters;  // for files and subdirectories
    int rootEntries;
};

// The name a file gets on the diskette: an 8.3 name in capitals; a longer
// name keeps its spelling (and takes long-name entries).
std::string DisketteFileName(const std::string& name);

// The room that the files take, their subdirectories included.
DisketteRoom RoomTaken(const DisketteFormat& format, const std::vector<DisketteFile>& files);

// Whether the files fit on one diskette of the format.
bool FitOnDiskette(const DisketteFormat& format, const std::vector<DisketteFile>& files);
