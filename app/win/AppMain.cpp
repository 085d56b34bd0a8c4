// SMART_VELMORA: the toolbox's entry point.

#include <windows.h>

#include "app/win/AppProgram.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return velmora::win::RunToolbox(instance, showCommand);
}
