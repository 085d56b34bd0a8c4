#pragma once
// What the service program sets up before anything else: reports go to the
// Application log, ANSI text uses the system code page, and the drive
// sources are the machine's own or, when the administrators' registry value
// names a drive-set file, that set (read now, and again at the next request
// after the file changed). Lives for the whole program; the installed
// destinations are taken back when it goes.

#include <optional>
#include <string>

#include "common/DriveSetEnvironment.h"
#include "common/ErrorReport.h"
#include "common/win/ComWmiSource.h"
#include "common/win/EventLogSink.h"
#include "common/win/Win32DeviceIo.h"
#include "common/win/WinAnsiCodec.h"

namespace velmora::win {

class ReportingScope {
public:
    ReportingScope() noexcept;
    ~ReportingScope();
    ReportingScope(const ReportingScope&) = delete;
    ReportingScope& operator=(const ReportingScope&) = delete;

private:
    EventLogSink eventLog_;
    WinAnsiCodec codec_;
    ScopedErrorReporting reporting_;
};

class DriveSources {
public:
    // driveSetPath: the configured drive-set file, if any.
    explicit DriveSources(const std::optional<std::string>& driveSetPath);
    DriveSources(const DriveSources&) = delete;
    DriveSources& operator=(const DriveSources&) = delete;

    [[nodiscard]] WmiSource& Wmi() { return environment_.Wmi(); }
    [[nodiscard]] DeviceIo& Devices() { return environment_.Devices(); }

private:
    ComWmiSource machineWmi_;
    Win32DeviceIo machineDevices_;
    DriveSetEnvironment environment_;
};

}  // namespace velmora::win
