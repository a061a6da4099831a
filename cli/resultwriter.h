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

class AtomicFile;
struct DomainRecord;

class ResultWriter {
public:
    ResultWriter(OutputFormat format, std::string path);
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    // Creates the temporary file for a file output, so an unwritable path is
    // found before any query runs.
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
    std::unique_ptr<AtomicFile> m_file;
    int m_stdoutError = 0;
};
