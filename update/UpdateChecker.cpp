#include "update/UpdateChecker.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string_view>
#include <utility>

#include "update/HttpClient.h"
#include "update/UpdateError.h"
#include "update/UpdateExchange.h"
#include "update/UpdateReplyParser.h"
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

}  // namespace

// Marks the check as running and, on every way out, idle again with the
// caption restored (unless the window is gone).
class UpdateChecker::RunScope {
public:
    explicit RunScope(UpdateChecker& checker) : checker_(checker) {
        checker_.running_ = true;
        checker_.busyState_ = busy_state::Checking;
    }
    ~RunScope() {
        checker_.busyState_ = busy_state::Idle;
        checker_.running_ = false;
        if (checker_.ownerGone_) return;
        try {
            checker_.ui_.SetCaption(checker_.baseCaption_);
        } catch (...) {
            // A caption that cannot be set must not replace the check's own outcome.
        }
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    UpdateChecker& checker_;
};

UpdateChecker::UpdateChecker(DriveTable& drives, const ProxySettings& proxy, std::string baseCaption,
                             std::unique_ptr<UpdateTransport> transport, UpdateHostSource& hosts, UpdateUi& ui)
    : drives_(drives),
      proxy_(proxy),
      baseCaption_(std::move(baseCaption)),
      transport_(std::move(transport)),
      hosts_(hosts),
      ui_(ui) {}

UpdateChecker::~UpdateChecker() {
    if (transport_) transport_->Abort();
}

void UpdateChecker::OwnerGone() noexcept {
    ownerGone_ = true;
    if (transport_) transport_->Abort();
}

void UpdateChecker::ThrowIfOwnerGone() const {
    if (ownerGone_) throw OwnerGoneSignal{};
}

void UpdateChecker::GetUpdates(bool interactive) {
    if (ownerGone_) return;
    if (busyState_ != busy_state::Idle) {
        ui_.Inform(message::Busy, InfoButton::Yes);
        return;
    }
    const RunScope scope(*this);
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

void UpdateChecker::Check(bool interactive) {
    offers_.clear();
    std::string body;
    try {
        body = FetchUpdateReply(*transport_, hosts_, proxy_, drives_);
    } catch (const UpdateError&) {
        ThrowIfOwnerGone();  // the failure is the abort of a closing window
        throw;
    }
    ThrowIfOwnerGone();

    ParseUpdateReply(body, drives_, offers_);
    PresentOffers();

    if (interactive && offers_.empty()) {
        ThrowIfOwnerGone();
        ui_.Inform(message::NoUpdates, InfoButton::Ok);
    }
}

void UpdateChecker::PresentOffers() {
    // By index and by copy: nothing may change the list during a check, but
    // a reference must not dangle if something did.
    for (std::size_t k = 0; k < offers_.size(); ++k) {
        const UpdateOffer offer = offers_[k];
        if (!PresentOffer(offer)) return;
    }
}

bool UpdateChecker::PresentOffer(const UpdateOffer& offer) {
    std::string question;
    if (offer.Kind == OfferKind::Application) {
        question = message::AppQuestion;
        busyState_ = busy_state::Application;
    } else if (offer.Kind == OfferKind::Firmware) {
        question = FirmwareQuestion(offer.DriveModel);
        busyState_ = busy_state::Firmware;
    } else {
        throw UpdateError(message::InternalError);
    }
    const bool firmware = offer.Kind == OfferKind::Firmware;

    ThrowIfOwnerGone();
    if (!ui_.Confirm(question)) return true;
    ThrowIfOwnerGone();
    if (firmware && !ui_.Confirm(message::FirmwareDisclaimer)) return false;
    ThrowIfOwnerGone();
    const std::optional<std::string> path = ui_.ChooseSaveFile(offer.FileName);
    ThrowIfOwnerGone();
    if (!path) return true;

    try {
        transport_->Download(offer.Url, *path,
                             [this](std::int64_t received, std::int64_t total) { ShowProgress(received, total); });
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        ThrowIfOwnerGone();
        throw UpdateError(message::NotAvailable);
    }
    ThrowIfOwnerGone();
    ui_.Inform(firmware ? message::FirmwareDownloaded : message::AppDownloaded, InfoButton::Ok);
    return true;
}

void UpdateChecker::ShowProgress(std::int64_t received, std::int64_t total) {
    if (ownerGone_) return;
    if (busyState_ != busy_state::Application && busyState_ != busy_state::Firmware) return;
    if (total <= 0) return;
    ui_.SetCaption(ProgressCaption(baseCaption_, ProgressPercent(received, total)));
}

}  // namespace velmora::update
