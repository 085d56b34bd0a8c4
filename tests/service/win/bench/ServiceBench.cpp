// Sequential exchanges against the running service, as the toolbox makes
// them (open, request, reply, close), timed one by one. Prints exchanges per
// second and the 50th and 99th percentile latency, and appends each
// latency (ms, one a line) to the latency file when one is named, so that
// the script can pool rounds. Not a test: run it with
// scripts/bench-service.sh, which installs the service with a drive set and
// runs the floor (service_floor) in turn with it.
//
//   service_bench [count] [interface type] [drive number] [instance name] [latency file]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/PipeRecords.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace {

double Milliseconds(LONGLONG ticks, LONGLONG frequency) {
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency);
}

double Percentile(const std::vector<double>& sorted, double fraction) {
    if (sorted.empty()) return 0.0;
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora;
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const char* latencyFile = argc > 5 ? argv[5] : nullptr;
    PipeRequest request;
    request.InterfaceType = argc > 2 ? std::atoi(argv[2]) : kInterfaceSata;
    request.DriveNumber = argc > 3 ? std::atoi(argv[3]) : 0;
    request.InstanceName = argc > 4 ? argv[4] : "SCSI\\DISK&VEN_VELMORA&PROD_R730";
    if (count <= 0) {
        std::fprintf(stderr, "count must be positive\n");
        return 2;
    }
    const RequestBytes bytes = request.Encode();

    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(count));
    int failed = 0;
    int dataValid = 0;
    LARGE_INTEGER begin;
    ::QueryPerformanceCounter(&begin);
    for (int i = 0; i < count; ++i) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        ::QueryPerformanceCounter(&start);
        const testing::Exchange exchange = testing::ExchangeWithService(std::span<const std::uint8_t>(bytes), 30000);
        ::QueryPerformanceCounter(&end);
        if (exchange.ReplyLength != PIPE_REPLY_SIZE || !ReplyChecksumOk(exchange.Reply.data(), exchange.Reply.size())) {
            ++failed;
            continue;
        }
        if (PipeReply::Decode(exchange.Reply).DataValid == 1) ++dataValid;
        latencies.push_back(Milliseconds(end.QuadPart - start.QuadPart, frequency.QuadPart));
    }
    LARGE_INTEGER finish;
    ::QueryPerformanceCounter(&finish);
    const double totalMs = Milliseconds(finish.QuadPart - begin.QuadPart, frequency.QuadPart);
    if (latencyFile != nullptr) {
        std::FILE* file = std::fopen(latencyFile, "a");
        if (file == nullptr) {
            std::fprintf(stderr, "cannot open %s\n", latencyFile);
            return 2;
        }
        for (double latency : latencies) std::fprintf(file, "%.4f\n", latency);
        std::fclose(file);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("exchanges %d, failed %d, with data %d\n", count, failed, dataValid);
    std::printf("total %.0f ms, %.0f exchanges/s\n", totalMs, 1000.0 * count / totalMs);
    std::printf("latency p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", Percentile(latencies, 0.50),
                Percentile(latencies, 0.99), latencies.empty() ? 0.0 : latencies.back());
    return failed == 0 ? 0 : 1;
}
