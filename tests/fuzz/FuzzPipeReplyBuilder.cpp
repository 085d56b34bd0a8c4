// The service's answer to any 520-byte request, against a machine whose WMI
// rows and NVMe device answers also come from the input: every reply is
// sealed (its bytes sum to zero), DataLength stays in 0..4096 and the flags
// are 0 or 1. Shorter inputs are no request and are skipped.
//
// Input: the 520-byte request, a byte of failure switches, a byte choosing
// the shape of the WMI cells, then bytes used both as the device's answer
// and as the VendorSpecific elements.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "common/PipeRecords.h"
#include "common/WmiVariant.h"
#include "service/FailurePredict.h"
#include "service/PipeReplyBuilder.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fuzz/FuzzCheck.h"

namespace velmora {
namespace {

constexpr char16_t kDiskName[] = u"SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000_0";

namespace machine {
constexpr std::uint8_t OpenFails = 0x01;
constexpr std::uint8_t QueryFails = 0x02;
constexpr std::uint8_t ReturnsNothing = 0x04;
constexpr std::uint8_t StatusQueryFails = 0x08;
constexpr std::uint8_t DataQueryFails = 0x10;
constexpr std::uint8_t VendorNotArray = 0x20;
constexpr std::uint8_t ElementsOfAnyType = 0x40;
constexpr std::uint8_t RowForRequest = 0x80;  // the second row is named after the request
}  // namespace machine

// A flag cell as a driver might give it: usually a boolean, sometimes not.
WmiVariant FlagCell(std::uint8_t shape, bool value) {
    switch (shape % 5) {
    case 0: case 1: return WmiVariant::Bool(value);
    case 2: return WmiVariant::Int32(value ? 7 : 0);
    case 3: return WmiVariant::Text(value ? u"1" : u"x");
    default: return WmiVariant::Null();
    }
}

WmiVariant Element(std::uint8_t byte, bool anyType) {
    if (!anyType) return WmiVariant::Integer(vt::UI1, byte);
    switch (byte % 6) {
    case 0: return WmiVariant::Text(u"12");
    case 1: return WmiVariant::Real(byte * 1.5);
    case 2: return WmiVariant::Null();
    case 3: return WmiVariant::Integer(vt::I4, -byte * 1000);
    default: return WmiVariant::Integer(vt::UI1, byte);
    }
}

void SetUpMachine(fakes::FakeWmiSource& wmi, fakes::FakeDeviceIo& devices, const PipeRequest& request,
                  std::uint8_t switches, std::uint8_t shape, std::span<const std::uint8_t> rest) {
    devices.OpenError = (switches & machine::OpenFails) ? 2 : 0;
    devices.QueryError = (switches & machine::QueryFails) ? 31 : 0;
    devices.ReturnNothing = (switches & machine::ReturnsNothing) != 0;
    devices.Output.assign(rest.begin(), rest.end());

    const std::u16string second =
        (switches & machine::RowForRequest) ? AnsiToUtf16(request.InstanceName) + u"_0" : u"IDE\\OTHER_0";
    fakes::FakeClass status{{u"InstanceName", u"Active", u"PredictFailure"}, {}, 0};
    status.Rows.push_back({WmiVariant::Text(kDiskName), FlagCell(shape, true), FlagCell(shape >> 3, false)});
    status.Rows.push_back({WmiVariant::Text(second), FlagCell(shape >> 1, false), FlagCell(shape >> 2, true)});
    if (switches & machine::StatusQueryFails) status.Result = wmi_result::QueryFailed;

    std::vector<WmiVariant> elements;
    for (const std::uint8_t byte : rest) elements.push_back(Element(byte, (switches & machine::ElementsOfAnyType) != 0));
    const WmiVariant vendor = (switches & machine::VendorNotArray)
                                  ? WmiVariant::Text(u"not an array")
                                  : WmiVariant::Array(vt::UI1, static_cast<std::int32_t>(shape) - 128, std::move(elements));
    fakes::FakeClass data{{u"InstanceName", u"Active", u"VendorSpecific"}, {}, 0};
    data.Rows.push_back({WmiVariant::Text(kDiskName), FlagCell(shape >> 4, true), vendor});
    data.Rows.push_back({WmiVariant::Text(second), FlagCell(shape >> 5, true), vendor});
    if (switches & machine::DataQueryFails) data.Result = wmi_result::GetPropertyFailed;

    wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, std::move(status));
    wmi.Set(kFailurePredictNamespace, kFailurePredictDataClass, std::move(data));
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    if (size < PIPE_REQUEST_SIZE) return 0;
    const std::span<const std::uint8_t, PIPE_REQUEST_SIZE> requestBytes(data, PIPE_REQUEST_SIZE);
    fuzz::InputReader input(data + PIPE_REQUEST_SIZE, size - PIPE_REQUEST_SIZE);
    const std::uint8_t switches = input.Byte();
    const std::uint8_t shape = input.Byte();
    const PipeRequest request = PipeRequest::Decode(requestBytes);

    fakes::FakeWmiSource wmi;
    fakes::FakeDeviceIo devices;
    SetUpMachine(wmi, devices, request, switches, shape, input.Rest());
    PipeReplyBuilder builder(wmi, devices);

    const ReplyBytes bytes = builder.Build(requestBytes);
    FUZZ_CHECK(ReplyChecksumOk(bytes.data(), bytes.size()));
    const PipeReply reply = PipeReply::Decode(bytes);
    FUZZ_CHECK(reply.DataLength >= 0 && reply.DataLength <= static_cast<std::int32_t>(PIPE_DATA_SIZE));
    FUZZ_CHECK(reply.StatusValid == 0 || reply.StatusValid == 1);
    FUZZ_CHECK(reply.DataValid == 0 || reply.DataValid == 1);
    FUZZ_CHECK(reply.Active == 0 || reply.Active == 1);
    FUZZ_CHECK(reply.PredictFailure == 0 || reply.PredictFailure == 1);
    if (request.InterfaceType == kInterfaceNvme) {
        FUZZ_CHECK(reply.StatusValid == 0 && reply.Active == 0 && reply.PredictFailure == 0);
        if (reply.DataValid) FUZZ_CHECK(reply.DataLength == 512);
        FUZZ_CHECK(wmi.ExecuteCount == 0);
    } else {
        FUZZ_CHECK(devices.OpenedPaths.empty());
        FUZZ_CHECK(static_cast<std::size_t>(reply.DataLength) <= input.Rest().size());
    }
    // Nothing of one request stays behind for the next.
    FUZZ_CHECK(builder.Build(requestBytes) == bytes);
    return 0;
}
