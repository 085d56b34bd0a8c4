// SMART_VELMORA_WATCH: with /INSTALL or /UNINSTALL (and /SILENT) registers or
// removes the health watch service (/INSTALL also prepares its history
// folder) and exits with 0 or the system error code; without switches it
// runs as the service under the Service Control Manager.

#include <windows.h>

#include "servicehost/win/ServiceProgram.h"
#include "watch/WatchSettings.h"
#include "watch/win/HistoryFolderSetup.h"
#include "watch/win/RegistrySettingsReader.h"
#include "watch/win/SamplingWork.h"
#include "watch/win/WatchService.h"

int main(int argc, char** argv) {
    using namespace velmora::win;
    return RunServiceProgram(argc, argv, WatchServiceSettings(), PrepareHistoryFolder, [] {
        RegistrySettingsReader settings;
        SamplingWork work(velmora::watch::LoadWatchSettings(settings));
        return RunWatchService(work);
    });
}
