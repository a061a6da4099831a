// SPDX-License-Identifier: MIT
#include "engine/rdap/rdapbootstrapstore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/atomicfile.h"
#include "core/readfile.h"
#include "core/text.h"

namespace {

// A bootstrap file is some tens of kilobytes; anything near this is not one.
constexpr std::size_t kMaxBootstrapBytes = 8u << 20;

struct RefreshState {
    std::time_t checked = 0;
    bool failed = false; // the last refresh brought nothing usable
    std::string etag;
    std::string lastModified;
};

RefreshState ReadState(const std::string& path) {
    RefreshState state;
    std::string text;
    if (!ReadSmallFile(path, text, nullptr, 64 * 1024)) {
        return state;
    }
    ReadKeyValueLines(text, [&](std::string_view, std::string_view key, std::string_view value) {
        if (key == "checked") {
            long long seconds = 0;
            for (const char c : value) {
                if (c < '0' || c > '9' || seconds > (1LL << 40)) {
                    seconds = 0;
                    break;
                }
                seconds = seconds * 10 + (c - '0');
            }
            state.checked = static_cast<std::time_t>(seconds);
        } else if (key == "failed") {
            state.failed = value == "1";
        } else if (key == "etag") {
            state.etag = value;
        } else if (key == "last-modified") {
            state.lastModified = value;
        }
    });
    return state;
}

// Header values end at a line break, so a value cannot add lines of its own.
std::string OneLine(std::string_view value) {
    return std::string(value.substr(0, value.find_first_of("\r\n")));
}

void WriteState(const std::string& path, const RefreshState& state) {
    std::string text = "checked=" + std::to_string(static_cast<long long>(state.checked)) + "\n";
    text += std::string("failed=") + (state.failed ? "1" : "0") + "\n";
    text += "etag=" + OneLine(state.etag) + "\n";
    text += "last-modified=" + OneLine(state.lastModified) + "\n";
    (void)WriteFileAtomically(path, text); // a lost state only means an earlier refresh
}

bool DueForRefresh(const RefreshState& state, std::time_t now) {
    // A check time in the future (a clock set back) does not hold off the refresh.
    const std::time_t wait =
        state.failed ? kRdapBootstrapRetrySeconds : kRdapBootstrapRefreshSeconds;
    return state.checked <= 0 || state.checked > now || now - state.checked >= wait;
}

} // namespace

RdapBootstrapLoad LoadRdapBootstrap(const RdapBootstrapSource& source,
                                    const RdapFetchFunction& fetch) {
    RdapBootstrapLoad load;
    if (!source.file.empty()) {
        load.origin = RdapBootstrapOrigin::File;
        std::string text;
        int error = 0;
        if (!ReadSmallFile(source.file, text, &error, kMaxBootstrapBytes)) {
            load.error = source.file + ": " +
                         (error == EFBIG ? std::string("file too large") : std::strerror(error));
            return load;
        }
        std::string why;
        load.bootstrap = RdapBootstrap::Parse(text, &why);
        if (!load.bootstrap) {
            load.error = source.file + ": not an RDAP bootstrap file (" + why + ")";
        }
        return load;
    }

    const std::time_t now = source.now != 0 ? source.now : std::time(nullptr);
    std::optional<RdapBootstrap> cached;
    std::string cachePath;
    std::string statePath;
    if (!source.dataFolder.empty()) {
        std::string folder = source.dataFolder;
        if (folder.back() != '/') {
            folder += '/';
        }
        cachePath = folder + kRdapBootstrapCacheName;
        statePath = folder + kRdapBootstrapStateName;
        std::string text;
        if (ReadSmallFile(cachePath, text, nullptr, kMaxBootstrapBytes)) {
            cached = RdapBootstrap::Parse(text);
        }
    }

    if (!cachePath.empty() && !source.refreshUrl.empty() && fetch) {
        RefreshState state = ReadState(statePath);
        if (DueForRefresh(state, now)) {
            RdapRequest request;
            request.url = source.refreshUrl;
            request.accept = "application/json";
            // The validators only hold for the copy they came with.
            if (cached && !state.etag.empty()) {
                request.headers.push_back("If-None-Match: " + state.etag);
            }
            if (cached && !state.lastModified.empty()) {
                request.headers.push_back("If-Modified-Since: " + state.lastModified);
            }
            const RdapHttpResult answer = fetch(request);
            state.checked = now;
            state.failed = false;
            if (answer.failure == RdapFailure::None && answer.status == 200) {
                if (auto fresh = RdapBootstrap::Parse(answer.body)) {
                    if (WriteFileAtomically(cachePath, answer.body)) {
                        state.etag = answer.etag;
                        state.lastModified = answer.lastModified;
                    } else {
                        state.etag.clear();
                        state.lastModified.clear();
                    }
                    WriteState(statePath, state);
                    load.bootstrap = std::move(fresh);
                    load.origin = RdapBootstrapOrigin::Downloaded;
                    return load;
                }
            }
            // 304 (the cache is current), or a failed refresh: keep what we had.
            state.failed = answer.failure != RdapFailure::None || answer.status != 304;
            WriteState(statePath, state);
        }
    }

    if (cached) {
        load.bootstrap = std::move(cached);
        load.origin = RdapBootstrapOrigin::Cache;
        return load;
    }
    load.bootstrap = RdapBootstrap::Parse(BundledRdapBootstrapJson());
    load.origin = RdapBootstrapOrigin::Bundled;
    return load;
}

std::string RdapBootstrapUrlFromEnvironment() {
    if (const char* url = std::getenv("ZENTRIX_RDAP_BOOTSTRAP_URL")) {
        return url;
    }
    return kIanaRdapBootstrapUrl;
}
