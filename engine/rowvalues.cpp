// SPDX-License-Identifier: MIT
#include "engine/rowvalues.h"

#include <string>

#include "core/ccore.h"
#include "core/text.h"
#include "engine/domaintable.h"

void SetFieldFromUtf8(char* field, std::size_t width, std::string_view utf8) {
    std::string gbk(utf8);
    CCore::UTF8_ANSI(gbk);
    SetField(field, width, gbk);
}

void StoreRowValues(DomainRecord& row, const CheckValues& values) {
    SetFieldFromUtf8(row.expiryDate, values.expiry);
    SetFieldFromUtf8(row.createdDate, values.created);
    SetFieldFromUtf8(row.updatedDate, values.updated);
    SetFieldFromUtf8(row.owner, values.owner);
    SetFieldFromUtf8(row.email, values.email);
    SetFieldFromUtf8(row.phone, values.phone);
    SetFieldFromUtf8(row.registrar, values.registrar);
}

CheckValues RecordValues(const DomainRecord& row) {
    CheckValues values;
    values.expiry = CCore::ANSI_UTF8(FieldText(row.expiryDate));
    values.created = CCore::ANSI_UTF8(FieldText(row.createdDate));
    values.updated = CCore::ANSI_UTF8(FieldText(row.updatedDate));
    values.owner = CCore::ANSI_UTF8(FieldText(row.owner));
    values.email = CCore::ANSI_UTF8(FieldText(row.email));
    values.phone = CCore::ANSI_UTF8(FieldText(row.phone));
    values.registrar = CCore::ANSI_UTF8(FieldText(row.registrar));
    return values;
}

CheckValues ShownValues(const DomainTable& table, std::int32_t index) {
    if (!table.IsAllocated() || index < 0 || index >= table.count) {
        return {};
    }
    CheckValues shown = RecordValues(table.Row(index));
    if (!table.details.Finished(index)) {
        return shown;
    }
    CheckValues whole = table.details.Values(index);
    const auto take = [](std::string& to, std::string& from) {
        if (!from.empty()) {
            to = std::move(from);
        }
    };
    take(shown.expiry, whole.expiry);
    take(shown.created, whole.created);
    take(shown.updated, whole.updated);
    take(shown.owner, whole.owner);
    take(shown.email, whole.email);
    take(shown.phone, whole.phone);
    take(shown.registrar, whole.registrar);
    return shown;
}
