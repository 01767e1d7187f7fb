// Writes ARJ archives that the installer reads (and arj and 7z with it):
// entries of methods 0-4 made on MS-DOS, in the order they are added. The
// archive is written under a temporary name beside its own and takes its
// name only when it is finished, so a failed or abandoned archive leaves
// nothing behind. Portable; files are reached through writer_files.h.
#pragma once
#include <cstdint>

const int WRITER_ERROR_SIZE = 512;  // failure texts, each naming the file concerned

struct ArchiveWriter;

// Begins the archive at path. headerTime is the MS-DOS date and time of
// the main header, or 0 for that of the newest entry. Null on failure,
// with the reason in error.
ArchiveWriter* OpenArchiveForWriting(const char* path, uint32_t headerTime, char* error);

// What became of an added file.
struct AddedEntry {
    int method;              // the method used: 0 when coding did not make it smaller
    int64_t originalSize;
    int64_t compressedSize;  // the entry's data, without its header
};

// Adds the file at sourcePath as the entry `name` (relative, parts
// separated by '/'), coded with method 1-4 (1 the smallest output, 4 the
// fastest) or stored (0); an entry that coding does not make smaller is
// stored. A text entry (type 1) keeps its bytes unchanged; the installer
// clears bit 7 when it writes them. Fills `added` when it is not null.
// False with the reason in error; the archive then stays as it was before
// the call.
bool AddFileToArchive(ArchiveWriter* archive, const char* sourcePath, const char* name, bool text,
                      int method, AddedEntry* added, char* error);

// A file for AddFilesToArchive.
struct FileToAdd {
    const char* sourcePath;
    const char* name;
    bool text;
};

// Adds the files in order, as AddFileToArchive would one by one, with the
// same bytes; `threads` helper threads code the files of up to 4 MB ahead
// of their turn, keeping up to 16 MB of coded data in memory until their
// turn comes (larger files are coded in their turn). Fills added[i] when
// added is not null. On failure, *failed is the index of the file that the
// error names; the files before it are in the archive.
bool AddFilesToArchive(ArchiveWriter* archive, const FileToAdd* files, int count, int method,
                       int threads, AddedEntry* added, int* failed, char* error);

// The size the archive would have if it were finished now.
int64_t ArchiveSize(const ArchiveWriter* archive);

// Writes the end marker and gives the archive its name; its size, or -1
// with the reason in error (then nothing is left behind). Frees the writer
// either way.
int64_t FinishArchive(ArchiveWriter* archive, char* error);

// Removes what was written and frees the writer.
void DiscardArchive(ArchiveWriter* archive);
