#pragma once
// The service programs' switches: INSTALL, UNINSTALL and SILENT, each
// introduced by '/' or '-', in any letter case, matching a whole argument.
// Anything else on the line is ignored.

namespace velmora {

struct ServiceCommandLine {
    bool Install = false;
    bool Uninstall = false;
    bool Silent = false;
};

// argv[0], the program, is skipped.
[[nodiscard]] ServiceCommandLine ParseServiceCommandLine(int argc, const char* const* argv);

}  // namespace velmora
