// Runs another program (mtools) and waits for it.
#pragma once
#include <string>
#include <vector>

// Runs args[0], found on the PATH, with the arguments and the extra
// environment entries ("NAME=value"); its output goes to the caller's.
// Returns its exit code, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& environment);
