// SPDX-License-Identifier: MIT
#pragma once

// The table of domains: the model of the whole application. Fixed-width rows
// of GBK text, one block of kMaxRows, shared by the UI thread and the worker
// (the worker writes only the row it queries; the UI reads a row only after
// UM_ROW_DONE has covered it).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "engine/rowdetails.h"

class CCore;
class ResultStore;

enum QueryStatus : int32_t {
    NoServer = 0,
    Found = 1,
    NotRegistered = 2,
    Error = 3,
};

// Display texts, UTF-8. The list view shows "ERR!" for Error; the export an
// empty text. Any other code gives the empty text in both.
[[nodiscard]] const char* QueryStatusListText(int32_t status);
[[nodiscard]] const char* QueryStatusExportText(int32_t status);

struct DomainRecord {
    char whoisServer[51];
    char domain[41];
    int32_t status;
    char expiryDate[41];
    char createdDate[41];
    char updatedDate[41];
    char owner[251];
    char email[51];
    char phone[51];
    char registrar[252];
    uint8_t answered;
    int32_t removed;
};
static_assert(sizeof(DomainRecord) == 832, "rows are exactly 832 bytes");

// The row block: one zero-filled allocation of kMaxRows rows, freed with
// its owner. Moves, never copies.
struct RowBlockDeleter {
    void operator()(DomainRecord* rows) const;
};
using RowBlock = std::unique_ptr<DomainRecord[], RowBlockDeleter>;

// A row taken out of the table, as it was: its place, record and outcome.
struct TakenRow {
    int32_t index = 0;
    DomainRecord record{};
    bool hasOutcome = false; // the worker had stored an outcome for it
    RowOutcome outcome;
};

struct DomainTable {
    static constexpr int32_t kMaxRows = 20000;

    DomainTable() = default;
    DomainTable(const DomainTable&) = delete;
    DomainTable& operator=(const DomainTable&) = delete;

    int32_t count = 0;
    int32_t startIndex = 0;
    // The rows the next batch asks, ascending; empty: startIndex..count-1.
    std::vector<int32_t> batchRows;
    // Whether the next batch moves the resume point ("lastindex").
    bool batchSavesResume = true;
    int32_t findCursor = 0;
    std::string findText;
    std::string listFilePath;
    int32_t expiryDays = 0;
    int32_t redDisplay = 0;
    CCore* core = nullptr;
    ResultStore* store = nullptr; // every check of every name; none: not kept
    void* panelWindow = nullptr;  // the control panel, for posted messages
    // Reasons, protocols and answer texts of the rows; emptied with the block.
    RowDetails details;

    // Allocates the zeroed block; count and findCursor 0. False if no memory.
    bool Allocate();
    // Zeroes the whole block; count 0.
    void Clear();
    // Takes the rows whose `removed` flag is set out of the table: the other
    // rows keep their fields, details and order and move up; the freed rows
    // at the end are zeroed. Returns how many rows went.
    int32_t RemoveMarkedRows();
    // Copies of the rows marked removed, before RemoveMarkedRows takes them.
    [[nodiscard]] std::vector<TakenRow> CopyMarkedRows() const;
    // Puts taken rows back at their places (ascending, as CopyMarkedRows
    // gave them), the rows after each moving down. False, nothing changed,
    // when they do not fit.
    bool PutBackRows(const std::vector<TakenRow>& rows);
    // The worker finished the row (its outcome is stored, or it was answered);
    // false for a row not yet asked.
    [[nodiscard]] bool IsFinished(int32_t index) const;
    // The rows counted as done before the next batch starts: the start
    // index, or the rows the batch does not ask.
    [[nodiscard]] int32_t BatchBase() const;
    // Whether the next batch asks row `index`.
    [[nodiscard]] bool InNextBatch(int32_t index) const;
    // Frees the block; later users find none.
    void Release();
    [[nodiscard]] bool IsAllocated() const { return m_rows != nullptr; }
    // The first row of the block, or nullptr when there is none.
    [[nodiscard]] DomainRecord* Rows() const { return m_rows.get(); }
    [[nodiscard]] DomainRecord& Row(int32_t index) { return m_rows[index]; }
    [[nodiscard]] const DomainRecord& Row(int32_t index) const { return m_rows[index]; }

private:
    RowBlock m_rows;
};

// The process-wide table of the desktop program. Engine functions take the
// table as a parameter so tests and the batch tool can use their own.
[[nodiscard]] DomainTable& TheDomainTable();
