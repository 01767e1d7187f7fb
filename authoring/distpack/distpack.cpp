#include "authoring/distpack/distpack.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

#include "authoring/distcheck/distcheck.h"
#include "authoring/distcheck/native_platform.h"
#include "authoring/distcheck/profile_reader.h"
#include "authoring/distpack/disk_images.h"
#include "authoring/distpack/diskette_layout.h"
#include "authoring/distpack/product_archive.h"
#include "install/script/install_script.h"

namespace fs = std::filesystem;

namespace {

const char PICTURE_NAME[] = "Install.Pic";
// Between a folder given by the user and a name in it, as the user's
// system writes paths.
#ifdef _WIN32
const char SEP[] = "\\";
#else
const char SEP[] = "/";
#endif
const char STAGING_SUFFIX[] = ".distpack-new";
const char OLD_SUFFIX[] = ".distpack-old";
// MS-DOS times start in 1980.
const long long DOS_EPOCH = 315532800;

// One archive of the script and what becomes of it.
struct ArchivePlan {
    std::string name;          // as ArcFile_NN gives it
    std::string key;           // "ArcFile_NN"
    int fileLine = 0;          // line of ArcFile_NN
    int sizeLine = 0;          // line of ArcSize_NN
    int oldWeight = 0;         // ArcSize_NN as the author wrote it
    std::string folder;        // the product folder packed into it
    std::string built;         // the archive in the staging folder
    BuildSummary packed = {0, 0, 0};
    int diskette = 0;          // 0-based
};

// What the script says about the layout of the diskettes.
struct ScriptFacts {
    std::string sourceBelow;   // DefSrcDir below the diskette's root, '\' separated
    std::string pictureHost;   // the author's Install.Pic, "" for none
    std::string pictureBelow;  // its folder below the root of disk1
    std::vector<ArchivePlan> archives;
};

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

// A path below a diskette's root, as the platform writes it ("DATA\"), in
// the diskette folder's form ("DATA/"), each part with its diskette name.
std::string DiskettePath(const std::string& below)
{
    std::string out;
    size_t start = 0;
    while (start < below.size()) {
        size_t end = below.find('\\', start);
        if (end == std::string::npos)
            end = below.size();
        if (end > start)
            out += DisketteFileName(below.substr(start, end - start)) + "/";
        start = end + 1;
    }
    return out;
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    *bytes = all.str();
    return !in.bad();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream outFile(path, std::ios::binary | std::ios::trunc);
    outFile.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    outFile.close();
    return !outFile.fail();
}

bool SetModificationTime(const std::string& path, long long when)
{
    struct utimbuf times;
    times.actime = static_cast<time_t>(when);
    times.modtime = static_cast<time_t>(when);
    return utime(path.c_str(), &times) == 0;
}

long long ModificationTime(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_mtime) : 0;
}

// The time every file of the diskettes gets: SOURCE_DATE_EPOCH when set,
// else the newest of the inputs, never before 1980.
long long DistributionTime(const std::vector<std::string>& inputs, const std::vector<ArchivePlan>& archives)
{
    long long when;
    if (!SourceDateEpoch(&when) || when < 0) {
        when = 0;
        for (const std::string& input : inputs)
            when = std::max(when, ModificationTime(input));
        for (const ArchivePlan& a : archives)
            when = std::max(when, NewestFileTime(a.folder));
    }
    return std::max(when, DOS_EPOCH);
}

// True for a folder that an earlier run made: nothing but disk<N> folders
// and disk<N>.img images (or nothing at all).
bool IsDistpackOutput(const std::string& dir)
{
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        std::string rest = name.compare(0, 4, "disk") == 0 ? name.substr(4) : "";
        bool image = rest.size() > 4 && rest.compare(rest.size() - 4, 4, ".img") == 0;
        std::string number = image ? rest.substr(0, rest.size() - 4) : rest;
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos ||
            e.is_directory(ec) == image)
            return false;
    }
    return !ec;
}

// The run's state, one run per process.
const DistpackOptions* options;
FILE* out;
FILE* err;
std::string scriptDir;
ProfileFile profile;
ScriptFacts facts;
std::string scriptBytes;  // the script as disk1 gets it
std::string staging;      // the folder that becomes OUT_DIR
long long fileTime = DOS_EPOCH;
std::vector<std::vector<DisketteFile>> diskettes;

bool Fail(const std::string& text)
{
    fflush(out);
    fprintf(err, "distpack: %s\n", text.c_str());
    return false;
}

void ScriptLine(int line, const std::string& text)
{
    fprintf(out, "%s:%d: %s\n", options->script.c_str(), line, text.c_str());
}

std::string Staging(const std::string& path)
{
    return staging + SEP + path;
}

bool CheckInputs()
{
    std::error_code ec;
    if (!fs::is_regular_file(options->script, ec))
        return Fail("cannot read the script " + options->script);
    if (Lower(fs::path(options->script).filename().string()) != "install.ini")
        return Fail("the script must be named install.ini, the name the installer looks for: " + options->script);
    if (!fs::is_directory(options->productDir, ec))
        return Fail("the product folder " + options->productDir + " does not exist");
    if (!fs::is_regular_file(options->installer, ec))
        return Fail("no installer at " + options->installer + " (name it with --installer)");
    if (fs::exists(options->outDir, ec) && !(fs::is_directory(options->outDir, ec) && IsDistpackOutput(options->outDir)))
        return Fail(options->outDir + " exists and holds more than diskette folders and images; "
                    "name a new folder or an earlier output of distpack");
    scriptDir = fs::path(options->script).parent_path().string();
    if (scriptDir.empty())
        scriptDir = ".";
    return true;
}

// Loads the script as the installer would and takes from it the archives,
// the source folder and the picture.
bool ReadScript()
{
    if (!LoadScriptAsInstaller(scriptDir, out))
        return false;
    const InstallScriptRecord& s = InstallScript;
    facts.sourceBelow = PathBelowRoot(s.sourceDir);
    bool ok = true;
    LoadProfileFile(options->script, &profile);
    if (s.pictureDir[0] != '\0') {
        std::string host;
        const ProfileKey* key = FindProfileKey(profile, "General Info", "PicFilDir");
        if (!HostPathOf(std::string(s.pictureDir) + PICTURE_NAME, &host)) {
            ScriptLine(key != nullptr ? key->line : 1,
                       std::string("PicFilDir: no ") + PICTURE_NAME + " in " + s.pictureDir +
                           " (the installer would say \"Cannot open the picture file.\")");
            ok = false;
        }
        facts.pictureHost = host;
        facts.pictureBelow = PathBelowRoot(s.pictureDir);
    }
    for (int i = 0; i < s.archiveCount; ++i) {
        ArchivePlan a;
        char key[16];
        a.name = s.archives[i].name;
        snprintf(key, sizeof(key), "ArcFile_%02d", i + 1);
        a.key = key;
        const ProfileKey* k = FindProfileKey(profile, "Archive Files", key);
        a.fileLine = k != nullptr ? k->line : 1;
        snprintf(key, sizeof(key), "ArcSize_%02d", i + 1);
        k = FindProfileKey(profile, "Archive Files", key);
        a.sizeLine = k != nullptr ? k->line : 0;
        a.oldWeight = s.archives[i].size;
        facts.archives.push_back(a);
    }
    FreeInstallScript();
    return ok;
}

// Each archive's product folder: its name without the extension, matched
// without regard to case.
bool FindFolders()
{
    std::vector<std::string> folders;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(options->productDir, ec)) {
        if (e.is_directory(ec))
            folders.push_back(e.path().filename().string());
    }
    std::sort(folders.begin(), folders.end());
    std::vector<bool> used(folders.size(), false);
    bool ok = true;
    for (ArchivePlan& a : facts.archives) {
        std::string base = Lower(a.name.substr(0, a.name.rfind('.')));
        for (size_t i = 0; i < folders.size(); ++i) {
            if (Lower(folders[i]) != base)
                continue;
            if (used[i]) {
                ScriptLine(a.fileLine, a.key + " " + a.name + ": its folder " + folders[i] +
                                           " is already packed into another archive");
                ok = false;
            }
            used[i] = true;
            a.folder = options->productDir + SEP + folders[i];
        }
        if (a.folder.empty() && ok) {
            ScriptLine(a.fileLine, a.key + " " + a.name + ": no folder " + options->productDir + SEP +
                                       a.name.substr(0, a.name.rfind('.')) + " in the product tree");
            ok = false;
        } else if (a.folder.empty()) {
            ok = false;
        }
    }
    for (size_t i = 0; i < folders.size(); ++i) {
        if (!used[i])
            fprintf(out, "%s%s%s: warning: no ArcFile_NN names this folder; it is not packed\n",
                    options->productDir.c_str(), SEP, folders[i].c_str());
    }
    return ok;
}

bool PackArchives()
{
    std::error_code ec;
    fs::create_directories(Staging(".archives"), ec);
    if (ec)
        return Fail("cannot make the folder " + Staging(".archives") + ": " + ec.message());
    for (ArchivePlan& a : facts.archives) {
        a.built = Staging(".archives/" + DisketteFileName(a.name));
        std::string error;
        if (!PackProductFolder(a.folder, a.built, options->method, options->textGlobs, &a.packed, &error))
            return Fail(a.name + ": " + error);
        fprintf(out, "%s: %d %s, %s bytes -> %s bytes\n", a.name.c_str(), a.packed.files,
                a.packed.files == 1 ? "file" : "files", Grouped(a.packed.originalBytes).c_str(),
                Grouped(a.packed.archiveBytes).c_str());
    }
    return true;
}

// Every ArcSize_NN becomes its archive's size in kilobytes; the lines that
// change are shown.
void SetWeights()
{
    for (size_t i = 0; i < facts.archives.size(); ++i) {
        const ArchivePlan& a = facts.archives[i];
        long long kilobytes = std::max<long long>(1, (a.packed.archiveBytes + 1023) / 1024);
        if (kilobytes == a.oldWeight || a.sizeLine == 0)
            continue;
        char key[16];
        snprintf(key, sizeof(key), "ArcSize_%02zu", i + 1);
        if (ReplaceValueOnLine(&scriptBytes, a.sizeLine, std::to_string(kilobytes)))
            ScriptLine(a.sizeLine, std::string(key) + " " + std::to_string(a.oldWeight) + " -> " +
                                       std::to_string(kilobytes));
        else
            ScriptLine(a.sizeLine, std::string("warning: ") + key + " stays " + std::to_string(a.oldWeight) +
                                       " (its archive's size in KB is " + std::to_string(kilobytes) +
                                       "): distpack edits only ANSI and UTF-8 scripts");
    }
}

// Archives go onto the diskettes in the script's order, a new diskette when
// the next one does not fit; disk1 starts with the installer, the script
// and the picture.
bool PlanDiskettes()
{
    std::error_code ec;
    std::vector<DisketteFile> first = {
        {"INSTALL.EXE", static_cast<long long>(fs::file_size(options->installer, ec))},
        {"INSTALL.INI", static_cast<long long>(scriptBytes.size())},
    };
    if (!facts.pictureHost.empty())
        first.push_back({DiskettePath(facts.pictureBelow) + "INSTALL.PIC",
                         static_cast<long long>(fs::file_size(facts.pictureHost, ec))});
    if (!FitOnDiskette(options->format, first))
        return Fail("the installer, its script and the picture alone do not fit on a " + options->format.name +
                    " diskette: " + DescribeCapacity(options->format));
    diskettes = {first};
    std::string below = DiskettePath(facts.sourceBelow);
    for (ArchivePlan& a : facts.archives) {
        DisketteFile file = {below + DisketteFileName(a.name), a.packed.archiveBytes};
        std::vector<DisketteFile> with = diskettes.back();
        with.push_back(file);
        if (!FitOnDiskette(options->format, with)) {
            with = {file};
            if (!FitOnDiskette(options->format, with))
                return Fail(a.name + " (" + Grouped(a.packed.archiveBytes) + " bytes) does not fit on one " +
                            options->format.name + " diskette: " + DescribeCapacity(options->format) +
                            "; the installer needs each archive whole on one diskette");
            diskettes.push_back(with);
        } else {
            diskettes.back() = with;
        }
        a.diskette = static_cast<int>(diskettes.size()) - 1;
    }
    return true;
}

bool WriteDiskettes()
{
    std::error_code ec;
    for (size_t d = 0; d < diskettes.size(); ++d) {
        std::string disk = Staging("disk" + std::to_string(d + 1));
        fs::create_directories(disk, ec);
        if (ec)
            return Fail("cannot make the folder " + disk + ": " + ec.message());
    }
    std::string disk1 = Staging("disk1/");
    bool ok = fs::copy_file(options->installer, disk1 + "INSTALL.EXE", ec) &&
              WriteFileBytes(disk1 + "INSTALL.INI", scriptBytes);
    if (ok && !facts.pictureHost.empty()) {
        std::string folder = disk1 + DiskettePath(facts.pictureBelow);
        fs::create_directories(folder, ec);
        ok = fs::copy_file(facts.pictureHost, folder + "INSTALL.PIC", ec);
    }
    if (!ok)
        return Fail("cannot write the files of disk1 in " + disk1);
    std::string below = DiskettePath(facts.sourceBelow);
    for (const ArchivePlan& a : facts.archives) {
        std::string folder = Staging("disk" + std::to_string(a.diskette + 1) + "/" + below);
        fs::create_directories(folder, ec);
        fs::rename(a.built, folder + DisketteFileName(a.name), ec);
        if (ec)
            return Fail("cannot move " + a.name + " into " + folder + ": " + ec.message());
    }
    fs::remove_all(Staging(".archives"), ec);
    // One time for every file and folder, so that the same inputs give the
    // same diskettes.
    for (size_t d = 0; d < diskettes.size(); ++d) {
        std::string disk = Staging("disk" + std::to_string(d + 1));
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(disk, ec))
            SetModificationTime(e.path().string(), fileTime);
        SetModificationTime(disk, fileTime);
    }
    return true;
}

bool WriteImages()
{
    if (!options->images)
        return true;
    for (size_t d = 0; d < diskettes.size(); ++d) {
        std::string name = "disk" + std::to_string(d + 1);
        std::string error;
        // The serial number tells the diskettes of a set apart.
        unsigned serial = 0x54560000u + static_cast<unsigned>(d + 1);
        if (!WriteDisketteImage(options->format, Staging(name), Staging(name + ".img"), serial, fileTime, &error))
            return Fail(error);
    }
    return true;
}

// The finished folder takes the place of OUT_DIR (and of an earlier run's
// output there) only now, so that a failed run leaves nothing that looks
// complete.
bool PutInPlace()
{
    std::error_code ec;
    std::string old = options->outDir + OLD_SUFFIX;
    fs::remove_all(old, ec);
    bool replaced = fs::exists(options->outDir, ec);
    if (replaced) {
        fs::rename(options->outDir, old, ec);
        if (ec)
            return Fail("cannot move the earlier " + options->outDir + " aside: " + ec.message());
    }
    fs::rename(staging, options->outDir, ec);
    if (ec) {
        std::error_code ignored;
        if (replaced)
            fs::rename(old, options->outDir, ignored);
        return Fail("cannot rename " + staging + " to " + options->outDir + ": " + ec.message());
    }
    fs::remove_all(old, ec);
    return true;
}

// distcheck's checks on the finished diskettes: its findings that need the
// author's attention and its verdict.
int Check()
{
    std::vector<std::string> disks;
    for (size_t d = 0; d < diskettes.size(); ++d) {
        std::string disk = options->outDir + SEP + "disk" + std::to_string(d + 1);
        disks.push_back(disk);
        DisketteRoom room = RoomTaken(options->format, diskettes[d]);
        std::string files;
        for (const DisketteFile& f : diskettes[d])
            files += (files.empty() ? "" : ", ") + f.path + " " + Grouped(f.size);
        std::string use = Grouped(room.clusters * options->format.clusterBytes) + " bytes used";
        if (options->format.clusters >= 0)
            use += " of " + Grouped(options->format.clusters * options->format.clusterBytes);
        fprintf(out, "%s: %s (%s)\n", disk.c_str(), files.c_str(), use.c_str());
        if (options->images)
            fprintf(out, "%s.img: %s diskette image\n", disk.c_str(), options->format.name.c_str());
    }
    FILE* report = tmpfile();
    if (report == nullptr)
        return RunDistcheck(disks, true, out);
    int verdict = RunDistcheck(disks, false, report);
    rewind(report);
    char line[4096];
    std::string last;
    while (fgets(line, sizeof(line), report) != nullptr) {
        if (strstr(line, ": error: ") != nullptr || strstr(line, "warning: ") != nullptr)
            fputs(line, out);
        last = line;
    }
    fclose(report);
    fputs(last.c_str(), out);
    return verdict;
}

int Execute()
{
    if (!CheckInputs() || !ReadScript() || !FindFolders())
        return 1;
    if (!ReadFileBytes(options->script, &scriptBytes)) {
        Fail("cannot read the script " + options->script);
        return 1;
    }
    staging = options->outDir + STAGING_SUFFIX;
    std::error_code ec;
    fs::remove_all(staging, ec);
    bool built = PackArchives();
    if (built) {
        fileTime = DistributionTime({options->script, options->installer, facts.pictureHost}, facts.archives);
        SetWeights();
        built = PlanDiskettes() && WriteDiskettes() && WriteImages() && PutInPlace();
    }
    if (!built) {
        fs::remove_all(staging, ec);
        return 1;
    }
    return Check();
}

}  // namespace

int RunDistpack(const DistpackOptions& runOptions, FILE* runOut, FILE* runErr)
{
    options = &runOptions;
    out = runOut;
    err = runErr;
    facts = ScriptFacts();
    profile = ProfileFile();
    diskettes.clear();
    return Execute();
}
