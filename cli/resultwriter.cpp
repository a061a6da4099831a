// SPDX-License-Identifier: MIT
#include "cli/resultwriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/atomicfile.h"
#include "engine/domaintable.h"
#include "engine/net/idn.h"
#include "formats/csvexport.h"

ResultWriter::ResultWriter(OutputFormat format, std::string path, int tableColumns)
    : m_format(format), m_path(std::move(path)), m_columns(tableColumns),
      m_table(ResultTableLayoutFor(tableColumns)) {
    if (!m_path.empty()) {
        m_file = std::make_unique<AtomicFile>(m_path);
    }
}

ResultWriter::~ResultWriter() = default;

bool ResultWriter::Open() {
    if (m_file && !m_file->Open()) {
        return false;
    }
    if (m_format != OutputFormat::Table) {
        return true;
    }
    if (m_longestName > 0) {
        m_table = ResultTableLayoutFor(m_columns, m_longestName);
    }
    return WriteBytes(FormatResultTableHeader(m_table));
}

bool ResultWriter::WriteBytes(const std::string& bytes) {
    if (m_file) {
        return m_file->Write(bytes);
    }
    if (m_stdoutError != 0) {
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
        m_stdoutError = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

bool ResultWriter::WriteRow(const DomainRecord& row, int32_t index,
                            const JsonLineDetails& details) {
    switch (m_format) {
    case OutputFormat::Csv:
        return WriteBytes(details.values != nullptr
                              ? FormatCsvLine(row, true, *details.values, CsvEncoding::Gbk)
                              : FormatCsvLine(row));
    case OutputFormat::Jsonl:
        return WriteBytes(FormatJsonLine(row, index, details));
    case OutputFormat::Table:
        break;
    case OutputFormat::Prometheus:
        return true; // a metrics file is written whole, with WriteText, when the batch ends
    }
    const CheckValues values = details.values != nullptr ? *details.values : CheckValues{};
    return WriteBytes(FormatResultTableLine(
        ResultTableRowFor(row, details.finished, details.reason, values), m_table));
}

bool ResultWriter::WriteText(const std::string& text) {
    return WriteBytes(text);
}

bool ResultWriter::Flush() {
    if (m_file || m_stdoutError != 0) {
        return m_stdoutError == 0;
    }
    if (std::fflush(stdout) != 0) {
        m_stdoutError = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

bool ResultWriter::Finish() {
    return m_file ? m_file->Commit() : Flush();
}

void ResultWriter::Discard() {
    if (m_file) {
        m_file->Discard();
    }
}

std::string ResultWriter::errorText() const {
    if (m_file) {
        return "cannot write output file '" + m_path + "': " + m_file->errorText();
    }
    return std::string("cannot write to standard output: ") + std::strerror(m_stdoutError);
}
