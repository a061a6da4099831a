// SPDX-License-Identifier: MIT
#pragma once

// The filter above the list: a text the domain or server must contain and a
// choice of outcome (全部 / 成功 / 域名未注册 / 失败 / 即将到期 /
// 有变化), and the names a watch alert or a chart bar picked.

#include "listwin/listsortfilter.h"

#include <QWidget>

class QComboBox;
class QLineEdit;

class CListFilterBar final : public QWidget {
    Q_OBJECT
public:
    explicit CListFilterBar(QWidget* parent = nullptr);

    [[nodiscard]] QString text() const;
    [[nodiscard]] StatusFilter status() const;
    // Chooses the picked names (set on the list's filter first), captioned
    // `caption`, and clears the text.
    void ShowPicked(const QString& caption);

signals:
    void filterChanged(const QString& text, StatusFilter status);

private:
    void Changed();

    QLineEdit* m_text = nullptr;
    QComboBox* m_status = nullptr;
};
