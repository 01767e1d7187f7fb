#include "authoring/arjx/archive_tool.h"

#include <cstring>
#include <ctime>
#include <string>
#include <filesystem>
#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

#include "authoring/arjx/host_files.h"
#include "install/archive/arj_reader.h"

namespace {

std::string LowerCase(std::string s)
{
    LowerCaseText(&s[0]);
    return s;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SetText(const char* format, const std::string& name)
{
    snprintf(finishMessage, sizeof finishMessage, format, LowerCase(name).c_str());
}

// The read error or, when the user ended the run, the terminated text.
void SetReadErrorText(const std::string& archiveName)
{
    SetReadError(archiveName.c_str());
}

bool MakeParentDirectories(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    std::error_code ec;
    std::filesystem::create_directories(path.substr(0, slash), ec);
    return !ec;
}

// Stamps the MS-DOS date and time (local time) on the file.
void SetDosTime(const std::string& path, uint32_t dateTime)
{
    struct tm t = {};
    uint32_t date = dateTime >> 16;
    uint32_t time = dateTime & 0xFFFF;
    t.tm_year = (int)((date >> 9) & 0x7F) + 80;
    t.tm_mon = (int)((date >> 5) & 0x0F) - 1;
    t.tm_mday = (int)(date & 0x1F);
    t.tm_hour = (int)((time >> 11) & 0x1F);
    t.tm_min = (int)((time >> 5) & 0x3F);
    t.tm_sec = (int)(time & 0x1F) * 2;
    t.tm_isdst = -1;
    time_t when = mktime(&t);
    if (when == (time_t)-1)
        return;
    struct utimbuf times = {when, when};
    utime(path.c_str(), &times);
}

// Decodes the current entry; true when it decoded and its CRC matches.
bool ProcessEntry(int archive, const std::string& archiveName, const char* name,
                  const char* extractDir)
{
    std::string outputPath;
    std::string outputName = BaseName(name);
    int output;
    if (extractDir != nullptr) {
        outputPath = std::string(extractDir) + "/" + name;
        for (char& c : outputPath) {
            if (c == '\\')
                c = '/';
        }
        outputName = BaseName(outputPath);
        if (!MakeParentDirectories(outputPath) ||
            (output = HostCreateOutput(outputPath.c_str())) == -1) {
            SetText("Cannot create the file '%s'. ", outputPath);
            return false;
        }
    } else {
        output = HostOpenDiscard(0x7FFFFFFFFFFFLL);
    }
    runningCrc = 0xFFFFFFFFu;
    bool ok = DecodeEntryData(archive, output, archiveName.c_str(), outputName.c_str());
    if (!HostClose(output) && ok) {
        SetText("Disk full or error writing the file '%s'. ", outputName);
        ok = false;
    }
    if (!ok)
        return false;
    if (extractDir != nullptr)
        SetDosTime(outputPath, EntryHeader.dateTime);
    if (~runningCrc != EntryHeader.fileCrc) {
        SetText("The file '%s' is not correctly unpacked. ", outputName);
        return false;
    }
    return true;
}

}  // namespace

void ReportArchiveProgress(int, bool)
{
}

const char* EntryNameFaultText(EntryNameFault fault)
{
    switch (fault) {
    case ENTRY_NAME_ROOTED:
        return "a drive or a leading separator";
    case ENTRY_NAME_SHORTENED:
        return "a part that is \"..\" or ends in a dot or a space";
    case ENTRY_NAME_DEVICE:
        return "a device name (NUL, CON, AUX, PRN, COM1-9, LPT1-9)";
    default:
        return "";
    }
}

bool FindFirstEntry(int archive)
{
    int start = FindArchiveHeader(archive);
    return start != -1 && SeekCached(archive, start, 0) != -1 && ReadEntryHeader(archive, nullptr) == 1;
}

int NextEntry(int archive, char name[ENTRY_NAME_SIZE], EntryNameFault* fault)
{
    int rc = ReadEntryHeader(archive, name);
    // A refused name leaves the header read and the name in the buffer.
    *fault = rc == -1 && name[0] != '\0' ? FindEntryNameFault(name) : ENTRY_NAME_SAFE;
    return rc == -1 && *fault != ENTRY_NAME_SAFE ? 1 : rc;
}

bool RunArchiveTool(const char* path, const char* extractDir, FILE* out)
{
    std::string archiveName = BaseName(path);
    int archive = HostOpenArchive(path);
    if (archive == -1) {
        SetText("Cannot open the file '%s'. ", archiveName);
        fprintf(out, "%s\n", finishMessage);
        return false;
    }
    BuildCrcTable();
    bool allOk = true;
    if (!FindFirstEntry(archive)) {
        SetReadErrorText(archiveName);
        fprintf(out, "%s\n", finishMessage);
        HostClose(archive);
        return false;
    }
    for (;;) {
        char name[ENTRY_NAME_SIZE];
        EntryNameFault fault;
        int rc = NextEntry(archive, name, &fault);
        if (rc == 0)
            break;
        if (rc == -1) {
            SetReadErrorText(archiveName);
            fprintf(out, "%s\n", finishMessage);
            allOk = false;
            break;
        }
        int dataStart = SeekCached(archive, 0, 1);
        int32_t compressed = EntryHeader.remainingCompressed;
        const EntryHeaderRecord e = EntryHeader;
        bool ok;
        std::string refusal;
        if (fault != ENTRY_NAME_SAFE || !IsEntrySupported()) {
            SetReadErrorText(archiveName);
            if (fault != ENTRY_NAME_SAFE)
                refusal = std::string("name refused: ") + EntryNameFaultText(fault) + "  ";
            ok = false;
        } else {
            ok = ProcessEntry(archive, archiveName, name, extractDir);
        }
        fprintf(out, "%s  method %d  host %d  type %d  size %d  %s%s\n", name, e.method,
                e.hostSystem, e.fileType, (int)e.uncompressedSize, refusal.c_str(),
                ok ? "ok" : finishMessage);
        if (!ok) {
            allOk = false;
            // Testing goes on with the next entry; extracting stops like the
            // installer does.
            if (extractDir != nullptr || compressed < 0 ||
                SeekCached(archive, dataStart + compressed, 0) == -1)
                break;
        }
    }
    HostClose(archive);
    return allOk;
}
