#include "servicehost/win/ServiceProgram.h"

#include <exception>
#include <string>

#include "common/ErrorReport.h"
#include "servicehost/ServiceCommandLine.h"
#include "servicehost/win/ReportingScope.h"

namespace velmora::win {

namespace {

void LogStartFailure(const char* message) noexcept {
    try {
        WriteEventLog(std::string("Service failed on start: ") + message);
    } catch (...) {
    }
}

}  // namespace

int RunServiceProgram(int argc, char** argv, const ServiceSettings& settings, PreInstallStep prepare,
                      const std::function<int()>& runService) noexcept {
    ReportingScope reporting;
    try {
        const ServiceCommandLine line = ParseServiceCommandLine(argc, argv);
        if (line.Install || line.Uninstall) {
            MessageBoxUi ui;
            return RunInstallerCommand(line, settings, ModulePath(), ui, prepare);
        }
        return runService();
    } catch (const std::exception& e) {
        LogStartFailure(e.what());
    } catch (...) {
        LogStartFailure(kUnknownExceptionText);
    }
    return 1;
}

}  // namespace velmora::win
