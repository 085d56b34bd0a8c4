#include "app/win/AppProgram.h"

#include <commctrl.h>
#include <objbase.h>

#include <optional>
#include <stdexcept>

#include "app/win/BoxErrorNotifier.h"
#include "app/win/HandlerGuard.h"
#include "app/win/MainWindow.h"
#include "drives/win/Win32PipeSystem.h"
#include "common/DriveSetEnvironment.h"
#include "common/ProgramTexts.h"
#include "common/win/ComScope.h"
#include "common/win/ComSecurity.h"
#include "common/win/ComWmiSource.h"
#include "common/win/DriveSetConfig.h"
#include "common/win/EventLogSink.h"
#include "common/win/Win32DeviceIo.h"
#include "common/win/WinAnsiCodec.h"

namespace velmora::win {

namespace {

int RunMessageLoop() {
    MSG message;
    BOOL got;
    while ((got = ::GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int Run(HINSTANCE instance, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!MainWindow::RegisterClasses(instance)) throw std::runtime_error(kOutOfMemoryText);

    // The constructor's order: the window with its caption, then COM for
    // this thread and its security, then the operating-system check.
    ComWmiSource machineWmi;
    Win32DeviceIo machineDevices;
    DriveSetEnvironment drives(ReadSimulatedDrivesSetting(), machineWmi, machineDevices);
    Win32PipeSystem pipes;
    // Declared before the window, so COM is uninitialised only after the
    // window and its update checker are gone.
    std::optional<ComScope> com;
    MainWindow window({drives.Wmi(), drives.Devices(), pipes});
    window.Create();

    com.emplace();
    const HRESULT security = InitializeComSecurity();
    const DWORD lastError = ::GetLastError();
    if (!window.CheckStartup(static_cast<std::int32_t>(security), lastError)) return 1;

    window.Show(showCommand);
    return RunMessageLoop();
}

}  // namespace

int RunToolbox(HINSTANCE instance, int showCommand) noexcept {
    static const WinAnsiCodec codec;
    static EventLogSink eventLog;
    static BoxErrorNotifier notifier;
    InstallAnsiCodec(&codec);
    InstallEventSink(&eventLog);
    InstallErrorNotifier(&notifier);
    int exitCode = 1;
    if (!GuardHandler(nullptr, [&] { exitCode = Run(instance, showCommand); })) exitCode = 1;
    InstallErrorNotifier(nullptr);
    InstallEventSink(nullptr);
    return exitCode;
}

}  // namespace velmora::win
