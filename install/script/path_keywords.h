// Path keywords: seven-character words inside script texts that stand for a
// directory known only on the user's machine ("Dst_Dir", "Win_Roo", ...).
// A keyword is an exact, case-sensitive match anywhere in a text, with no
// delimiter needed. Every value a keyword gives ends in a backslash.
#pragma once

// The keywords, in the order in which expansion searches for them.
const int PATH_KEYWORD_COUNT = 12;
const int PATH_KEYWORD_LENGTH = 7;
extern const char* const PathKeywords[PATH_KEYWORD_COUNT];

// Keyword groups, as flags.
const unsigned KEYWORD_GROUP_PROGRAM = 1;      // Prg_Dir Prg_Roo Ini_Dir Ini_Roo
const unsigned KEYWORD_GROUP_SOURCE = 2;       // Src_Dir Src_Roo
const unsigned KEYWORD_GROUP_DESTINATION = 4;  // Dst_Dir Dst_Roo
const unsigned KEYWORD_GROUP_SYSTEM = 8;       // Win_Dir Win_Roo Sys_Dir Sys_Roo
extern const unsigned PathKeywordGroups[PATH_KEYWORD_COUNT];

// True when the text contains no keyword of a group whose flag is false.
// The text is not changed.
bool CheckPathKeywords(const char* text, bool allowProgram, bool allowSource,
                       bool allowDestination, bool allowSystem);

// Writes the expansion of input into output, which holds capacity bytes
// including the terminating zero; output may be the same buffer as input.
// Values are taken now ("Src_Dir" and "Dst_Dir" from InstallScript, "Ini_Dir"
// from its scriptPath). A backslash right after a keyword is dropped, since
// the value already ends in one. False when the result does not fit, the
// in-place copy cannot be allocated, or a value is unknown ("Ini_Dir" and
// "Ini_Roo" while no script has been located); output is then unusable.
// Allowed groups are not checked here: call CheckPathKeywords first.
bool ExpandPathKeywords(const char* input, char* output, int capacity);
