#pragma once
// A machine made from a drive set: its WMI, its devices and a service
// answering from them through the loopback pipe.

#include "common/DriveSet.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"
#include "service/PipeReplyBuilder.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/LoopbackPipeSystem.h"

namespace velmora::cli {

struct SimulatedMachine {
    // The observer sees every exchange (see LoopbackPipeSystem).
    explicit SimulatedMachine(const DriveSet& set, fakes::LoopbackPipeSystem::Observer observer = {})
        : wmi(set, fallback), devices(set), builder(wmi, devices), pipes(builder, std::move(observer)) {}
    fakes::FakeWmiSource fallback;
    SimulatedWmiSource wmi;
    SimulatedDeviceIo devices;
    PipeReplyBuilder builder;
    fakes::LoopbackPipeSystem pipes;
};

}  // namespace velmora::cli
