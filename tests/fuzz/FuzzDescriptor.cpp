// The storage device descriptor as a device returns it: the string decoder
// on any bytes, offsets and lengths, and the descriptor query over a device
// that answers with those bytes. The query must use only the bytes the
// device said it returned: the same answer with different bytes after it in
// the buffer gives the same drive.
//
// Input: a mode byte, a 32-bit string offset, a length byte, the descriptor.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "drives/DriveEnumeration.h"
#include "drives/StorageDescriptorDecode.h"
#include "common/DeviceIo.h"
#include "common/PipeRecords.h"
#include "tests/fuzz/FuzzCheck.h"

namespace velmora {
namespace {

namespace mode {
constexpr std::uint8_t OverstatedLength = 0x01;  // the device claims more bytes than the buffer holds
constexpr std::uint8_t Windows7 = 0x02;
constexpr std::uint8_t OffsetInside = 0x04;      // the offset is taken modulo the descriptor's size
constexpr std::uint8_t FailQuery = 0x08;
}  // namespace mode

// Answers the query with the given bytes and fills the rest of the buffer
// with one byte value, as stale memory would.
class AnsweringDevices final : public DeviceIo {
public:
    AnsweringDevices(std::span<const std::uint8_t> answer, std::uint8_t tail, bool overstate, bool fail)
        : answer_(answer), tail_(tail), overstate_(overstate), fail_(fail) {}

    std::unique_ptr<Device> Open(const std::string&, DeviceAccess access, std::uint32_t& error) override {
        FUZZ_CHECK(access == DeviceAccess::None);
        error = 0;
        return std::make_unique<AnsweringDevice>(*this);
    }

private:
    class AnsweringDevice final : public Device {
    public:
        explicit AnsweringDevice(const AnsweringDevices& owner) : owner_(owner) {}
        IoResult QueryProperty(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) override {
            FUZZ_CHECK(input.size() >= property_query::HeaderSize);
            if (owner_.fail_) return {false, 0, 1};
            const std::size_t count = std::min(owner_.answer_.size(), output.size());
            std::copy_n(owner_.answer_.begin(), count, output.begin());
            std::fill(output.begin() + static_cast<std::ptrdiff_t>(count), output.end(), owner_.tail_);
            return {true, owner_.overstate_ ? 0xFFFFFFF0u : static_cast<std::uint32_t>(count), 0};
        }

    private:
        const AnsweringDevices& owner_;
    };

    std::span<const std::uint8_t> answer_;
    std::uint8_t tail_;
    bool overstate_;
    bool fail_;
};

bool AllPrintable(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

struct Outcome {
    bool Replaced = false;
    DriveInfo Drive;
};

Outcome Query(std::span<const std::uint8_t> answer, std::uint8_t tail, std::uint8_t flags) {
    AnsweringDevices devices(answer, tail, (flags & mode::OverstatedLength) != 0, (flags & mode::FailQuery) != 0);
    Outcome outcome;
    outcome.Drive.DeviceID = "\\\\.\\PHYSICALDRIVE0";
    outcome.Drive.Model = "OLD MODEL";
    outcome.Drive.SerialNumber = "OLDSERIAL";
    outcome.Drive.FirmwareRevision = "OLDFW";
    outcome.Drive.InterfaceType = -7;
    outcome.Replaced = QueryStorageDescriptor(outcome.Drive, devices, (flags & mode::Windows7) ? "6.1" : "10.");
    const DriveInfo& drive = outcome.Drive;
    FUZZ_CHECK(drive.Model.size() <= kModelMaxLength && AllPrintable(drive.Model));
    FUZZ_CHECK(drive.SerialNumber.size() <= kSerialMaxLength && AllPrintable(drive.SerialNumber));
    FUZZ_CHECK(drive.FirmwareRevision.size() <= kFirmwareMaxLength && AllPrintable(drive.FirmwareRevision));
    if (flags & mode::FailQuery) FUZZ_CHECK(drive.InterfaceType == -7);
    else FUZZ_CHECK(drive.InterfaceType >= kInterfaceUnknown && drive.InterfaceType <= kInterfaceUsb);
    if (!outcome.Replaced) {
        FUZZ_CHECK(drive.Model == "OLD MODEL" && drive.SerialNumber == "OLDSERIAL" && drive.FirmwareRevision == "OLDFW");
    }
    return outcome;
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    auto offset = static_cast<std::int32_t>(input.Le32());
    const auto maxLength = static_cast<int>(static_cast<std::int8_t>(input.Byte()));
    // An exact copy, so AddressSanitizer sees any read past the descriptor.
    const auto rest = input.Rest();
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[rest.size()]);
    std::copy(rest.begin(), rest.end(), copy.get());
    const std::span<const std::uint8_t> descriptor(copy.get(), rest.size());
    if (flags & mode::OffsetInside) {
        offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(offset) % (descriptor.size() + 2));
    }

    const std::string text = DecodeDescriptorString(descriptor, offset, maxLength);
    if (maxLength <= 0 || offset <= 0) FUZZ_CHECK(text.empty());
    FUZZ_CHECK(text.size() <= static_cast<std::size_t>(std::max(maxLength, 0)));
    FUZZ_CHECK(AllPrintable(text));

    const Outcome zeros = Query(descriptor, 0x00, flags);
    if (flags & mode::OverstatedLength) return 0;  // then the stale bytes count as returned
    for (const std::uint8_t tail : {std::uint8_t{0xFF}, std::uint8_t{'0'}, std::uint8_t{'A'}}) {
        const Outcome other = Query(descriptor, tail, flags);
        FUZZ_CHECK(other.Replaced == zeros.Replaced);
        FUZZ_CHECK(other.Drive.Model == zeros.Drive.Model);
        FUZZ_CHECK(other.Drive.SerialNumber == zeros.Drive.SerialNumber);
        FUZZ_CHECK(other.Drive.FirmwareRevision == zeros.Drive.FirmwareRevision);
        FUZZ_CHECK(other.Drive.InterfaceType == zeros.Drive.InterfaceType);
    }
    return 0;
}
