// SPDX-License-Identifier: MIT
#include "core/hostname.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxName = 253;
constexpr std::size_t kMaxLabel = 63;

bool IsLabelByte(char c, bool underscore) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           (underscore && c == '_');
}

} // namespace

bool IsHostLabel(std::string_view label, bool underscore) {
    if (label.empty() || label.size() > kMaxLabel || label.front() == '-' || label.back() == '-') {
        return false;
    }
    for (const char c : label) {
        if (!IsLabelByte(c, underscore)) {
            return false;
        }
    }
    return true;
}

bool IsHostName(std::string_view name, HostNameRule rule) {
    if (name.empty() || name.size() > kMaxName) {
        return false;
    }
    std::size_t labels = 0;
    for (std::size_t start = 0; start <= name.size(); ++labels) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        if (!IsHostLabel(name.substr(start, dot - start), rule.underscore)) {
            return false;
        }
        start = dot + 1;
    }
    return labels >= 2 || rule.singleLabel;
}
