// Starts the script's command lines of one stage ("ExeCLin_%02d" entries).
#pragma once

// Starts, in key order, every command line of the stage (1..8) with the
// entry's show mode, after expanding its path keywords. For stages 5 to 8
// each program must end before the next starts or the call returns; no
// window message runs meanwhile. Commands that cannot be expanded, expand
// to nothing or longer than 511 characters, or cannot be started are
// skipped without a message.
void RunCommandLines(int stage);
