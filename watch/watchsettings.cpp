// SPDX-License-Identifier: MIT
#include "watch/watchsettings.h"

#include "core/ccore.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr const char* kKeyEnabled = "watch";
constexpr const char* kKeyEveryDays = "watchdays";
constexpr const char* kKeyAlertDays = "watchalertdays";
constexpr const char* kKeyLastCheck = "watchlast";
constexpr const char* kKeyPendingAlert = "watchalert";

std::int64_t ParseSeconds(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

} // namespace

int DefaultAlertDays(bool redDisplay, int redDays) {
    return redDisplay && redDays >= WatchSettings::kMinAlertDays
               ? std::min(redDays, WatchSettings::kMaxAlertDays)
               : WatchSettings::kDefaultAlertDays;
}

WatchSettings ClampWatchSettings(WatchSettings settings) {
    settings.everyDays =
        std::clamp(settings.everyDays, WatchSettings::kMinEveryDays, WatchSettings::kMaxEveryDays);
    settings.alertDays =
        std::clamp(settings.alertDays, WatchSettings::kMinAlertDays, WatchSettings::kMaxAlertDays);
    settings.lastCheck = std::max<std::int64_t>(settings.lastCheck, 0);
    return settings;
}

WatchSettings LoadWatchSettings(const CCore& core) {
    WatchSettings settings;
    settings.enabled = core.getConfigB(kKeyEnabled);
    const int every = core.getConfigInt(kKeyEveryDays);
    settings.everyDays = every != 0 ? every : WatchSettings::kDefaultEveryDays;
    const int alert = core.getConfigInt(kKeyAlertDays);
    settings.alertDays =
        alert != 0 ? alert : DefaultAlertDays(core.getConfigB("chkgq"), core.getConfigInt("gqts"));
    settings.lastCheck = ParseSeconds(core.getConfigStr(kKeyLastCheck));
    return ClampWatchSettings(settings);
}

void SaveWatchSettings(CCore& core, const WatchSettings& given) {
    const WatchSettings settings = ClampWatchSettings(given);
    core.saveConfigB(kKeyEnabled, settings.enabled);
    core.saveConfigInt(kKeyEveryDays, settings.everyDays);
    core.saveConfigInt(kKeyAlertDays, settings.alertDays);
    SaveWatchLastCheck(core, settings.lastCheck);
}

void SaveWatchLastCheck(CCore& core, std::int64_t when) {
    // Text: Unix seconds outgrow the int that getConfigInt reads in 2038.
    core.saveConfigStr(kKeyLastCheck, when > 0 ? std::to_string(when) : std::string());
}

std::string LoadPendingAlert(const CCore& core) {
    return CCore::ANSI_UTF8(core.getConfigStr(kKeyPendingAlert));
}

void SavePendingAlert(CCore& core, const std::string& utf8Text) {
    // The file's texts are GBK like the rest of CCore's; one line.
    std::string text = utf8Text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    CCore::UTF8_ANSI(text);
    core.saveConfigStr(kKeyPendingAlert, text);
}
