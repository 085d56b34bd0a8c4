#include "app/win/WorkerSources.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/WmiTable.h"

namespace velmora::win {

namespace {

// What a seam that carries a system error reports for a call given up on.
constexpr std::uint32_t kTimedOut = ERROR_SEM_TIMEOUT;

// A buffer the call owns: the caller's bytes go in before it and come back
// after it, so a call given up on never writes into a frame that is gone.
using SharedBytes = std::shared_ptr<std::vector<std::uint8_t>>;

SharedBytes CopyOf(std::span<const std::uint8_t> bytes) {
    return std::make_shared<std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
}

// Closing a device or a pipe handle does not wait for the other end, so the
// wrappers close on the window thread, or, after a call given up on, on its
// worker once that call has returned.
class WorkerDevice final : public Device {
public:
    WorkerDevice(std::unique_ptr<Device> inner, WorkerCalls& calls) : inner_(std::move(inner)), calls_(calls) {}
    // Input and output share one buffer when the caller's do.
    [[nodiscard]] IoResult QueryProperty(std::span<const std::uint8_t> input,
                                         std::span<std::uint8_t> output) override {
        const bool same = input.data() == output.data();
        const SharedBytes out = CopyOf(output);
        const SharedBytes in = same ? out : CopyOf(input);
        const auto result = std::make_shared<IoResult>();
        try {
            calls_.Run([device = inner_, in, out, result, inSize = input.size()] {
                *result = device->QueryProperty(std::span<const std::uint8_t>(in->data(), inSize), *out);
            });
        } catch (const WorkerCallTimedOut&) {
            return {false, 0, kTimedOut};
        }
        std::copy(out->begin(), out->end(), output.begin());
        return *result;
    }

private:
    std::shared_ptr<Device> inner_;
    WorkerCalls& calls_;
};

class WorkerPipeConnection final : public PipeConnection {
public:
    WorkerPipeConnection(std::unique_ptr<PipeConnection> inner, WorkerCalls& calls)
        : inner_(std::move(inner)), calls_(calls) {}
    [[nodiscard]] PipeIoResult SetReadModeByte() override {
        return Step([](PipeConnection& pipe) { return pipe.SetReadModeByte(); }).value_or(kStepTimedOut);
    }
    [[nodiscard]] PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
        return Step([sent = CopyOf(bytes)](PipeConnection& pipe) { return pipe.Write(*sent); }).value_or(kStepTimedOut);
    }
    [[nodiscard]] PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t timeoutMs) override {
        const SharedBytes received = CopyOf(bytes);
        const auto result = Step([received, timeoutMs](PipeConnection& pipe) { return pipe.Read(*received, timeoutMs); });
        if (!result) return kStepTimedOut;
        std::copy(received->begin(), received->end(), bytes.begin());
        return *result;
    }

private:
    static constexpr PipeIoResult kStepTimedOut{false, 0, kTimedOut};

    // The step's result; none when the worker gave up on it.
    template <typename Transfer>
    std::optional<PipeIoResult> Step(Transfer transfer) {
        const auto result = std::make_shared<PipeIoResult>();
        try {
            calls_.Run([pipe = inner_, transfer, result] { *result = transfer(*pipe); });
        } catch (const WorkerCallTimedOut&) {
            return std::nullopt;
        }
        return *result;
    }

    std::shared_ptr<PipeConnection> inner_;
    WorkerCalls& calls_;
};

}  // namespace

int WorkerWmiSource::Execute(std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) {
    struct Query {
        Query(std::u16string_view nameSpace, std::u16string_view className, WmiSource& source)
            : NameSpace(nameSpace), ClassName(className), Answer(source) {}
        std::u16string NameSpace;
        std::u16string ClassName;
        WmiTable Answer;
        int Result = wmi_result::Ok;
    };
    const auto query = std::make_shared<Query>(nameSpace, className, *inner_);
    try {
        calls_.Run([source = inner_, query] {
            query->Result = source->Execute(query->NameSpace, query->ClassName, query->Answer);
        });
    } catch (const WorkerCallTimedOut&) {
        return wmi_result::QueryFailed;
    }
    // Appended as the source appends, partial answers of a failure included.
    for (WmiVariant& column : query->Answer.Columns) table.Columns.push_back(std::move(column));
    for (auto& row : query->Answer.Rows) table.Rows.push_back(std::move(row));
    return query->Result;
}

std::unique_ptr<Device> WorkerDeviceIo::Open(const std::string& path, DeviceAccess access, std::uint32_t& error) {
    struct Opening {
        std::unique_ptr<Device> Opened;
        std::uint32_t Error;
    };
    const auto opening = std::make_shared<Opening>(Opening{nullptr, error});
    try {
        calls_.Run([devices = inner_, opening, path, access] {
            opening->Opened = devices->Open(path, access, opening->Error);
        });
    } catch (const WorkerCallTimedOut&) {
        error = kTimedOut;
        return nullptr;
    }
    error = opening->Error;
    if (!opening->Opened) return nullptr;
    return std::make_unique<WorkerDevice>(std::move(opening->Opened), calls_);
}

std::unique_ptr<PipeConnection> WorkerPipeSystem::Open(std::uint32_t& error) {
    struct Opening {
        std::unique_ptr<PipeConnection> Connection;
        std::uint32_t Error;
    };
    const auto opening = std::make_shared<Opening>(Opening{nullptr, error});
    try {
        calls_.Run([pipes = inner_, opening] { opening->Connection = pipes->Open(opening->Error); });
    } catch (const WorkerCallTimedOut&) {
        error = kTimedOut;
        return nullptr;
    }
    error = opening->Error;
    if (!opening->Connection) return nullptr;
    return std::make_unique<WorkerPipeConnection>(std::move(opening->Connection), calls_);
}

bool WorkerPipeSystem::WaitForPipe(std::uint32_t timeoutMs, std::uint32_t& error) {
    struct Waiting {
        bool Free;
        std::uint32_t Error;
    };
    const auto waiting = std::make_shared<Waiting>(Waiting{false, error});
    try {
        calls_.Run([pipes = inner_, waiting, timeoutMs] { waiting->Free = pipes->WaitForPipe(timeoutMs, waiting->Error); },
                   timeoutMs);
    } catch (const WorkerCallTimedOut&) {
        error = kTimedOut;
        return false;
    }
    error = waiting->Error;
    return waiting->Free;
}

}  // namespace velmora::win
