#include "app/win/AppProgram.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <stdexcept>

#include "app/win/BoxErrorNotifier.h"
#include "app/win/HandlerGuard.h"
#include "app/win/MainWindow.h"
#include "app/win/WorkerCalls.h"
#include "app/win/WorkerSources.h"
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
    // COM and its process-wide security come before any window or COM
    // object: CoInitializeSecurity fails once COM has been used in the
    // process, and Windows refuses a second call, so this is the only one
    // (the worker's COM scope below relies on it). Declared first, so COM is
    // uninitialised only after the window, its update checker and the worker
    // are gone.
    const ComScope com;
    const HRESULT security = InitializeComSecurity();

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!MainWindow::RegisterClasses(instance)) throw std::runtime_error(kOutOfMemoryText);

    // The machine's WMI, devices and pipe are used through the worker, so
    // the window answers while they wait; a configured drive set is read on
    // the window thread, where its reports belong. A call the worker gave
    // up on shares the machine's sources, so they stay while it runs.
    WorkerCalls calls;
    WorkerWmiSource workerWmi(std::make_shared<ComWmiSource>(), calls);
    WorkerDeviceIo workerDevices(std::make_shared<Win32DeviceIo>(), calls);
    DriveSetEnvironment drives(ReadSimulatedDrivesSetting(), workerWmi, workerDevices);
    WorkerPipeSystem pipes(std::make_shared<Win32PipeSystem>(), calls);
    MainWindow window({drives.Wmi(), drives.Devices(), pipes, calls});
    window.Create();

    if (!window.CheckStartup(static_cast<std::int32_t>(security))) return 1;

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
