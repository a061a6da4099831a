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
    const DomainRecord& row = table.Row(index);
    if (!table.details.Finished(index)) {
        return RecordValues(row);
    }
    CheckValues shown = table.details.Values(index);
    const auto fill = [](std::string& value, std::string_view field) {
        if (value.empty()) {
            value = CCore::ANSI_UTF8(field);
        }
    };
    fill(shown.expiry, FieldText(row.expiryDate));
    fill(shown.created, FieldText(row.createdDate));
    fill(shown.updated, FieldText(row.updatedDate));
    fill(shown.owner, FieldText(row.owner));
    fill(shown.email, FieldText(row.email));
    fill(shown.phone, FieldText(row.phone));
    fill(shown.registrar, FieldText(row.registrar));
    return shown;
}
