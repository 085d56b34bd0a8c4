// SMART_VELMORA_CLI: the toolbox's drive logic for scripts, monitoring
// systems and support engineers. Same code, same drive-set switch as the
// window; reports go to the event log and to standard error.

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <objbase.h>

#include <cstdio>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "drives/OsVersion.h"
#include "drives/RawReport.h"
#include "update/HttpFileSink.h"
#include "update/HttpUpdateTransport.h"
#include "update/UpdateSettings.h"
#include "update/win/MessagePump.h"
#include "update/win/RegistrySettingsStore.h"
#include "update/win/CngCrypto.h"
#include "update/win/RegistryUpdateHost.h"
#include "update/win/RegistryUpdateTrust.h"
#include "update/win/WinsockSocket.h"
#include "drives/win/Win32PipeSystem.h"
#include "cli/CaptureCommand.h"
#include "cli/CommandLine.h"
#include "cli/ForecastCommand.h"
#include "cli/HistoryCommand.h"
#include "cli/MetricsCommand.h"
#include "cli/StatusCommand.h"
#include "cli/UpdatesCommand.h"
#include "cli/WatchNowCommand.h"
#include "cli/win/WatchServiceControl.h"
#include "common/AnsiText.h"
#include "common/DriveSetEnvironment.h"
#include "common/ErrorReport.h"
#include "common/win/ComScope.h"
#include "common/win/ComSecurity.h"
#include "common/win/ComWmiSource.h"
#include "common/win/DriveSetConfig.h"
#include "common/win/EventLogSink.h"
#include "common/win/FileReplacement.h"
#include "common/win/ProgramDataPaths.h"
#include "common/win/Win32DeviceIo.h"
#include "common/win/WinAnsiCodec.h"

namespace {

using namespace velmora;

// The console has no boxes: the entry text goes to standard error.
class StandardErrorNotifier final : public ErrorNotifier {
public:
    void NotifyInternalError(std::string_view entryText) noexcept override {
        std::fwrite(entryText.data(), 1, entryText.size(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
};

// Each write to a console or pipe costs a round trip under Wine, so output
// goes out in one piece.
void WriteAll(std::FILE* stream, const std::string& text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

int RunRaw(const cli::Command& command, WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes) {
    if (auto refused = cli::RefuseUnsupportedOs(wmi)) {
        WriteAll(stderr, refused->Err);
        return refused->ExitStatus;
    }
    const RawReport report = CollectRawReport(wmi, devices, pipes, OSVersionPrefix);
    const std::string bytes = RawReportFileBytes(report.Lines);
    if (command.File) {
        if (!WriteFileBytes(*command.File, bytes)) {
            WriteAll(stderr, "Cannot write the report to " + *command.File + "\n");
            return cli::exit_status::Failure;
        }
    } else {
        WriteAll(stdout, bytes);
    }
    return report.Result == 0 ? cli::exit_status::AllOk : cli::exit_status::Failure;
}

// The health watch's history, UTF-8 as SQLite takes it; empty when the
// system cannot name the common application data folder.
std::string HistoryDatabasePathUtf8() {
    const std::string path = win::HistoryDatabasePath();
    return path.empty() ? path : AnsiToUtf8(path);
}

int WriteOutput(const cli::ConsoleOutput& output) {
    WriteAll(stdout, output.Out);
    WriteAll(stderr, output.Err);
    return output.ExitStatus;
}

// history, forecast and watch --now read a file any user may read: no COM,
// no OS check.
int RunWatchCommand(const cli::Command& command) {
    const std::string path = HistoryDatabasePathUtf8();
    if (path.empty()) {
        WriteAll(stderr, "Cannot find the common application data folder.\n");
        return cli::exit_status::Failure;
    }
    if (command.Kind == cli::CommandKind::WatchNow) {
        cli::win::WatchServiceControl control;
        cli::SystemWatchNowClock clock;
        return WriteOutput(cli::RunWatchNow(control, clock, path));
    }
    if (command.Kind == cli::CommandKind::Forecast) return WriteOutput(cli::RunForecast(path, command.Json));
    cli::HistoryQuery query;
    query.Json = command.Json;
    // The command line is in the system code page, the history in UTF-8.
    if (command.Drive) query.SerialNumber = AnsiToUtf8(*command.Drive);
    if (command.Since) query.Since = *command.Since;
    return WriteOutput(cli::RunHistory(path, query));
}

int Run(const std::vector<std::string>& arguments) {
    const cli::ParseResult parsed = cli::ParseCommandLine(arguments);
    if (!parsed.Parsed) {
        WriteAll(stderr, "SMART_VELMORA_CLI: " + parsed.Error + "\n\n" + cli::UsageText());
        return cli::exit_status::Failure;
    }
    const cli::Command& command = *parsed.Parsed;
    if (command.Kind == cli::CommandKind::Help) {
        WriteAll(stdout, cli::UsageText());
        return cli::exit_status::AllOk;
    }
    if (command.Kind == cli::CommandKind::History || command.Kind == cli::CommandKind::Forecast ||
        command.Kind == cli::CommandKind::WatchNow)
        return RunWatchCommand(command);

    win::ComScope com(COINIT_APARTMENTTHREADED);
    // As the window does, once per process and before any COM object:
    // packet authentication, impersonation. A failure is not fatal for a
    // console run; WMI then uses the defaults.
    (void)win::InitializeComSecurity();
    win::ComWmiSource realWmi;
    win::Win32DeviceIo realDevices;
    DriveSetEnvironment environment(win::ReadSimulatedDrivesSetting(), realWmi, realDevices);
    win::Win32PipeSystem pipes;

    switch (command.Kind) {
    case cli::CommandKind::Status: {
        const cli::ConsoleOutput output = cli::RunStatus(environment.Wmi(), environment.Devices(), pipes, command.Json);
        WriteAll(stdout, output.Out);
        WriteAll(stderr, output.Err);
        return output.ExitStatus;
    }
    case cli::CommandKind::Raw:
        return RunRaw(command, environment.Wmi(), environment.Devices(), pipes);
    case cli::CommandKind::Capture: {
        const cli::ConsoleOutput output = cli::RunCapture(environment.Wmi(), environment.Devices(), pipes);
        if (output.ExitStatus == cli::exit_status::AllOk && !WriteFileBytes(*command.File, output.Out)) {
            WriteAll(stderr, "Cannot write the drive set to " + *command.File + "\n");
            return cli::exit_status::Failure;
        }
        WriteAll(stderr, output.Err);
        return output.ExitStatus;
    }
    case cli::CommandKind::Updates: {
        // The user's settings as the toolbox stored them; nothing is written.
        update::win::RegistrySettingsStore store;
        const update::StoredSettings settings = update::ReadSettingsReadOnly(store);
        win::WinsockScope winsock;
        win::WinsockSocketSystem sockets;
        win::MessagePumpClock clock;
        StdioFileSinkFactory files;
        update::HttpUpdateTransport transport(sockets, clock, files);
        update::win::RegistryUpdateHost hosts;
        update::win::RegistryUpdateTrust trust;
        win::CngUpdateCrypto crypto;
        const cli::OfferSources sources{transport, hosts, trust, crypto};
        const cli::ConsoleOutput output =
            cli::RunUpdates(environment.Wmi(), environment.Devices(), sources, settings.Proxy, command.Json);
        WriteAll(stdout, output.Out);
        WriteAll(stderr, output.Err);
        return output.ExitStatus;
    }
    case cli::CommandKind::Metrics: {
        const cli::ConsoleOutput output = cli::RunMetrics(environment.Wmi(), environment.Devices(), pipes,
                                                          HistoryDatabasePathUtf8(), std::time(nullptr));
        if (command.File && output.ExitStatus != cli::exit_status::Failure) {
            // Replaced in one step, as the watch does, for a collector that may read it any time.
            const std::string error = win::ReplaceFileContents(*command.File, output.Out);
            if (!error.empty()) {
                WriteAll(stderr, "Cannot write the metrics: " + error + "\n");
                return cli::exit_status::Failure;
            }
            WriteAll(stderr, output.Err);
            return output.ExitStatus;
        }
        return WriteOutput(output);
    }
    case cli::CommandKind::History:
    case cli::CommandKind::Forecast:
    case cli::CommandKind::WatchNow:
    case cli::CommandKind::Help:
        break;
    }
    return cli::exit_status::AllOk;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    static const win::WinAnsiCodec codec;
    InstallAnsiCodec(&codec);
    static win::EventLogSink eventLog;
    static StandardErrorNotifier notifier;
    InstallEventSink(&eventLog);
    InstallErrorNotifier(&notifier);
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        WriteAll(stderr, std::string("SMART_VELMORA_CLI: ") + error.what() + "\n");
    } catch (...) {
        WriteAll(stderr, "SMART_VELMORA_CLI: unexpected failure\n");
    }
    return cli::exit_status::Failure;
}
