// SPDX-License-Identifier: MIT
#include "listwin/columnlayout.h"

#include "core/ccore.h"
#include "core/text.h"

#include <QHeaderView>
#include <algorithm>
#include <vector>

namespace {

constexpr const char* kWidthsKey = "listwidths";
constexpr const char* kOrderKey = "listorder";
constexpr const char* kHiddenKey = "listhidden";

// Every comma-separated number, or nothing when one part is not a number.
bool ParseNumbers(std::string_view text, std::vector<int>& numbers) {
    numbers.clear();
    if (TrimBlanks(text).empty()) {
        return true;
    }
    for (;;) {
        const auto comma = text.find(',');
        int value = 0;
        if (!ParseInt(text.substr(0, comma), value)) {
            numbers.clear();
            return false;
        }
        numbers.push_back(value);
        if (comma == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(comma + 1);
    }
}

template <class Range>
std::string JoinNumbers(const Range& numbers) {
    std::string text;
    for (const int n : numbers) {
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(n);
    }
    return text;
}

bool IsColumn(int value) {
    return value >= 0 && value < ListColumn::Count;
}

} // namespace

ColumnLayout DefaultColumnLayout() {
    ColumnLayout layout;
    for (int c = 0; c < ListColumn::Count; ++c) {
        layout.widths[c] = kListColumns[c].width;
        layout.order[c] = ListColumn::kDefaultOrder[c];
        layout.hidden[c] = false;
    }
    return layout;
}

ColumnLayout ParseColumnLayout(const ColumnLayoutTexts& texts) {
    ColumnLayout layout = DefaultColumnLayout();
    std::vector<int> numbers;

    // A layout saved before the changes column names one column fewer, one
    // saved before the days left two fewer: the columns it lacks take their
    // defaults, the changes last, the days left after the expiry date.
    const auto fits = [&] {
        return numbers.size() == ListColumn::Count ||
               numbers.size() == ListColumn::CountBeforeDaysLeft ||
               numbers.size() == ListColumn::CountBeforeChanges;
    };
    if (ParseNumbers(texts.widths, numbers) && fits()) {
        for (int c = 0; c < static_cast<int>(numbers.size()); ++c) {
            if (numbers[c] >= kMinColumnWidth && numbers[c] <= kMaxColumnWidth) {
                layout.widths[c] = numbers[c];
            }
        }
    }

    // The order must name every column once, the domain first.
    if (ParseNumbers(texts.order, numbers) && fits() && numbers[0] == ListColumn::Domain) {
        if (numbers.size() == ListColumn::CountBeforeChanges) {
            numbers.push_back(ListColumn::Changes);
        }
        if (numbers.size() == ListColumn::CountBeforeDaysLeft) {
            const auto expiry = std::find(numbers.begin(), numbers.end(), ListColumn::Expiry);
            numbers.insert(expiry == numbers.end() ? expiry : expiry + 1, ListColumn::DaysLeft);
        }
        std::array<bool, ListColumn::Count> seen{};
        bool ok = true;
        for (const int c : numbers) {
            ok = ok && IsColumn(c) && !seen[c];
            if (ok) {
                seen[c] = true;
            }
        }
        if (ok) {
            std::copy(numbers.begin(), numbers.end(), layout.order.begin());
        }
    }

    if (ParseNumbers(texts.hidden, numbers)) {
        for (const int c : numbers) {
            if (IsColumn(c) && c != ListColumn::Domain) {
                layout.hidden[c] = true;
            }
        }
    }
    return layout;
}

ColumnLayoutTexts FormatColumnLayout(const ColumnLayout& layout) {
    std::vector<int> hidden;
    for (int c = 0; c < ListColumn::Count; ++c) {
        if (layout.hidden[c]) {
            hidden.push_back(c);
        }
    }
    return {JoinNumbers(layout.widths), JoinNumbers(layout.order), JoinNumbers(hidden)};
}

ColumnLayout ReadColumnLayout(const QHeaderView& header, const ColumnWidths& lastWidths) {
    ColumnLayout layout = DefaultColumnLayout();
    for (int c = 0; c < ListColumn::Count && c < header.count(); ++c) {
        layout.hidden[c] = header.isSectionHidden(c);
        const int width = layout.hidden[c] ? lastWidths[c] : header.sectionSize(c);
        if (width >= kMinColumnWidth) {
            layout.widths[c] = std::min(width, kMaxColumnWidth);
        }
        layout.order[header.visualIndex(c)] = c;
    }
    return layout;
}

void ApplyColumnLayout(QHeaderView& header, const ColumnLayout& layout) {
    if (header.count() < ListColumn::Count) {
        return;
    }
    for (int place = 0; place < ListColumn::Count; ++place) {
        const int column = layout.order[place];
        header.moveSection(header.visualIndex(column), place);
    }
    for (int c = 0; c < ListColumn::Count; ++c) {
        header.setSectionHidden(c, false);
        header.resizeSection(c, layout.widths[c]);
        header.setSectionHidden(c, layout.hidden[c]);
    }
}

ColumnLayout LoadColumnLayout(const CCore& core, QHeaderView& header) {
    const ColumnLayout layout =
        ParseColumnLayout({core.getConfigStr(kWidthsKey), core.getConfigStr(kOrderKey),
                           core.getConfigStr(kHiddenKey)});
    ApplyColumnLayout(header, layout);
    return layout;
}

void SaveColumnLayout(CCore& core, const QHeaderView& header, const ColumnWidths& lastWidths) {
    const ColumnLayoutTexts texts = FormatColumnLayout(ReadColumnLayout(header, lastWidths));
    core.saveConfigStr(kWidthsKey, texts.widths);
    core.saveConfigStr(kOrderKey, texts.order);
    core.saveConfigStr(kHiddenKey, texts.hidden);
}
