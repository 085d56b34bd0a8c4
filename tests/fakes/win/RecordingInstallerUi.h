#pragma once
// Records the installer's message boxes instead of showing them.

#include <string>
#include <string_view>
#include <vector>

#include "servicehost/win/ServiceInstaller.h"

namespace velmora::fakes {

class RecordingInstallerUi final : public win::InstallerUi {
public:
    void ShowInformation(std::string_view text) noexcept override { Information.emplace_back(text); }
    void ShowError(std::string_view text) noexcept override { Errors.emplace_back(text); }

    std::vector<std::string> Information;
    std::vector<std::string> Errors;
};

}  // namespace velmora::fakes
