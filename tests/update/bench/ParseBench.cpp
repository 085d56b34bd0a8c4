// Times ParseUpdateReply on a large adversarial reply: 1 MiB, 256 firmware
// sections with long "applicable" lists, 16 drives that only the last
// section matches (so every drive examines every section). Prints the median
// of several runs, and one run of a plain line-by-line lookup for contrast.
// Build without sanitizers for meaningful figures.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "update/UpdateReplyParser.h"
#include "tests/update/ReferenceReplyLookup.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReplyBytes = 1024 * 1024;
constexpr int kSections = 256;
constexpr int kDrives = 16;
constexpr int kRuns = 51;

std::string Revision(int drive) { return "ZZ" + std::to_string(100000 + drive); }

std::string MakeReply() {
    std::string body = "[file version]\r\nversion=1.0\r\n\r\n[app version]\r\nversion=1.02\r\nurl=http://h/a.exe\r\n\r\n";
    // Each section: a 1 KiB "applicable" list, then short value lines up to
    // its share of the megabyte, so the reply has many lines to walk.
    const std::size_t perSection = (kReplyBytes - body.size()) / kSections;
    for (int n = 1; n <= kSections; ++n) {
        std::string section = "[fw upgrade" + std::to_string(n) + "]\r\napplicable=";
        int filler = 0;
        while (section.size() < 1024) section += "R" + std::to_string(n * 1000 + filler++) + ";";
        if (n == kSections) {
            for (int d = 0; d < kDrives; ++d) section += Revision(d) + ";";
        }
        section += "\r\nurl=http://h/fw/" + std::to_string(n) + ".bin\r\ncurrent=C" + std::to_string(n) + "\r\n";
        for (int k = 0; section.size() + 12 < perSection; ++k) section += "k" + std::to_string(k) + "=v\r\n";
        while (section.size() + 2 < perSection) section += ' ';
        section += "\r\n";
        body += section;
    }
    return body;
}

velmora::DriveTable MakeDrives() {
    velmora::DriveTable drives;
    drives.SetDisksCount(kDrives);
    for (int d = 0; d < kDrives; ++d) {
        drives[d].FirmwareRevision = Revision(d);
        drives[d].Model = "DRIVE " + std::to_string(d);
    }
    return drives;
}

// The entries of a ";" list, cut apart as a naive reader would.
std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> entries;
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        entries.emplace_back(list.substr(0, semicolon));
        list = semicolon == std::string_view::npos ? std::string_view{} : list.substr(semicolon + 1);
    }
    return entries;
}

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main() {
    const std::string reply = MakeReply();
    std::vector<double> times;
    std::size_t offers = 0;
    for (int run = 0; run < kRuns; ++run) {
        velmora::DriveTable drives = MakeDrives();
        std::vector<velmora::update::UpdateOffer> found;
        const auto start = Clock::now();
        velmora::update::ParseUpdateReply(reply, drives, found);
        times.push_back(Milliseconds(Clock::now() - start));
        offers = found.size();
    }
    std::sort(times.begin(), times.end());

    // One pass of the naive reader over the same work: per drive and section,
    // walk every line for "applicable", split it, and look for the revision.
    const std::vector<std::string_view> lines = velmora::update::test_support::ReferenceLines(reply);
    const auto start = Clock::now();
    int matches = 0;
    for (int d = 0; d < kDrives; ++d) {
        for (int n = 1; n <= kSections; ++n) {
            const std::string list =
                velmora::update::test_support::ReferenceLookup(lines, "fw upgrade" + std::to_string(n), "applicable");
            if (list.empty()) break;
            for (const auto& entry : SplitList(list)) {
                if (entry == Revision(d)) ++matches;
            }
        }
    }
    const double naive = Milliseconds(Clock::now() - start);

    std::printf("reply: %zu bytes, %zu lines, %d firmware sections, %d drives, %zu offers\n", reply.size(),
                lines.size(), kSections, kDrives, offers);
    std::printf("ParseUpdateReply: median %.2f ms, min %.2f ms, max %.2f ms over %d runs\n", times[times.size() / 2],
                times.front(), times.back(), kRuns);
    std::printf("line-walk lookups for the same matching: %.1f ms (one run, %d matches)\n", naive, matches);
    return offers == static_cast<std::size_t>(kDrives + 1) ? 0 : 1;
}
