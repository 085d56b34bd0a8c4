#include "update/UpdateFlow.h"

#include <cstdio>
#include <exception>
#include <limits>
#include <new>
#include <string_view>
#include <utility>

#include "update/DownloadRules.h"
#include "update/HttpClient.h"
#include "update/SettingsNames.h"
#include "update/UpdateError.h"
#include "update/UpdateExchange.h"
#include "update/UpdateTexts.h"

namespace velmora::update {

namespace {

// Ends a check quietly once the window has gone: nobody is left to tell.
struct OwnerGoneSignal {};

std::string FirmwareQuestion(const std::string& model) {
    // Not printf: a '%' in a model name must come out as it stands.
    const std::string_view format = message::FirmwareQuestionFormat;
    const std::size_t at = format.find("%s");
    std::string text(format.substr(0, at));
    text += model;
    text += format.substr(at + 2);
    return text;
}

std::string ProgressCaption(const std::string& base, int percent) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, message::DownloadProgressFormat, percent, '%');
    return base + suffix;
}

// A download's temporary file, deleted on every way out unless it was moved
// into place.
class TemporaryFile {
public:
    TemporaryFile(DownloadFiles& files, std::string path) : files_(files), path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!moved_) files_.Remove(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] bool MoveTo(const std::string& target) { return moved_ = files_.MoveIntoPlace(path_, target); }

private:
    DownloadFiles& files_;
    std::string path_;
    bool moved_ = false;
};

std::unique_ptr<SettingsKey> OpenForWriting(SettingsStore& store) {
    std::unique_ptr<SettingsKey> key = store.Open(SettingsAccess::CreateReadWrite);
    if (!key) throw CannotOpenKey();
    return key;
}

}  // namespace

// Marks a check as running and, on every way out, idle again with the
// caption restored (unless the window is gone).
class UpdateFlow::CheckScope {
public:
    explicit CheckScope(UpdateFlow& flow) : flow_(flow) { flow_.state_ = CheckState::Checking; }
    ~CheckScope() {
        flow_.state_ = CheckState::Idle;
        if (flow_.ownerGone_) return;
        try {
            flow_.window_.SetCaption(flow_.baseCaption_);
        } catch (...) {
            // A caption that cannot be set must not replace the check's own outcome.
        }
    }
    CheckScope(const CheckScope&) = delete;
    CheckScope& operator=(const CheckScope&) = delete;

private:
    UpdateFlow& flow_;
};

UpdateFlow::UpdateFlow(DriveTable& drives, SettingsStore& store, UpdateHostSource& hosts, UpdateTrustSource& trust,
                       UpdateCrypto& crypto, std::unique_ptr<UpdateTransport> transport, DownloadFiles& files,
                       UpdateWindowSide& window, std::string baseCaption)
    : drives_(drives),
      store_(store),
      hosts_(hosts),
      trust_(trust),
      crypto_(crypto),
      transport_(std::move(transport)),
      files_(files),
      window_(window),
      baseCaption_(std::move(baseCaption)) {}

UpdateFlow::~UpdateFlow() {
    if (transport_) transport_->Abort();
}

void UpdateFlow::OwnerGone() noexcept {
    if (ownerGone_) return;
    ownerGone_ = true;
    if (transport_) transport_->Abort();
    window_.CloseOwnedWindows();
}

template <typename Command>
void UpdateFlow::RunCommand(Command&& command) {
    if (ownerGone_) return;
    ++commandDepth_;
    try {
        command();
    } catch (...) {
        --commandDepth_;
        if (ownerGone_) return;
        throw;
    }
    --commandDepth_;
}

// ---- the commands

void UpdateFlow::FirstTick() {
    RunCommand([this] {
        const bool checkOnStartUp = LoadSettings();
        if (ownerGone_) return;  // closed while the question was open
        if (checkOnStartUp) {
            window_.MarkCheckOnStartUp(true);
            try {
                GetUpdates(false);
            } catch (const std::exception& error) {
                if (!ownerGone_) window_.ShowError(error.what());
            }
            if (ownerGone_) return;
            window_.ShowSelectedDrive();
        }
        window_.EnableUpdatesMenu();
    });
}

void UpdateFlow::CheckForUpdates() {
    RunCommand([this] {
        GetUpdates(true);
        if (!ownerGone_) window_.ShowSelectedDrive();
    });
}

void UpdateFlow::ConnectionSettings() {
    RunCommand([this] { window_.EditConnectionSettings(proxy_, store_); });
}

void UpdateFlow::ToggleCheckOnStartUp() {
    RunCommand([this] {
        const bool checked = !window_.CheckOnStartUpMarked();
        // The mark flips first, as the click itself flips it; the store follows.
        window_.MarkCheckOnStartUp(checked);
        OpenForWriting(store_)->WriteBool(setting::UpdatesAutoCheck, checked);
    });
}

bool UpdateFlow::LoadSettings() {
    const std::unique_ptr<SettingsKey> key = OpenForWriting(store_);

    for (const char* name : {setting::UpdatesAutoCheck, setting::UpdatesDontAsk, setting::HTTP_Proxy}) {
        if (!key->ValueExists(name)) key->WriteBool(name, false);
    }
    if (!key->ValueExists(setting::HTTP_ProxyPort)) key->WriteInteger(setting::HTTP_ProxyPort, 0);

    proxy_.Enabled = key->ReadBool(setting::HTTP_Proxy);
    proxy_.Address = key->ReadString(setting::HTTP_ProxyAddress);
    proxy_.Port = key->ReadInteger(setting::HTTP_ProxyPort);
    bool checkOnStartUp = key->ReadBool(setting::UpdatesAutoCheck);
    const bool dontAsk = key->ReadBool(setting::UpdatesDontAsk);

    if (!dontAsk) {
        const StartupAnswer answer = window_.AskStartupQuestion();
        checkOnStartUp = answer.Yes;
        if (answer.DontAsk) {
            key->WriteBool(setting::UpdatesAutoCheck, checkOnStartUp);
            key->WriteBool(setting::UpdatesDontAsk, true);
        }
    }
    return checkOnStartUp;
}

// ---- the check

void UpdateFlow::ThrowIfOwnerGone() const {
    if (ownerGone_) throw OwnerGoneSignal{};
}

void UpdateFlow::GetUpdates(bool interactive) {
    if (ownerGone_) return;
    if (state_ != CheckState::Idle) {
        window_.Inform(message::Busy, InfoButton::Yes);
        return;
    }
    const CheckScope scope(*this);
    try {
        Check(interactive);
    } catch (const OwnerGoneSignal&) {
        return;
    } catch (const std::bad_alloc&) {
        if (ownerGone_) return;
        throw UpdateError(kOutOfMemoryText);
    } catch (...) {
        if (ownerGone_) return;
        throw;
    }
}

void UpdateFlow::Check(bool interactive) {
    std::string body;
    try {
        body = FetchUpdateReply(*transport_, hosts_, proxy_, drives_);
    } catch (const UpdateError&) {
        ThrowIfOwnerGone();  // the failure is the abort of a closing window
        throw;
    }
    ThrowIfOwnerGone();

    const std::vector<UpdateOffer> offers = ReadTrustedOffers(body, drives_, crypto_, trust_);
    PresentOffers(offers);

    if (interactive && offers.empty()) {
        ThrowIfOwnerGone();
        window_.Inform(message::NoUpdates, InfoButton::Ok);
    }
}

void UpdateFlow::PresentOffers(const std::vector<UpdateOffer>& offers) {
    for (const UpdateOffer& offer : offers) {
        if (!PresentOffer(offer)) return;
    }
}

bool UpdateFlow::PresentOffer(const UpdateOffer& offer) {
    std::string question;
    if (offer.Kind == OfferKind::Application) {
        question = message::AppQuestion;
        state_ = CheckState::Application;
    } else if (offer.Kind == OfferKind::Firmware) {
        question = FirmwareQuestion(offer.DriveModel);
        state_ = CheckState::Firmware;
    } else {
        throw UpdateError(message::InternalError);
    }
    const bool firmware = offer.Kind == OfferKind::Firmware;

    ThrowIfOwnerGone();
    if (!window_.Confirm(question)) return true;
    ThrowIfOwnerGone();
    if (firmware && !window_.Confirm(message::FirmwareDisclaimer)) return false;
    ThrowIfOwnerGone();
    const std::optional<std::string> path = window_.ChooseSaveFile(offer.FileName);
    ThrowIfOwnerGone();
    if (!path) return true;

    DownloadOffer(offer, *path);
    ThrowIfOwnerGone();
    window_.Inform(firmware ? message::FirmwareDownloaded : message::AppDownloaded, InfoButton::Ok);
    return true;
}

void UpdateFlow::DownloadOffer(const UpdateOffer& offer, const std::string& path) {
    const std::optional<std::string> created = files_.CreateTemporaryBeside(path);
    if (!created) throw UpdateError(message::NotAvailable);
    TemporaryFile temporary(files_, *created);
    const std::uint64_t freeBytes = files_.FreeBytesBeside(path).value_or(std::numeric_limits<std::uint64_t>::max());
    try {
        transport_->Download(
            offer.Url, temporary.Path(),
            [this](std::int64_t received, std::int64_t total) { ShowProgress(received, total); }, freeBytes);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        ThrowIfOwnerGone();
        throw UpdateError(message::NotAvailable);
    }
    ThrowIfOwnerGone();
    if (!offer.Sha256.empty() && !DigestMatches(offer.Sha256, crypto_.FileSha256(temporary.Path()))) {
        throw UpdateError(message::DownloadDamaged);
    }
    if (!temporary.MoveTo(path)) throw UpdateError(message::NotAvailable);
}

void UpdateFlow::ShowProgress(std::int64_t received, std::int64_t total) {
    if (ownerGone_) return;
    if (state_ != CheckState::Application && state_ != CheckState::Firmware) return;
    if (total <= 0) return;
    window_.SetCaption(ProgressCaption(baseCaption_, ProgressPercent(received, total)));
}

}  // namespace velmora::update
