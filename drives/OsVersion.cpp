#include "drives/OsVersion.h"

#include "common/AnsiText.h"
#include "common/ErrorReport.h"
#include "common/WmiTable.h"

namespace velmora {

std::string OSVersionPrefix;

namespace {

constexpr int kQueryFailedLine = 57;
constexpr int kVersionReadLine = 63;
constexpr std::size_t kPrefixLength = 3;

}  // namespace

bool IsSupportedOsPrefix(std::string_view prefix) {
    return prefix == "6.1" || prefix == "6.2" || prefix == "6.3" || prefix == "5.1" || prefix == "10.";
}

bool OsLacksNvmeHealthLog(std::string_view prefix) { return IsSupportedOsPrefix(prefix) && prefix != "10."; }

OsVersionCheck CheckOperatingSystem(WmiSource& wmi) {
    OsVersionCheck check;
    WmiTable table(wmi);
    const int result = table.Execute(u"root\\cimv2", u"Win32_OperatingSystem");
    if (result != 0) {
        ReportError(unit::Umain, kQueryFailedLine, result);
        check.Outcome = OsVersionOutcome::QueryFailed;
        return check;
    }
    WmiVariant version;
    const int read = table.GetValue(0, u"Version", version);
    std::u16string text;
    bool readable = read == 0;
    if (readable) {
        try {
            text = version.ToText();
        } catch (const VariantConversionError&) {
            readable = false;  // an array or object is no version text
        }
    }
    if (!readable) {
        ReportError(unit::Umain, kVersionReadLine, read != 0 ? read : -1);
        check.Outcome = OsVersionOutcome::VersionUnreadable;
        return check;
    }
    check.Prefix = Utf16ToAnsi(text).substr(0, kPrefixLength);
    OSVersionPrefix = check.Prefix;
    check.Outcome = IsSupportedOsPrefix(check.Prefix) ? OsVersionOutcome::Accepted : OsVersionOutcome::Unsupported;
    return check;
}

}  // namespace velmora
