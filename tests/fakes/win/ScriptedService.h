#pragma once
// A service object whose handlers do what the test says: execute may throw,
// set an exit code or process posted controls; stop may refuse or throw; a
// user control may throw. Records every handler call.

#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "servicehost/win/ServiceFramework.h"

namespace velmora::fakes {

class ScriptedService final : public win::Service {
public:
    ScriptedService() : Service(Settings()) {}
    explicit ScriptedService(win::ServiceSettings settings) : Service(std::move(settings)) {}

    static win::ServiceSettings Settings() {
        win::ServiceSettings settings;
        settings.Name = "VELMORA_SCRIPTED";
        settings.DisplayName = "Scripted service";
        return settings;
    }

    void ServiceExecute() override {
        ++ExecuteCalls;
        if (OnExecute) OnExecute(*this);
    }
    void ServiceStop(bool& stopped) override {
        ++StopCalls;
        if (ThrowOnStop) throw std::runtime_error("stop broke");
        stopped = AcceptStop;
    }
    void ServiceUserControl(DWORD code) override {
        UserControls.push_back(code);
        if (ThrowOnControl) throw std::runtime_error("control broke");
    }

    void ServiceClockChanged() override { ++ClockChanges; }

    std::function<void(ScriptedService&)> OnExecute;
    bool AcceptStop = true;
    bool ThrowOnStop = false;
    bool ThrowOnControl = false;
    int ExecuteCalls = 0;
    int StopCalls = 0;
    std::vector<DWORD> UserControls;
    int ClockChanges = 0;
};

}  // namespace velmora::fakes
