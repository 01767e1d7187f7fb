#include "authoring/distpack/run_program.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

#ifdef _WIN32
// The runtime joins the arguments into one command line with spaces; an
// argument with spaces or quotes is quoted the way the child's runtime
// splits it again (backslashes double only before a quote).
static std::string Quoted(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}
#endif

int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    if (args.empty())
        return -1;
    std::vector<std::string> words;
    for (const std::string& a : args) {
#ifdef _WIN32
        words.push_back(Quoted(a));
#else
        words.push_back(a);
#endif
    }
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
#ifdef _WIN32
    // The C runtime's environment is the one the child inherits.
    for (const std::string& e : environment)
        _putenv(e.c_str());
    intptr_t status = _spawnvp(_P_WAIT, argv[0], argv.data());
    return status == -1 ? -1 : static_cast<int>(status);
#else
    // The child gets the caller's environment with the extra entries in
    // front of any of the same name.
    std::vector<char*> envp;
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    for (char** e = environ; *e != nullptr; ++e) {
        bool replaced = false;
        for (const std::string& mine : environment) {
            size_t n = mine.find('=');
            if (n != std::string::npos && strncmp(*e, mine.c_str(), n + 1) == 0)
                replaced = true;
        }
        if (!replaced)
            envp.push_back(*e);
    }
    envp.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return -1;
    int status;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    if (!WIFEXITED(status))
        return -1;
    // posix_spawnp reports a program that is not found as exit code 127.
    return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
#endif
}
