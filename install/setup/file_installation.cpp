#include "install/setup/file_installation.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "install/archive/arj_reader.h"
#include "install/archive/message_name.h"
#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/script/path_checks.h"
#include "install/script/path_keywords.h"
#include "install/setup/cached_file.h"
#include "install/setup/disk_prompts.h"
#include "install/ui/progress_display.h"

// Controls of the information panel written here.
static const int PANEL_SOURCE_LINE = IDC_SOURCE_LINE;
static const int PANEL_FILE_LINE = IDC_FILE_LINE;

static const int ARCHIVE_CACHE_SIZE = 30720;
static const char TERMINATED_TEXT[] = "Installation process is terminated.";

// One installation at a time; the values describe the running one. The sums
// are 64-bit: 99 archive weights of up to 2^31 - 1 each do not fit 32 bits.
static int64_t progressTotal = 0;    // sum of the weights of the selected archives
static int64_t progressDone = 0;     // units committed by finished archives
static int64_t progressCurrent = 0;  // last computed units
static int32_t archiveWeight = 0;    // weight of the archive being installed
static int32_t archiveFileSize = 0;  // byte size of the archive being installed

// The part of path after its last backslash.
static const char* NamePart(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

void SetFinishMessageWithName(const char* format, const char* name)
{
    char shortName[FINISH_MESSAGE_SIZE];
    ShortenMessageName(format, name, shortName, sizeof shortName);
    CharLowerA(shortName);

    char text[FINISH_MESSAGE_SIZE];
    snprintf(text, sizeof text, format, shortName);
    SetFinishMessage(text);
}

// The message for a failed header read or skip: a read that failed because
// the user ended the installation is no read error.
static void SetReadErrorMessage(const char* archiveName)
{
    if (cancelRequested)
        SetFinishMessage(TERMINATED_TEXT);
    else
        SetFinishMessageWithName("Reading or unpacking error in '%s'. ", archiveName);
}

bool AnyArchivePending()
{
    for (int i = 0; i < InstallScript.archiveCount; i++)
        if (InstallScript.archives[i].toInstall)
            return true;
    return false;
}

void ReportArchiveProgress(int archive, bool commit)
{
    int32_t position = SeekCached(archive, 0, 1);
    double share = 0.0;
    // A failed position query or an empty archive file counts as no progress
    // inside the archive; it never divides by zero.
    if (position > 0 && archiveFileSize > 0) {
        if (position > archiveFileSize)
            position = archiveFileSize;
        share = static_cast<double>(position) / archiveFileSize * archiveWeight;
    }
    progressCurrent = static_cast<int64_t>(share) + progressDone;
    if (commit)
        progressDone = progressCurrent;
    int percent = 100;
    if (progressTotal > 0)
        percent = static_cast<int>(static_cast<double>(progressCurrent) / progressTotal * 100.0 + 0.5);
    SetProgressPercent(percent);
}

bool ExtractEntry(int archive, char* destinationPath, const char* archiveName)
{
    const char* outputName = NamePart(destinationPath);

    int output = CreateOutputFile(destinationPath);
    if (output == -1) {
        SetFinishMessageWithName("Cannot create the file '%s'. ", destinationPath);
        return false;
    }
    runningCrc = 0xFFFFFFFFu;
    if (!DecodeEntryData(archive, output, archiveName, outputName)) {
        CloseCached(output);
        return false;
    }
    if (CloseCached(output) == -1) {
        SetFinishMessageWithName("Disk full or error writing the file '%s'. ", outputName);
        return false;
    }
    if (!SetFileTimeAndAttributes(destinationPath, EntryHeader.dateTime, EntryHeader.fileMode,
                                  EntryHeader.hostSystem == 0)) {
        SetFinishMessageWithName("Disk full or error writing the file '%s'. ", outputName);
        return false;
    }
    if (~runningCrc != EntryHeader.fileCrc) {
        SetFinishMessageWithName("The file '%s' is not correctly unpacked. ", outputName);
        return false;
    }
    return true;
}

// Decides whether the current entry is written to destination (a full path
// of PATH_SIZE bytes, its directories already made): false for a file that
// exists and stays.
static bool ShouldInstall(const ArchiveEntry& entry, char* destination, const char* storedName)
{
    CharLowerA(destination);
    if (infoPanel != nullptr)
        SetDlgItemTextA(infoPanel, PANEL_FILE_LINE, destination);
    if (GetFileSizeByName(destination) == -1)
        return true;
    switch (entry.replaceMode) {
    case 0:
        return false;
    case 1:
        if (overwriteAnswer != OVERWRITE_YES_TO_ALL && overwriteAnswer != OVERWRITE_NO_TO_ALL)
            overwriteAnswer = AskOverwrite(storedName);
        return overwriteAnswer == OVERWRITE_YES || overwriteAnswer == OVERWRITE_YES_TO_ALL;
    default:
        return true;
    }
}

// Walks the entries of an opened archive; the caller closes it.
static bool InstallEntries(int archive, const ArchiveEntry& entry, const char* archiveName)
{
    int32_t start = FindArchiveHeader(archive);
    if (start == -1 || SeekCached(archive, start, 0) == -1 || ReadEntryHeader(archive, nullptr) == -1) {
        SetReadErrorMessage(archiveName);
        return false;
    }
    for (;;) {
        if (!RunPendingMessages()) {
            SetFinishMessage(TERMINATED_TEXT);
            return false;
        }
        char storedName[ENTRY_NAME_SIZE];
        int rc = ReadEntryHeader(archive, storedName);
        if (rc == -1) {
            SetReadErrorMessage(archiveName);
            return false;
        }
        if (rc == 0)
            return true;
        // A name that would lead outside the destination is refused like a
        // damaged header.
        if (!IsEntrySupported() || !IsSafeEntryName(storedName)) {
            SetReadErrorMessage(archiveName);
            return false;
        }

        char destination[PATH_SIZE];
        if (!ExpandPathKeywords(entry.destination, destination, PATH_SIZE)) {
            SetFinishMessageWithName("Cannot create the file '%s'. ", storedName);
            return false;
        }
        DirectoryExists(destination);  // only to qualify it, with a final backslash
        size_t directoryLength = strlen(destination);
        // A directory too long to be qualified keeps its text; the file name
        // must still go below it.
        if (directoryLength > 0 && destination[directoryLength - 1] != '\\' && directoryLength + 1 < PATH_SIZE) {
            destination[directoryLength++] = '\\';
            destination[directoryLength] = '\0';
        }
        if (directoryLength + strlen(storedName) >= PATH_SIZE) {
            SetFinishMessageWithName("Cannot create the file '%s'. ", storedName);
            return false;
        }
        memcpy(destination + directoryLength, storedName, strlen(storedName) + 1);
        // An entry whose directory cannot be made (a file of that name is in
        // the way) is not silently left out.
        if (!CreateDirectoryPath(destination)) {
            SetFinishMessageWithName("Cannot create the file '%s'. ", destination);
            return false;
        }

        if (ShouldInstall(entry, destination, storedName)) {
            if (!ExtractEntry(archive, destination, archiveName))
                return false;
        } else if (!SkipEntryData(archive)) {
            SetReadErrorMessage(archiveName);
            return false;
        }
        ReportArchiveProgress(archive, false);
    }
}

bool InstallArchive(const char* archivePath, int entryIndex)
{
    const ArchiveEntry& entry = InstallScript.archives[entryIndex];
    const char* archiveName = NamePart(archivePath);

    int archive = OpenCached(archivePath, 0, ARCHIVE_CACHE_SIZE);
    if (archive == -1) {
        SetFinishMessageWithName("Cannot open the file '%s'. ", archiveName);
        return false;
    }
    bool ok = InstallEntries(archive, entry, archiveName);
    ReportArchiveProgress(archive, true);
    CloseCached(archive);
    return ok;
}

bool InstallArchives()
{
    progressTotal = 0;
    for (int i = 0; i < InstallScript.archiveCount; i++)
        if (InstallScript.archives[i].toInstall)
            progressTotal += InstallScript.archives[i].size;
    progressCurrent = 0;
    progressDone = 0;

    while (AnyArchivePending()) {
        if (!RunPendingMessages()) {
            SetFinishMessage(TERMINATED_TEXT);
            return false;
        }
        for (int i = 0; i < InstallScript.archiveCount; i++) {
            ArchiveEntry& entry = InstallScript.archives[i];
            if (!entry.toInstall)
                continue;
            char path[PATH_SIZE];
            size_t dirLength = strlen(InstallScript.sourceDir);
            size_t nameLength = strlen(entry.name);
            if (dirLength + nameLength >= PATH_SIZE)
                continue;
            memcpy(path, InstallScript.sourceDir, dirLength);
            memcpy(path + dirLength, entry.name, nameLength + 1);
            int32_t size = GetFileSizeByName(path);
            if (size == -1)
                continue;
            entry.toInstall = 0;
            BuildCrcTable();
            archiveWeight = entry.size;
            archiveFileSize = size;
            if (!InstallArchive(path, i))
                return false;
        }
        if (infoPanel != nullptr)
            SetDlgItemTextA(infoPanel, PANEL_FILE_LINE, "");
        if (AnyArchivePending()) {
            if (!AskNextDiskette()) {
                SetFinishMessage(TERMINATED_TEXT);
                return false;
            }
            CharLowerA(InstallScript.sourceDir);
            if (infoPanel != nullptr)
                SetPathText(infoPanel, PANEL_SOURCE_LINE, InstallScript.sourceDir);
        }
    }
    SetProgressPercent(100);
    return true;
}
