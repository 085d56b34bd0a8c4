#include "watch/win/SamplingWork.h"

#include <memory>
#include <optional>

#include "common/AnsiText.h"
#include "common/DriveSetEnvironment.h"
#include "common/win/ComScope.h"
#include "common/win/ComSecurity.h"
#include "common/win/ComWmiSource.h"
#include "common/win/DriveSetConfig.h"
#include "common/win/ProgramDataPaths.h"
#include "common/win/Win32DeviceIo.h"
#include "drives/win/Win32PipeSystem.h"
#include "watch/DriveSampler.h"

namespace velmora::win {

namespace {

// How long the first sample waits for the data service's pipe to appear.
constexpr ULONGLONG kDataServiceWaitMs = 30000;
constexpr DWORD kPipeCheckMs = 100;

// Everything a sample needs on the worker thread, in the order it must be
// made: COM first (WMI's objects belong to this thread), then its security,
// which a service process sets once before any COM object exists.
class WorkerSampler final : public watch::DriveSampler {
public:
    explicit WorkerSampler(watch::WatchClock& clock)
        : com_(COINIT_MULTITHREADED),
          security_(InitializeComSecurity()),
          drives_(ReadSimulatedDrivesSetting(), machineWmi_, machineDevices_),
          sampler_(drives_.Wmi(), drives_.Devices(), pipes_, clock) {}

    [[nodiscard]] watch::SampleOutcome Sample(const std::atomic<bool>& stop) override {
        if (first_) WaitForDataService(stop);
        first_ = false;
        return sampler_.Sample(stop);
    }

private:
    // When the system starts, the data service may report itself running
    // before its pipe exists (and Wine starts both at once): the first sample
    // waits for the pipe, so a start does not make every drive UNKNOWN for
    // one sample. A data service that never comes still gets its sample.
    void WaitForDataService(const std::atomic<bool>& stop) {
        const ULONGLONG deadline = ::GetTickCount64() + kDataServiceWaitMs;
        std::uint32_t error = 0;
        while (!stop && ::GetTickCount64() < deadline) {
            // Present, free or busy: only a missing pipe is worth waiting for.
            if (pipes_.WaitForPipe(kPipeCheckMs, error) || error != ERROR_FILE_NOT_FOUND) return;
            ::Sleep(kPipeCheckMs);
        }
    }

    bool first_ = true;
    ComScope com_;
    HRESULT security_;
    ComWmiSource machineWmi_;
    Win32DeviceIo machineDevices_;
    DriveSetEnvironment drives_;
    Win32PipeSystem pipes_;
    watch::SourcesSampler sampler_;
};

}  // namespace

SamplingWork::SamplingWork(watch::LoadedSettings settings)
    // The database path is in the system code page; SQLite takes UTF-8.
    : SamplingWork(std::move(settings), systemClock_, AnsiToUtf8(HistoryDatabasePath())) {}

SamplingWork::SamplingWork(watch::LoadedSettings settings, watch::WatchClock& clock, const std::string& databasePath)
    : clock_(clock),
      store_(databasePath),
      alerts_(settings.Settings.AlertCommand, events_),
      runner_(std::move(settings), watch::WatchParts{clock_, store_, events_, alerts_, metrics_,
                                                     [this] { return std::make_unique<WorkerSampler>(clock_); }}) {}

}  // namespace velmora::win
