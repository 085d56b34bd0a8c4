#include "update/DriveListEncoding.h"

#include "update/Base64.h"

namespace velmora::update {

std::string DriveListText(const DriveTable& drives) {
    std::string text;
    for (int i = 0; i < drives.DiskCount(); ++i) {
        const DriveInfo& drive = drives[i];
        text += drive.FirmwareRevision;
        text += ';';
        text += drive.Model;
        text += '\n';
    }
    return text;
}

std::string EncodeDriveListText(const std::string& text) {
    std::string encoded = EncodeBase64(text);
    for (char& c : encoded) {
        if (c == '+') c = '.';
        else if (c == '/') c = '_';
        else if (c == '=') c = '-';
    }
    return encoded;
}

std::string EncodeDriveList(const DriveTable& drives) { return EncodeDriveListText(DriveListText(drives)); }

}  // namespace velmora::update
