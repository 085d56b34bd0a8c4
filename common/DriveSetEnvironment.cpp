#include "common/DriveSetEnvironment.h"

#include <utility>

#include "common/DriveSetFile.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"

namespace velmora {

// One reading of the file: both views of the same set.
struct DriveSetEnvironment::Reading {
    Reading(DriveSet set, WmiSource& realWmi) : Devices(set), Wmi(std::move(set), realWmi) {}
    SimulatedDeviceIo Devices;
    SimulatedWmiSource Wmi;
};

namespace {

FileStamps& SystemStamps() {
    static SystemFileStamps stamps;
    return stamps;
}

}  // namespace

DriveSetEnvironment::DriveSetEnvironment(const std::optional<std::string>& driveSetPath, WmiSource& realWmi,
                                         DeviceIo& realDevices)
    : DriveSetEnvironment(driveSetPath, realWmi, realDevices, SystemStamps()) {}

DriveSetEnvironment::DriveSetEnvironment(const std::optional<std::string>& driveSetPath, WmiSource& realWmi,
                                         DeviceIo& realDevices, FileStamps& stamps)
    : realWmi_(realWmi), stamps_(stamps), wmi_(&realWmi), devices_(&realDevices) {
    if (!driveSetPath || driveSetPath->empty()) return;
    path_ = *driveSetPath;
    // The stamp before the bytes: a change while they are read shows next time.
    stamp_ = stamps_.Read(path_);
    reading_ = Load();
    wmi_ = &setWmi_;
    devices_ = &setDevices_;
}

DriveSetEnvironment::~DriveSetEnvironment() = default;

std::shared_ptr<DriveSetEnvironment::Reading> DriveSetEnvironment::Load() const {
    return std::make_shared<Reading>(LoadDriveSetFile(path_), realWmi_);
}

std::shared_ptr<DriveSetEnvironment::Reading> DriveSetEnvironment::Current() {
    std::optional<FileStamp> stamp = stamps_.Read(path_);
    {
        const std::lock_guard lock(mutex_);
        if (stamp == stamp_) return reading_;
        // This call reads the changed file; others meanwhile answer from the
        // old reading instead of reading (and reporting) it again.
        stamp_ = stamp;
    }
    // Read without the lock: a report may show a box whose message loop
    // queries again on this thread.
    std::shared_ptr<Reading> reading = Load();
    const std::lock_guard lock(mutex_);
    // Unless the file changed once more while it was read.
    if (stamp_ == stamp) reading_ = reading;
    return reading;
}

int DriveSetEnvironment::SetWmi::Execute(std::u16string_view nameSpace, std::u16string_view className,
                                         WmiTable& table) {
    const std::shared_ptr<Reading> reading = owner_.Current();
    return reading->Wmi.Execute(nameSpace, className, table);
}

std::unique_ptr<Device> DriveSetEnvironment::SetDevices::Open(const std::string& path, DeviceAccess access,
                                                              std::uint32_t& error) {
    const std::shared_ptr<Reading> reading = owner_.Current();
    return reading->Devices.Open(path, access, error);
}

}  // namespace velmora
