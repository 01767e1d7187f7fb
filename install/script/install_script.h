// The loaded installation script (install.ini): one process-wide record that
// lives from loading until the program ends. Loading validates every value
// and is all-or-nothing; afterwards only the options dialog (paths, check
// boxes, toInstall), the diskette prompt (sourceDir) and the file
// installation (clears toInstall) change it.
#pragma once
#include <cstdint>

const int NAME_SIZE = 64;          // names, labels, captions
const int RAW_VALUE_SIZE = 128;    // a raw script value
const int PATH_SIZE = 260;         // paths and command lines
const int ARCHIVE_NAME_SIZE = 16;  // archive file names
const int MAX_NUMBERED_KEYS = 99;

struct CommandLineEntry {
    int32_t stage;      // 1..8
    int32_t showMode;   // 0 minimized without activation, 1 normal, 2 maximized
    char command[PATH_SIZE];  // unexpanded, without the prefix and its spaces
};

struct CheckBoxEntry {
    char label[NAME_SIZE];
    int32_t checked;    // "BoxStat" value, then what the user set
};

struct ArchiveEntry {
    char name[ARCHIVE_NAME_SIZE];
    char destination[PATH_SIZE];  // unexpanded; expanded anew whenever used
    int32_t size;                 // share of the whole installation, >= 1
    int32_t checkBox;             // 0 always; k: only when check box k is checked
    int32_t replaceMode;          // 0 keep, 1 ask, 2 replace
    int32_t createDirectory;      // 1: create the destination even when not installed
    int32_t toInstall;            // set by the options dialog, cleared once installed
};

struct ProgramItemEntry {
    char description[NAME_SIZE];
    char commandLine[PATH_SIZE];  // unexpanded
    int32_t checkBox;
};

struct PercentBar {
    int32_t left, top, right, bottom;  // logical units
    int32_t fillDirection;  // 1 left to right, 2 top to bottom, 3 right to left, 4 bottom to top
    int32_t hasBorder;
    uint32_t borderColor;      // COLORREF layout; 0 without a border
    uint32_t backgroundColor;
    uint32_t fillColor;
};

struct InstallScriptRecord {
    char scriptPath[PATH_SIZE];
    int32_t windowState;  // 0 minimized, 1 full screen with picture and bars
    char productName[NAME_SIZE];
    char caption[NAME_SIZE];
    char pictureDir[PATH_SIZE];  // empty, or qualified with a final backslash

    CommandLineEntry* commandLines;
    int32_t commandLineCount;
    CheckBoxEntry* checkBoxes;
    int32_t checkBoxCount;

    char sourceDir[PATH_SIZE];       // qualified, final backslash
    char destinationDir[PATH_SIZE];  // qualified, final backslash
    ArchiveEntry* archives;
    int32_t archiveCount;

    char iconGroup[NAME_SIZE];
    ProgramItemEntry* programItems;
    int32_t programItemCount;

    PercentBar* percentBars;
    int32_t percentBarCount;
    int32_t logicalWidth;   // "WndExtHor"
    int32_t logicalHeight;  // "WndExtVer"

    int32_t speedLevel;  // 0..4, initially 2
};

extern InstallScriptRecord InstallScript;

// Locates, reads and validates the script. On failure the message has been
// shown, every table is released and the result is false.
bool LoadInstallScript(const char* commandLine);

// Part of loading: sets scriptPath to install.ini in the directory named by
// the command line, else beside the program; shows its own message on failure.
bool LocateScript(const char* commandLine);

// Copies the script's speed level into the transfer sizes.
void ApplySpeedLevel();

// Releases every entry table that exists.
void FreeInstallScript();

// Test seam: only the next `allocations` table allocations succeed, the rest
// fail as if memory were exhausted; -1 (the default) lets all succeed.
void SetScriptAllocationLimit(int allocations);

// Test seam: called just before each table allocation (the command-line
// table's comes between the two passes over its keys); null for none.
void SetScriptAllocationHook(void (*hook)());
