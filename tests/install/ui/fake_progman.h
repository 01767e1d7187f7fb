// A stand-in for Program Manager: a hidden top-level window on its own
// thread that answers the installer's DDE conversation (initiate, request,
// execute, terminate) and logs what it receives.
//
// Wine's own shell also answers the service "PROGMAN", and when several
// servers answer an initiate the installer keeps the last one, which depends
// on the order of the broadcast. The fake server therefore answers under a
// service name of its own, which the tests give the installer through its
// test seam (SetDdeServiceName); Wine's shell does not answer that name, so
// the fake server is the only one. The item of the group request is still
// "PROGMAN", and the server logs the item that it receives.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct FakeProgmanSetup {
    std::string service = "TarvoTestProgman";
    int initiatesAnswered = 1000;  // later initiates get no answer
    bool answerRequest = true;     // false: the group request gets no reply
    WORD dataFormat = CF_TEXT;     // clipboard format of the data sent back
    std::string groups = "Accessories\r\nMain\r\n";
    int silentExecute = 0;       // this execute (counted from 1) gets no reply
    int terminatingExecute = 0;  // this execute is answered by ending the conversation
    DWORD executeAckDelay = 0;   // ms by which each execute's acknowledgement is late
    // The installer's terminate is first answered by an acknowledgement that
    // carries an atom of the server's own, as a stray late one would.
    bool strayAckOnTerminate = false;
};

// One logged event: "initiate", "request <ITEM> <format>", "ack <status in
// hex>" (the installer's answer to the data), "execute <command>",
// "terminate"; with the tick count at which it arrived. When the server
// stops it adds "kept <command>" for each command block that the installer
// still holds and "own atom deleted" when the installer deleted the atom of
// the stray acknowledgement.
struct FakeProgmanEvent {
    std::string text;
    DWORD tick;
};

// Starts the server and points the installer's conversation at its service
// name; false when the window could not be made.
bool StartFakeProgman(const FakeProgmanSetup& setup);
// Lets the server handle everything already posted to it, ends its thread,
// restores the installer's service name and returns the log.
std::vector<FakeProgmanEvent> StopFakeProgman();
std::vector<std::string> EventTexts(const std::vector<FakeProgmanEvent>& events);
