// SPDX-License-Identifier: MIT
#include "listwin/formats/csvexport.h"

#include <array>

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "engine/domaintable.h"

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

// GBK trail bytes are 0x40 and above, so a byte-wise '"' is always a quote.
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

} // namespace

std::string FormatCsvLine(const DomainRecord& row, bool finished) {
    std::string line;
    line.reserve(256);
    AppendField(line, FieldText(row.whoisServer), Origin::Local);
    line += ',';
    AppendField(line, FieldText(row.domain), Origin::Remote);
    line += ',';
    AppendField(line, finished ? ExportStatusGbk(row.status) : std::string_view(), Origin::Local);
    line += ',';
    AppendField(line, CCore::parseDate1(FieldText(row.expiryDate)), Origin::Remote);
    line += ',';
    AppendField(line, CCore::parseDate1(FieldText(row.createdDate)), Origin::Remote);
    line += ',';
    AppendField(line, FieldText(row.owner), Origin::Remote);
    line += ',';
    AppendField(line, FieldText(row.email), Origin::Remote);
    line += ',';
    AppendField(line, FieldText(row.phone), Origin::Remote);
    line += ',';
    AppendField(line, FieldText(row.registrar), Origin::Remote);
    line += "\r\n";
    return line;
}

bool WriteCsvFile(const DomainTable& table, const std::string& path, int* error,
                  CsvEncoding encoding) {
    AtomicFile file(path);
    bool ok = file.Open();
    if (ok && encoding == CsvEncoding::Utf8WithBom) {
        ok = file.Write("\xEF\xBB\xBF");
    }
    for (int32_t i = 0; ok && i < table.count; ++i) {
        const std::string line = FormatCsvLine(table.Row(i), table.IsFinished(i));
        ok = file.Write(encoding == CsvEncoding::Gbk ? line : CCore::ANSI_UTF8(line));
    }
    ok = ok && file.Commit();
    if (error != nullptr) {
        *error = file.error();
    }
    return ok;
}
