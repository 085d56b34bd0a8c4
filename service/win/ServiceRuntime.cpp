#include "service/win/ServiceRuntime.h"

#include "common/AnsiText.h"

namespace velmora::win {

// The service shows no box of its own: a report is an event-log entry only.
ReportingScope::ReportingScope() noexcept : reporting_(&eventLog_, nullptr) { InstallAnsiCodec(&codec_); }

ReportingScope::~ReportingScope() { InstallAnsiCodec(nullptr); }

DriveSources::DriveSources(const std::optional<std::string>& driveSetPath)
    : environment_(driveSetPath, machineWmi_, machineDevices_) {}

}  // namespace velmora::win
