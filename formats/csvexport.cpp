// SPDX-License-Identifier: MIT
#include "formats/csvexport.h"

#include <array>
#include <initializer_list>

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "core/gbktext.h"
#include "engine/domaintable.h"
#include "engine/rowvalues.h"

namespace {

// The export texts of the four status codes in GBK; other codes are empty.
std::string_view ExportStatusGbk(int32_t status) {
    static const std::array<std::string, 4> texts = [] {
        std::array<std::string, 4> gbk;
        for (int32_t code = 0; code < 4; ++code) {
            gbk[code] = QueryStatusExportText(code);
            CCore::UTF8_ANSI(gbk[code]);
        }
        return gbk;
    }();
    return status >= 0 && status < 4 ? std::string_view(texts[status]) : std::string_view();
}

// A spreadsheet skips leading blanks before it decides that a cell is a
// formula, so " =1+2" runs as well as "=1+2".
bool LooksLikeFormula(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    if (text.front() == '\t' || text.front() == '\r') {
        return true;
    }
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return false;
    }
    const char c = text[first];
    return c == '=' || c == '+' || c == '-' || c == '@';
}

// Texts from outside the program: what a server wrote, and the domain,
// which comes from a list file of unknown origin (a name that passed the
// list's check never looks like a formula, but the guard does not rely on it).
enum class Origin { Local, Remote };

// GBK trail bytes are 0x40 and above, and UTF-8 has no ASCII byte inside a
// character, so a byte-wise '"' is always a quote.
void AppendField(std::string& line, std::string_view text, Origin origin) {
    line += '"';
    if (origin == Origin::Remote && LooksLikeFormula(text)) {
        line += '\'';
    }
    for (const char c : text) {
        if (c == '"') {
            line += '"';
        }
        line += c;
    }
    line += '"';
}

// The next field of a line, after a comma unless it is the first.
void AppendNextField(std::string& line, std::string_view text, Origin origin) {
    if (!line.empty()) {
        line += ',';
    }
    AppendField(line, text, origin);
}

struct FieldView {
    std::string_view text;
    Origin origin;
};

// A fixed line: the fields quoted and comma-separated, and its CR LF.
std::string FixedLine(std::initializer_list<FieldView> fields) {
    std::string line;
    line.reserve(256);
    for (const FieldView& field : fields) {
        AppendNextField(line, field.text, field.origin);
    }
    line += "\r\n";
    return line;
}

} // namespace

std::string FormatCsvLine(const DomainRecord& row, bool finished) {
    return FixedLine({
        {FieldText(row.whoisServer), Origin::Local},
        {FieldText(row.domain), Origin::Remote},
        {finished ? ExportStatusGbk(row.status) : std::string_view(), Origin::Local},
        {FieldText(row.expiryDate), Origin::Remote},
        {FieldText(row.createdDate), Origin::Remote},
        {FieldText(row.owner), Origin::Remote},
        {FieldText(row.email), Origin::Remote},
        {FieldText(row.phone), Origin::Remote},
        {FieldText(row.registrar), Origin::Remote},
    });
}

std::string FormatCsvLine(const DomainRecord& row, bool finished, const CheckValues& values,
                          CsvEncoding encoding, std::size_t* replaced) {
    // Built in UTF-8, then converted once: the values' characters reach a
    // UTF-8 file whole, and a GBK file as far as GBK has them.
    std::string line = FixedLine({
        {CCore::ANSI_UTF8(FieldText(row.whoisServer)), Origin::Local},
        {CCore::ANSI_UTF8(FieldText(row.domain)), Origin::Local},
        {finished ? QueryStatusExportText(row.status) : "", Origin::Local},
        {values.expiry, Origin::Remote},
        {values.created, Origin::Remote},
        {values.owner, Origin::Remote},
        {values.email, Origin::Remote},
        {values.phone, Origin::Remote},
        {values.registrar, Origin::Remote},
    });
    if (encoding == CsvEncoding::Gbk) {
        std::size_t count = 0;
        Utf8ToGbk(line, count);
        if (replaced != nullptr) {
            *replaced += count;
        }
    }
    return line;
}

bool WriteCsvFile(const DomainTable& table, const std::string& path, int* error,
                  CsvEncoding encoding, std::size_t* replaced,
                  const std::vector<std::int32_t>* rows) {
    if (replaced != nullptr) {
        *replaced = 0;
    }
    AtomicFile file(path);
    bool ok = file.Open();
    if (ok && encoding == CsvEncoding::Utf8WithBom) {
        ok = file.Write("\xEF\xBB\xBF");
    }
    const auto write = [&](int32_t i) {
        return file.Write(FormatCsvLine(table.Row(i), table.IsFinished(i), ShownValues(table, i),
                                        encoding, replaced));
    };
    if (rows != nullptr) {
        for (std::size_t k = 0; ok && k < rows->size(); ++k) {
            const int32_t i = (*rows)[k];
            ok = i < 0 || i >= table.count || write(i);
        }
    } else {
        for (int32_t i = 0; ok && i < table.count; ++i) {
            ok = write(i);
        }
    }
    ok = ok && file.Commit();
    if (error != nullptr) {
        *error = file.error();
    }
    return ok;
}

std::string FormatCsvFields(const std::vector<CsvField>& fields) {
    std::string line;
    for (const CsvField& field : fields) {
        AppendNextField(line, field.text, field.remote ? Origin::Remote : Origin::Local);
    }
    line += "\r\n";
    return line;
}

bool WriteUtf8CsvLines(const std::vector<std::string>& lines, const std::string& path, int* error) {
    AtomicFile file(path);
    bool ok = file.Open() && file.Write("\xEF\xBB\xBF");
    for (std::size_t k = 0; ok && k < lines.size(); ++k) {
        ok = file.Write(lines[k]);
    }
    ok = ok && file.Commit();
    if (error != nullptr) {
        *error = file.error();
    }
    return ok;
}
