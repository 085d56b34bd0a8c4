#pragma once
// What a service program sets up before anything else: reports go to the
// Application log and ANSI text uses the system code page. Lives for the
// whole program; the installed destinations are taken back when it goes.

#include "common/ErrorReport.h"
#include "common/win/EventLogSink.h"
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

}  // namespace velmora::win
