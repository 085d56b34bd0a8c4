#pragma once
// The seam between the watch's service object and its work. The service
// runs Run on a worker thread of its own and calls RequestSample and Stop on
// the service thread; both must return at once.

namespace velmora::win {

class WatchWork {
public:
    virtual ~WatchWork() = default;
    // The watch's whole work. Returns once Stop has been called, or earlier
    // when the work cannot go on (the service then stops; an exception that
    // escapes is logged and stops it with a failure code).
    virtual void Run() = 0;
    // Take a sample soon (control 128, the console's "watch --now").
    virtual void RequestSample() noexcept = 0;
    // The system time was set, or the machine slept: work out again when
    // the next sample is due.
    virtual void ClockChanged() noexcept {}
    // Return from Run soon. The service waits 500 ms for that, then reports
    // itself stopped and the process ends with the work unfinished.
    virtual void Stop() noexcept = 0;
};

}  // namespace velmora::win
