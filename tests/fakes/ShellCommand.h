#pragma once
// Runs a command of a real tool the test checks against (promtool, openssl)
// through the shell, natively only.

#include <cstdio>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace velmora::testing {

struct ShellResult {
    std::string Output;  // standard output and standard error
    int ExitStatus = -1;
};

inline ShellResult RunShell(const std::string& command) {
    ShellResult result;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) result.Output += buffer;
    const int status = ::pclose(pipe);
    result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace velmora::testing
