// The Program Manager step: after a successful installation, asks Program
// Manager (through DDE on the main window) for its groups, lets the user
// choose a group in the "InstProg" dialog and adds the selected program items.
#pragma once
#include <windows.h>

// Runs the step. False when it did not take place (no items, none selected,
// no group list from Program Manager, or a dialog that cannot be created,
// which is reported first); true when the dialog was shown, whatever the
// user chose.
bool RunProgramManagerStep();

// Called by the main window procedure first, for every message it receives;
// acts only on the DDE replies of a running conversation.
void HandleDdeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A program item is added when its check-box number is 0 or that check box
// is checked.
bool IsProgramItemSelected(int itemIndex);
bool AnyProgramItemSelected();

// The command strings sent to Program Manager, built into a buffer of the
// given capacity; false when the text does not fit.
bool FormatCreateGroup(char* out, size_t capacity, const char* group);
bool FormatReplaceItem(char* out, size_t capacity, const char* description);
bool FormatAddItem(char* out, size_t capacity, const char* commandLine, const char* description);

// Splits a group list ("name\r\n" lines) into names of at most 63 characters;
// calls add for each. Text after the last "\r\n" is not used.
void ForEachGroupName(const char* list, void (*add)(const char* name, void* context), void* context);

// Test seams: the service name of the conversation (its application and
// topic; the item stays "PROGMAN"), "PROGMAN" unless set, and the time-out
// of each reply, 10000 ms unless set. Null and 0 restore the defaults.
void SetDdeServiceName(const char* name);
void SetDdeReplyTimeout(DWORD milliseconds);
// Test seam: called with each command block before it is posted (null: none),
// so that a test can see that every block is freed.
void SetDdeCommandObserver(void (*observer)(HGLOBAL block));
