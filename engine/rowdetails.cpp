#include "engine/rowdetails.h"

void RowDetails::Reset(std::int32_t rows) {
    const std::lock_guard lock(m_mutex);
    m_entries.assign(static_cast<std::size_t>(rows > 0 ? rows : 0), Entry{});
}

void RowDetails::Set(std::int32_t index, RowOutcome outcome) {
    const std::lock_guard lock(m_mutex);
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) {
        return;
    }
    m_entries[static_cast<std::size_t>(index)] = {outcome.reason, outcome.protocol,
                                                  std::move(outcome.answer)};
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

QueryProtocol RowDetails::Protocol(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->protocol : QueryProtocol::None;
}

std::string RowDetails::Answer(std::int32_t index) const {
    const std::lock_guard lock(m_mutex);
    const Entry* entry = Find(index);
    return entry != nullptr ? entry->answer : std::string();
}
