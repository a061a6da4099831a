// SPDX-License-Identifier: MIT
#pragma once

// What a row's query leaves besides its 832-byte record: why it failed,
// which protocol answered, and the answer text itself (for the details
// window and `zentrix-batch --raw`). Indexed like the table's rows. The
// worker sets a row's entry before it reports the row finished and readers
// read it afterwards, as with the row itself; a mutex keeps the store's own
// bookkeeping safe when several workers finish rows at once.
//
// Answers are kept compressed and cut to kMaxAnswerBytes, so a table of
// 20,000 rows keeps its answers in some tens of megabytes at most.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/failreason.h"
#include "engine/store/checkvalues.h"

enum class QueryProtocol : std::uint8_t { None = 0, Whois, Rdap };

// "whois", "rdap", or empty for None: as scripts read it.
[[nodiscard]] std::string_view QueryProtocolName(QueryProtocol protocol);

struct RowOutcome {
    FailReason reason = FailReason::None;
    QueryProtocol protocol = QueryProtocol::None;
    std::string answer;       // the answer as received (WHOIS bytes or RDAP JSON)
    CheckValues values{};     // the fields whole, in UTF-8 (the row holds cut GBK copies)
    std::string server{};     // the host that answered, whole
    std::int64_t askedAt = 0; // when the row finished, Unix seconds
    // The row's other answer when it had two, and the host that gave it:
    // the registry's when the registrar's was adopted (then it came first),
    // or the registrar's that the registry's RDAP answer linked to.
    std::string otherAnswer{};
    std::string otherServer{};
    bool otherCameFirst = false;
};

class RowDetails {
public:
    // The longest answer kept; a longer one keeps its first bytes.
    static constexpr std::size_t kMaxAnswerBytes = 64 * 1024;

    // Every row's entry empty, room for `rows` rows.
    void Reset(std::int32_t rows);
    void Set(std::int32_t index, RowOutcome outcome);
    // Empties one row's entry (its place is taken by another row).
    void Clear(std::int32_t index);
    // True once the worker stored the row's outcome (since the last Reset).
    [[nodiscard]] bool Finished(std::int32_t index) const;
    // Drops the entries at `ascending` (sorted, no repeats); the entries
    // after each move up, and empty entries refill the end.
    void EraseRows(const std::vector<std::int32_t>& ascending);
    // Makes room at `ascending` (the places the entries take afterwards,
    // sorted, no repeats): empty entries go there, the others move down, and
    // the last entries drop off the end.
    void InsertRows(const std::vector<std::int32_t>& ascending);
    [[nodiscard]] FailReason Reason(std::int32_t index) const;
    [[nodiscard]] QueryProtocol Protocol(std::int32_t index) const;
    // The answer as received (cut to kMaxAnswerBytes).
    [[nodiscard]] std::string Answer(std::int32_t index) const;
    // The same as valid UTF-8, for display (see AnswerForDisplay).
    [[nodiscard]] std::string AnswerUtf8(std::int32_t index) const;
    // The row's fields whole and in UTF-8; empty for a row not finished.
    [[nodiscard]] CheckValues Values(std::int32_t index) const;
    [[nodiscard]] std::string Server(std::int32_t index) const;
    [[nodiscard]] std::int64_t AskedAt(std::int32_t index) const;
    // The other answer (as valid UTF-8, cut like the first), its host, and
    // whether it came before the answer; empty when the row had one answer.
    [[nodiscard]] std::string OtherAnswerUtf8(std::int32_t index) const;
    [[nodiscard]] std::string OtherAnswer(std::int32_t index) const;
    [[nodiscard]] std::string OtherServer(std::int32_t index) const;
    [[nodiscard]] bool OtherCameFirst(std::int32_t index) const;
    // All of the above as one outcome; without `answers`, only what the
    // list shows (no answer, no other answer or its host).
    [[nodiscard]] RowOutcome Outcome(std::int32_t index, bool answers = true) const;

private:
    struct Entry {
        FailReason reason = FailReason::None;
        QueryProtocol protocol = QueryProtocol::None;
        std::uint32_t answerBytes = 0;         // before compression
        std::vector<unsigned char> compressed; // zlib stream of the answer
        CheckValues values;
        std::string server;
        std::int64_t askedAt = 0;
        bool finished = false; // Set was called for the row
        std::uint32_t otherBytes = 0;
        std::vector<unsigned char> otherCompressed;
        std::string otherServer;
        bool otherCameFirst = false;
    };
    // An answer kept compressed in the entry's `data`, `bytes` long whole.
    [[nodiscard]] std::string Unpack(std::int32_t index, std::vector<unsigned char> Entry::*data,
                                     std::uint32_t Entry::*bytes) const;
    [[nodiscard]] const Entry* Find(std::int32_t index) const;

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};
