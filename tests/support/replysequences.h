// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

// What a fake server sends per request: a sequence each, the first use
// getting the first reply and so on, the last standing for every later use.
// Not locked: the server's own mutex guards it.
template <typename Reply>
class ReplySequences {
public:
    // Sets `key`'s sequence (none when empty) and starts it from its first.
    void Set(const std::string& key, std::vector<Reply> replies) {
        if (replies.empty()) {
            m_replies.erase(key);
        } else {
            m_replies[key] = std::move(replies);
        }
        m_uses.erase(key);
    }

    // The reply for this use of `key`, else `fallback` when none is set.
    [[nodiscard]] Reply Next(const std::string& key, const Reply& fallback) {
        const auto found = m_replies.find(key);
        if (found == m_replies.end()) {
            return fallback;
        }
        std::size_t& uses = m_uses[key];
        const std::size_t index = std::min(uses, found->second.size() - 1);
        ++uses;
        return found->second[index];
    }

private:
    std::map<std::string, std::vector<Reply>> m_replies;
    std::map<std::string, std::size_t> m_uses;
};
