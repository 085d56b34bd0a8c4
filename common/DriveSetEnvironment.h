#pragma once
// What a program reads its drives from: the machine's own WMI and devices,
// or, when a drive-set file is configured, the set (with the machine's WMI
// answering every class the set does not). The file is read when the
// environment is built and again at the next WMI query or device open after
// its stamp (modification time, size) changed, so a set can change while the
// programs run. A file that cannot be used is reported once per reading and
// answers as a broken set until it changes again.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/DeviceIo.h"
#include "common/FileStamp.h"
#include "common/WmiSource.h"

namespace velmora {

class DriveSetEnvironment {
public:
    // realWmi and realDevices must outlive the environment.
    DriveSetEnvironment(const std::optional<std::string>& driveSetPath, WmiSource& realWmi,
                        DeviceIo& realDevices);
    // stamps tells when the file changed; it must outlive the environment.
    DriveSetEnvironment(const std::optional<std::string>& driveSetPath, WmiSource& realWmi,
                        DeviceIo& realDevices, FileStamps& stamps);
    ~DriveSetEnvironment();
    DriveSetEnvironment(const DriveSetEnvironment&) = delete;
    DriveSetEnvironment& operator=(const DriveSetEnvironment&) = delete;

    // Both stay the same objects for the environment's life, whatever the
    // file does, so callers may keep them. Reading the file again is safe
    // from several threads; the machine's sources keep their own rules.
    [[nodiscard]] WmiSource& Wmi() { return *wmi_; }
    [[nodiscard]] DeviceIo& Devices() { return *devices_; }

private:
    struct Reading;

    class SetWmi final : public WmiSource {
    public:
        explicit SetWmi(DriveSetEnvironment& owner) : owner_(owner) {}
        [[nodiscard]] int Execute(std::u16string_view nameSpace, std::u16string_view className,
                                  WmiTable& table) override;

    private:
        DriveSetEnvironment& owner_;
    };

    class SetDevices final : public DeviceIo {
    public:
        explicit SetDevices(DriveSetEnvironment& owner) : owner_(owner) {}
        [[nodiscard]] std::unique_ptr<Device> Open(const std::string& path, DeviceAccess access,
                                                   std::uint32_t& error) override;

    private:
        DriveSetEnvironment& owner_;
    };

    // The reading to answer from, read again first when the file changed. A
    // caller holds it while it answers, so a swap never pulls it away.
    [[nodiscard]] std::shared_ptr<Reading> Current();
    [[nodiscard]] std::shared_ptr<Reading> Load() const;

    WmiSource& realWmi_;
    FileStamps& stamps_;
    std::string path_;
    SetWmi setWmi_{*this};
    SetDevices setDevices_{*this};
    WmiSource* wmi_;
    DeviceIo* devices_;

    std::mutex mutex_;
    std::optional<FileStamp> stamp_;  // the stamp of the newest reading, begun or done; guarded by mutex_
    std::shared_ptr<Reading> reading_;  // guarded by mutex_
};

}  // namespace velmora
