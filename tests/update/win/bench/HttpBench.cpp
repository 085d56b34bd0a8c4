// Downloads one URL to a file with the HTTP client over Winsock and prints
// the time, the throughput and the process's peak memory.
// Usage: http_bench URL FILE

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>

#include "update/HttpClient.h"
#include "update/win/MessagePump.h"
#include "update/win/WinsockSocket.h"

namespace {

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    static_cast<void>(::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters));
    return counters;
}

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: http_bench URL FILE\n");
        return 2;
    }
    velmora::win::WinsockScope winsock;
    if (!winsock.Ok()) {
        std::fprintf(stderr, "WSAStartup failed: %d\n", winsock.Error());
        return 1;
    }
    velmora::win::WinsockSocketSystem sockets;
    velmora::win::MessagePumpClock clock;
    velmora::StdioFileSinkFactory files;
    velmora::HttpClient client(sockets, clock, files);
    client.InputFileMode = true;
    client.Body = argv[2];
    int lastPercent = -1;
    client.OnPacketRecvd = [&] { lastPercent = velmora::ProgressPercent(client.BytesReceived, client.BytesTotal); };

    const PROCESS_MEMORY_COUNTERS before = Memory();
    const auto start = std::chrono::steady_clock::now();
    try {
        client.Get(argv[1]);
    } catch (const velmora::HttpError& error) {
        std::fprintf(stderr, "download failed: %s\n", error.what());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const PROCESS_MEMORY_COUNTERS after = Memory();
    std::printf("bytes %lld seconds %.3f MiB/s %.1f last_percent %d\n", static_cast<long long>(client.BytesReceived),
                seconds, static_cast<double>(client.BytesReceived) / (1024.0 * 1024.0) / seconds, lastPercent);
    std::printf("peak_working_set_MiB before %.1f after %.1f; peak_pagefile_MiB before %.1f after %.1f\n",
                MiB(before.PeakWorkingSetSize), MiB(after.PeakWorkingSetSize), MiB(before.PeakPagefileUsage),
                MiB(after.PeakPagefileUsage));
    return 0;
}
