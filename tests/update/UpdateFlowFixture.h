#pragma once
// The update flow with every seam faked: a drive table, a settings store in
// memory, the update host and trust settings, the cryptography, the
// scripted network and the recorded window. The transport is the flow's
// own; `transport` points at it. The flow's tests are about how offers are
// presented (what a reply may offer has its own table, ReplyTrustTest), so
// their replies go unsigned under RequireSignedUpdates 0.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "drives/DriveTable.h"
#include "update/UpdateError.h"
#include "update/UpdateFlow.h"
#include "tests/fakes/FakeDownloadFiles.h"
#include "tests/fakes/FakeReplyTrust.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/FakeUpdateTransport.h"
#include "tests/fakes/FakeUpdateWindowSide.h"

namespace velmora::update::test_support {

inline constexpr char kCaption[] = "VELMORA SSD Toolbox 1.01";

class UpdateFlowTest : public ::testing::Test {
protected:
    UpdateFlowTest() {
        auto owned = std::make_unique<fakes::FakeUpdateTransport>();
        transport = owned.get();
        transport->Reply = "[file version]\nversion=1.0\n";
        transport->Disk = &files.Files;
        trust.Settings.RequireSigned = false;
        flow = std::make_unique<UpdateFlow>(drives, store, hosts, trust, crypto, std::move(owned), files, window,
                                            kCaption);
    }

    // Stored choices that make the first tick check quietly without asking.
    void CheckAtStartUpForGood() { store.Values = {{"UpdatesAutoCheck", 1}, {"UpdatesDontAsk", 1}}; }

    // Runs "Check for updates", which must fail, and returns its message.
    std::string FailingCheck() {
        try {
            flow->CheckForUpdates();
        } catch (const UpdateError& error) {
            return error.what();
        }
        ADD_FAILURE() << "the check did not fail";
        return {};
    }

    DriveTable drives;
    fakes::FakeSettingsStore store;
    fakes::FakeUpdateHostSource hosts;
    fakes::FakeUpdateTrustSource trust;
    fakes::FakeUpdateCrypto crypto;
    fakes::FakeUpdateWindowSide window;
    fakes::FakeDownloadFiles files;
    fakes::FakeUpdateTransport* transport = nullptr;  // owned by the flow
    std::unique_ptr<UpdateFlow> flow;
};

}  // namespace velmora::update::test_support
