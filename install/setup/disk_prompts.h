// The two prompts that interrupt the file installation: whether to replace a
// file that already exists ("InstFile"), and where the next diskette or the
// remaining distribution archives are ("InstDisk").
#pragma once
#include <cstdint>

// Answers of the overwrite prompt: the identifiers of its four buttons.
const int32_t OVERWRITE_YES = 6;
const int32_t OVERWRITE_NO = 7;
const int32_t OVERWRITE_YES_TO_ALL = 130;
const int32_t OVERWRITE_NO_TO_ALL = 131;

// The last answer chosen; starts as Yes and is never reset during an
// installation. The file installation stores AskOverwrite's answer here and
// stops asking once it is Yes to All or No To All.
extern int32_t overwriteAnswer;

// Asks whether the existing file storedName is to be replaced; returns the
// chosen button (Yes, No, Yes to All, No To All). Escape and the close
// command do nothing. No without asking when the name cannot be copied
// (longer than a path).
int32_t AskOverwrite(const char* storedName);

// Asks for the next diskette or the directory of the remaining archives.
// True when the user confirmed a directory that can be searched; it is then
// the new sourceDir. False on Cancel.
bool AskNextDiskette();
