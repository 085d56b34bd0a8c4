#include "servicehost/win/ReportingScope.h"

#include "common/AnsiText.h"

namespace velmora::win {

// A service shows no box of its own: a report is an event-log entry only.
ReportingScope::ReportingScope() noexcept : reporting_(&eventLog_, nullptr) { InstallAnsiCodec(&codec_); }

ReportingScope::~ReportingScope() { InstallAnsiCodec(nullptr); }

}  // namespace velmora::win
