// SPDX-License-Identifier: MIT
#pragma once

// Where the rows go: standard output, written as they finish, or a file that
// is replaced only when the batch is over (through a temporary file beside
// it), so a reader never finds half a result file.

#include <cstdint>
#include <memory>
#include <string>

#include "cli/batchoptions.h"
#include "cli/jsonlines.h"
#include "cli/resulttable.h"

class AtomicFile;
struct DomainRecord;

class ResultWriter {
public:
    // `tableColumns`: the terminal's width, for the table format.
    ResultWriter(OutputFormat format, std::string path, int tableColumns = 80);
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    // The display width of the longest name to come, for the table format:
    // its domain column fits it (0: a usual width).
    void SetLongestName(int width) { m_longestName = width; }

    // Creates the temporary file for a file output, so an unwritable path is
    // found before any query runs; the table's header goes out here.
    bool Open();
    // `details` are written to jsonl lines only.
    bool WriteRow(const DomainRecord& row, int32_t index, const JsonLineDetails& details = {});
    // Text written as it is (a whole metrics file).
    bool WriteText(const std::string& text);
    // Pushes written rows out to standard output.
    bool Flush();
    // Makes the output final: the file replaces its target.
    bool Finish();
    // Drops a file output; its target stays as it was.
    void Discard();

    // "cannot write ...: reason" for the first failure.
    [[nodiscard]] std::string errorText() const;

private:
    bool WriteBytes(const std::string& bytes);

    OutputFormat m_format;
    std::string m_path;
    int m_columns;
    ResultTableLayout m_table;
    int m_longestName = 0;
    std::unique_ptr<AtomicFile> m_file;
    int m_stdoutError = 0;
};
