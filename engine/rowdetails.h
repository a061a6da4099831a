#pragma once

// What a row's query leaves besides its 832-byte record: why it failed,
// which protocol answered, and the answer text itself (for the details
// window and `zentrix-batch --raw`). Indexed like the table's rows. The
// worker sets a row's entry before it reports the row finished and readers
// read it afterwards, as with the row itself; a mutex keeps the store's own
// bookkeeping safe when several workers finish rows at once.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/failreason.h"

enum class QueryProtocol : std::uint8_t { None = 0, Whois, Rdap };

struct RowOutcome {
    FailReason reason = FailReason::None;
    QueryProtocol protocol = QueryProtocol::None;
    std::string answer; // the answer as received (WHOIS bytes or RDAP JSON)
};

class RowDetails {
public:
    // Every row's entry empty, room for `rows` rows.
    void Reset(std::int32_t rows);
    void Set(std::int32_t index, RowOutcome outcome);
    [[nodiscard]] FailReason Reason(std::int32_t index) const;
    [[nodiscard]] QueryProtocol Protocol(std::int32_t index) const;
    [[nodiscard]] std::string Answer(std::int32_t index) const;

private:
    struct Entry {
        FailReason reason = FailReason::None;
        QueryProtocol protocol = QueryProtocol::None;
        std::string answer;
    };
    [[nodiscard]] const Entry* Find(std::int32_t index) const;

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};
