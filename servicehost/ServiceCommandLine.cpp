#include "servicehost/ServiceCommandLine.h"

#include <cctype>
#include <string_view>

namespace velmora {
namespace {

bool IsSwitch(std::string_view argument, std::string_view name) {
    if (argument.size() != name.size() + 1) return false;
    if (argument[0] != '/' && argument[0] != '-') return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(argument[i + 1]);
        if (std::toupper(c) != static_cast<unsigned char>(name[i])) return false;
    }
    return true;
}

}  // namespace

ServiceCommandLine ParseServiceCommandLine(int argc, const char* const* argv) {
    ServiceCommandLine line;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        const std::string_view argument(argv[i]);
        line.Install = line.Install || IsSwitch(argument, "INSTALL");
        line.Uninstall = line.Uninstall || IsSwitch(argument, "UNINSTALL");
        line.Silent = line.Silent || IsSwitch(argument, "SILENT");
    }
    return line;
}

}  // namespace velmora
