#pragma once

// The table of domains: the model of the whole application. Fixed-width rows
// of GBK text, one block of kMaxRows, shared by the UI thread and the worker
// (the worker writes only the row it queries; the UI reads a row only after
// UM_ROW_DONE has covered it).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CCore;

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

// Copies `value` into a fixed-width field: at most width-1 bytes, terminated,
// never ending on the lead byte of a GBK double-byte character.
void SetField(char* field, std::size_t width, std::string_view value);
template <std::size_t N>
void SetField(char (&field)[N], std::string_view value) {
    SetField(field, N, value);
}
// The number of bytes of `text` that fit in `maxBytes` without splitting a
// GBK double-byte character (lead 0x81-0xFE followed by its trail byte).
[[nodiscard]] std::size_t GbkCutLength(std::string_view text, std::size_t maxBytes);

struct DomainTable {
    static constexpr int32_t kMaxRows = 20000;

    DomainRecord* rows = nullptr;
    int32_t count = 0;
    int32_t startIndex = 0;
    int32_t findCursor = 0;
    std::string findText;
    std::string listFilePath;
    int32_t expiryDays = 0;
    int32_t redDisplay = 0;
    CCore* core = nullptr;
    void* panelWindow = nullptr; // the control panel, for posted messages

    // Allocates the zeroed block; count and findCursor 0. False if no memory.
    bool Allocate();
    // Zeroes the whole block; count 0.
    void Clear();
    // Frees the block; later users find none.
    void Release();
    [[nodiscard]] bool IsAllocated() const { return rows != nullptr; }
    [[nodiscard]] DomainRecord& Row(int32_t index) { return rows[index]; }
    [[nodiscard]] const DomainRecord& Row(int32_t index) const { return rows[index]; }
};

// The process-wide table of the desktop program. Engine functions take the
// table as a parameter so tests and the batch tool can use their own.
[[nodiscard]] DomainTable& TheDomainTable();
