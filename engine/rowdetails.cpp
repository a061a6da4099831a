// SPDX-License-Identifier: MIT
#include "engine/rowdetails.h"

#include <zlib.h>

#include "engine/answertext.h"

namespace {

// Fast compression: a WHOIS answer is mostly repeated terms-of-use text and
// shrinks to a third or less even so.
constexpr int kLevel = Z_BEST_SPEED;

std::vector<unsigned char> Compress(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::vector<unsigned char> out(size);
    if (compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), kLevel) != Z_OK) {
        return {};
    }
    out.resize(size);
    out.shrink_to_fit();
    return out;
}

std::string Decompress(const std::vector<unsigned char>& data, std::uint32_t bytes) {
    if (data.empty() || bytes == 0) {
        return {};
    }
    std::string out(bytes, '\0');
    uLongf size = bytes;
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, data.data(),
                   static_cast<uLong>(data.size())) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

} // namespace

void RowDetails::Reset(std::int32_t rows) {
    const std::lock_guard lock(m_mutex);
    m_entries.assign(static_cast<std::size_t>(rows > 0 ? rows : 0), Entry{});
}

void RowDetails::Clear(std::int32_t index) {
    const std::lock_guard lock(m_mutex);
    if (index >= 0 && static_cast<std::size_t>(index) < m_entries.size()) {
        m_entries[static_cast<std::size_t>(index)] = Entry{};
    }
}

void RowDetails::Set(std::int32_t index, RowOutcome outcome) {
    if (outcome.answer.size() > kMaxAnswerBytes) {
        outcome.answer.resize(kMaxAnswerBytes);
    }
    if (outcome.otherAnswer.size() > kMaxAnswerBytes) {
        outcome.otherAnswer.resize(kMaxAnswerBytes);
    }
    // Compressed outside the lock: workers finishing rows at once do not
    // wait for each other's compression.
    Entry entry{outcome.reason,
                outcome.protocol,
                static_cast<std::uint32_t>(outcome.answer.size()),
                Compress(outcome.answer),
                std::move(outcome.values),
                std::move(outcome.server),
                outcome.askedAt,
                true,
                static_cast<std::uint32_t>(outcome.otherAnswer.size()),
                Compress(outcome.otherAnswer),
                std::move(outcome.otherServer),
                outcome.otherCameFirst};
    if (entry.compressed.empty()) {
        entry.answerBytes = 0; // nothing kept (an empty answer, or no memory for one)
    }
    if (entry.otherCompressed.empty()) {
        entry.otherBytes = 0;
        entry.otherServer.clear();
    }
    const std::lock_guard lock(m_mutex);
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) {
        return;
    }
    m_entries[static_cast<std::size_t>(index)] = std::move(entry);
}

bool RowDetails::Finished(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr && entry->finished;
}

void RowDetails::EraseRows(const std::vector<std::int32_t>& ascending) {
    const std::lock_guard lock(m_mutex);
    const std::size_t size = m_entries.size();
    std::size_t kept = 0;
    auto gone = ascending.begin();
    for (std::size_t i = 0; i < size; ++i) {
        if (gone != ascending.end() && static_cast<std::size_t>(*gone) == i) {
            ++gone;
            continue;
        }
        if (kept != i) {
            m_entries[kept] = std::move(m_entries[i]);
        }
        ++kept;
    }
    for (std::size_t i = kept; i < size; ++i) {
        m_entries[i] = Entry{};
    }
}

void RowDetails::InsertRows(const std::vector<std::int32_t>& ascending) {
    const std::lock_guard lock(m_mutex);
    const std::size_t size = m_entries.size();
    std::vector<Entry> entries(size);
    std::size_t from = 0;
    auto place = ascending.begin();
    for (std::size_t i = 0; i < size; ++i) {
        if (place != ascending.end() && static_cast<std::size_t>(*place) == i) {
            ++place;
            continue; // stays empty
        }
        if (from < size) {
            entries[i] = std::move(m_entries[from++]);
        }
    }
    m_entries = std::move(entries);
}

const RowDetails::Entry* RowDetails::Find(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) {
        return nullptr;
    }
    return &m_entries[static_cast<std::size_t>(index)];
}

FailReason RowDetails::Reason(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->reason : FailReason::None;
}

std::string_view QueryProtocolName(QueryProtocol protocol) {
    switch (protocol) {
    case QueryProtocol::Whois:
        return "whois";
    case QueryProtocol::Rdap:
        return "rdap";
    case QueryProtocol::None:
        break;
    }
    return {};
}

QueryProtocol RowDetails::Protocol(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->protocol : QueryProtocol::None;
}

std::string RowDetails::Unpack(std::int32_t index, std::vector<unsigned char> Entry::*data,
                               std::uint32_t Entry::*bytes) const {
    std::vector<unsigned char> compressed;
    std::uint32_t size = 0;
    {
        const std::lock_guard lock(m_mutex);
        const Entry* entry = Find(index);
        if (entry == nullptr) {
            return {};
        }
        compressed = entry->*data;
        size = entry->*bytes;
    }
    // Decompressed outside the lock, like the compression in Set.
    return Decompress(compressed, size);
}

std::string RowDetails::Answer(std::int32_t index) const {
    return Unpack(index, &Entry::compressed, &Entry::answerBytes);
}

std::string RowDetails::AnswerUtf8(std::int32_t index) const {
    return AnswerForDisplay(Answer(index));
}

CheckValues RowDetails::Values(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->values : CheckValues{};
}

std::string RowDetails::Server(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->server : std::string();
}

std::int64_t RowDetails::AskedAt(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->askedAt : 0;
}

std::string RowDetails::OtherAnswerUtf8(std::int32_t index) const {
    return AnswerForDisplay(OtherAnswer(index));
}

std::string RowDetails::OtherAnswer(std::int32_t index) const {
    return Unpack(index, &Entry::otherCompressed, &Entry::otherBytes);
}

std::string RowDetails::OtherServer(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->otherServer : std::string();
}

bool RowDetails::OtherCameFirst(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr && entry->otherCameFirst;
}

RowOutcome RowDetails::Outcome(std::int32_t index, bool answers) const {
    RowOutcome outcome;
    outcome.reason = Reason(index);
    outcome.protocol = Protocol(index);
    outcome.values = Values(index);
    outcome.server = Server(index);
    outcome.askedAt = AskedAt(index);
    if (answers) {
        outcome.answer = Answer(index);
        outcome.otherAnswer = OtherAnswer(index);
        outcome.otherServer = OtherServer(index);
        outcome.otherCameFirst = OtherCameFirst(index);
    }
    return outcome;
}
