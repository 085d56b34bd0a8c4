#include "drives/DriveTable.h"

#include <stdexcept>

namespace velmora {

std::string FirmwareFamily(const DriveInfo& drive) { return drive.FirmwareRevision.substr(0, 2); }

DriveInfo& DriveTable::operator[](int index) {
    if (index < 0 || index >= kMaxDrives) throw std::out_of_range("Index out of range! (operator[])");
    return entries_[static_cast<std::size_t>(index)];
}

const DriveInfo& DriveTable::operator[](int index) const {
    if (index < 0 || index >= kMaxDrives) throw std::out_of_range("Index out of range! (operator[])");
    return entries_[static_cast<std::size_t>(index)];
}

void DriveTable::SetDisksCount(int count) {
    // A negative count would make every later index check meaningless.
    if (count < 0 || count > kMaxDrives) throw std::out_of_range("Index oit of range! (SetDisksCount)");
    diskCount_ = count;
}

void DriveTable::SetSelectedDisk(int index) {
    if (index < 0 || index >= diskCount_) throw std::out_of_range("Index out of range! (SetSelectedDisk)");
    selectedDisk_ = index;
}

}  // namespace velmora
