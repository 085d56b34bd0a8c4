#pragma once
// A scripted network for the update flow: the reply of the check (or a
// failure), downloads that report progress steps and then succeed or fail,
// and a hook that runs "during the wait" of each request, where a test can
// re-enter the checker or close the window. Records every request.

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "update/UpdateHost.h"
#include "update/UpdateTransport.h"

namespace velmora::fakes {

class FakeUpdateTransport final : public update::UpdateTransport {
public:
    struct DownloadScript {
        std::vector<std::pair<std::int64_t, std::int64_t>> Progress;  // (received, total) steps
        std::string Body = "body";  // written to the file in Disk, when set
        bool Fail = false;
    };

    void SetProxy(const std::string& host, std::int32_t port) override {
        ProxyHost = host;
        ProxyPort = port;
    }
    std::string Fetch(const std::string& url) override {
        FetchedUrls.push_back(url);
        Wait();
        if (FailFetch) throw std::runtime_error("no connection");
        return Reply;
    }
    void Download(const std::string& url, const std::string& path, const update::DownloadProgress& progress,
                  std::uint64_t freeBytes) override {
        Downloads.emplace_back(url, path);
        FreeBytesSeen.push_back(freeBytes);
        const auto script = Scripts.find(url);
        const DownloadScript step = script == Scripts.end() ? DownloadScript{} : script->second;
        if (Disk != nullptr) (*Disk)[path] = step.Body;
        for (const auto& [received, total] : step.Progress) {
            progress(received, total);
            Wait();
        }
        Wait();
        if (step.Fail) throw std::runtime_error("download failed");
    }
    void Abort() noexcept override {
        ++AbortCount;
        aborted_ = true;
    }

    // Scripted answers.
    std::string Reply;
    bool FailFetch = false;
    std::map<std::string, DownloadScript> Scripts;  // by URL
    std::function<void()> DuringWait;         // runs once per wait
    std::map<std::string, std::string>* Disk = nullptr;  // files by path

    // Records.
    std::string ProxyHost = "unset";
    std::int32_t ProxyPort = -1;
    std::vector<std::string> FetchedUrls;
    std::vector<std::pair<std::string, std::string>> Downloads;  // (url, path)
    std::vector<std::uint64_t> FreeBytesSeen;                   // per download
    int AbortCount = 0;

private:
    void Wait() {
        aborted_ = false;
        if (DuringWait) DuringWait();
        if (aborted_) throw std::runtime_error("aborted");
    }

    bool aborted_ = false;
};

class FakeUpdateHostSource final : public update::UpdateHostSource {
public:
    update::UpdateHostSetting ReadUpdateHost() override {
        ++Reads;
        return Setting;
    }
    update::UpdateHostSetting Setting;
    int Reads = 0;
};

}  // namespace velmora::fakes
