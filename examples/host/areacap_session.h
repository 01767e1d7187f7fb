// One run of areacap for one command: areacap.exe is started from this
// program's own directory, the command is posted to its command window as
// soon as that window exists, and the process is followed until it ends.
// The caller polls (a timer), so its own window keeps working meanwhile.
#ifndef EXAMPLES_HOST_AREACAP_SESSION_H
#define EXAMPLES_HOST_AREACAP_SESSION_H

#include <windows.h>

#include <cstddef>

enum class SessionEvent {
    None,                 // nothing new
    CommandPosted,        // the command window appeared and has the command
    EndedBeforeCommand,   // areacap ended before its command window appeared
    NoCommandWindow,      // no command window after the start-up time limit
    Ended,                // areacap ended after it took the command
};

// Starts areacap.exe for command (IDM_PICK_WINDOW or IDM_SELECT_AREA).
// On failure writes the reason into reason (reasonSize bytes) and returns
// false.
bool StartAreacapSession(UINT command, char *reason, size_t reasonSize);
// What happened since the last poll. After EndedBeforeCommand,
// NoCommandWindow or Ended the session is over.
SessionEvent PollAreacapSession();
// Whether a session runs.
bool AreacapSessionActive();
// Forgets the session's process without ending it (the host is closing:
// areacap finishes its mode by itself and its messages then go nowhere).
void ForgetAreacapSession();

#endif
