#include "app/win/WorkerSources.h"

namespace velmora::win {

namespace {

// Closing a device or a pipe handle does not wait for the other end, so the
// wrappers close on the window thread.
class WorkerDevice final : public Device {
public:
    WorkerDevice(std::unique_ptr<Device> inner, WorkerCalls& calls) noexcept
        : inner_(std::move(inner)), calls_(calls) {}
    [[nodiscard]] IoResult QueryProperty(std::span<const std::uint8_t> input,
                                         std::span<std::uint8_t> output) override {
        IoResult result;
        calls_.Run([&] { result = inner_->QueryProperty(input, output); });
        return result;
    }

private:
    std::unique_ptr<Device> inner_;
    WorkerCalls& calls_;
};

class WorkerPipeConnection final : public PipeConnection {
public:
    WorkerPipeConnection(std::unique_ptr<PipeConnection> inner, WorkerCalls& calls) noexcept
        : inner_(std::move(inner)), calls_(calls) {}
    [[nodiscard]] PipeIoResult SetReadModeByte() override {
        PipeIoResult result;
        calls_.Run([&] { result = inner_->SetReadModeByte(); });
        return result;
    }
    [[nodiscard]] PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
        PipeIoResult result;
        calls_.Run([&] { result = inner_->Write(bytes); });
        return result;
    }
    [[nodiscard]] PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t timeoutMs) override {
        PipeIoResult result;
        calls_.Run([&] { result = inner_->Read(bytes, timeoutMs); });
        return result;
    }

private:
    std::unique_ptr<PipeConnection> inner_;
    WorkerCalls& calls_;
};

}  // namespace

int WorkerWmiSource::Execute(std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) {
    int result = wmi_result::Ok;
    calls_.Run([&] { result = inner_.Execute(nameSpace, className, table); });
    return result;
}

std::unique_ptr<Device> WorkerDeviceIo::Open(const std::string& path, DeviceAccess access, std::uint32_t& error) {
    std::unique_ptr<Device> device;
    calls_.Run([&] { device = inner_.Open(path, access, error); });
    if (!device) return nullptr;
    return std::make_unique<WorkerDevice>(std::move(device), calls_);
}

std::unique_ptr<PipeConnection> WorkerPipeSystem::Open(std::uint32_t& error) {
    std::unique_ptr<PipeConnection> connection;
    calls_.Run([&] { connection = inner_.Open(error); });
    if (!connection) return nullptr;
    return std::make_unique<WorkerPipeConnection>(std::move(connection), calls_);
}

bool WorkerPipeSystem::WaitForPipe(std::uint32_t timeoutMs, std::uint32_t& error) {
    bool free = false;
    calls_.Run([&] { free = inner_.WaitForPipe(timeoutMs, error); });
    return free;
}

}  // namespace velmora::win
