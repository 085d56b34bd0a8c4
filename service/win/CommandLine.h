#pragma once
// The service program's switches: INSTALL, UNINSTALL and SILENT, each
// introduced by '/' or '-', in any letter case, matching a whole argument.
// Anything else on the line is ignored.

namespace velmora::win {

struct CommandLine {
    bool Install = false;
    bool Uninstall = false;
    bool Silent = false;
};

// argv[0], the program, is skipped.
[[nodiscard]] CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace velmora::win
