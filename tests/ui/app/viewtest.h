// SPDX-License-Identifier: MIT
#pragma once

// A list view on its own, under a recording main window and panel: tests
// fill the table, post messages to the view and read its cells and posts.

#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/makehtmlview.h"
#include "rowgate.h"
#include "scripteddialogs.h"
#include "uitest.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>

struct RowText {
    const char* domain;
    const char* server;
};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.Allocate();
        table.core = nullptr;
        table.panelWindow = static_cast<QWidget*>(&panel);
        table.findText.clear();
        table.redDisplay = 0;
        table.expiryDays = 0;
        view = new CMakeHtmlView(&main);
        view->OnInitialUpdate();
        main.resize(800, 400);
        view->resize(800, 400);
        main.show();
    }
    void TearDown() override {
        gate.Allow(INT32_MAX); // a worker still asking ends before the view goes
        delete view;
        table.Release();
        table.panelWindow = nullptr;
    }

    void Fill(std::initializer_list<RowText> rows) {
        table.Clear();
        for (const RowText& text : rows) {
            DomainRecord& row = table.Row(table.count++);
            SetField(row.domain, text.domain);
            SetField(row.whoisServer, text.server);
        }
        Post(UM_RELOAD_LIST);
    }
    void Answer(int index, int32_t status, const char* expiry = "2030-01-01",
                const char* owner = "Owner") {
        DomainRecord& row = table.Row(index);
        row.answered = 1;
        row.status = status;
        SetField(row.expiryDate, expiry);
        SetField(row.createdDate, "2001-02-03");
        SetField(row.updatedDate, "2024-05-06");
        SetField(row.owner, owner);
        SetField(row.email, "a@b.example");
        SetField(row.phone, "+1.555");
        SetField(row.registrar, "Registrar Ltd");
    }
    void Post(unsigned message, std::intptr_t lParam = 0) {
        PostWindowMessage(view, message, 0, lParam);
        DrainPostedMessages();
    }
    [[nodiscard]] QString Cell(int item, int column) const {
        return view->listModel()->GetItemText(item, column);
    }
    [[nodiscard]] std::vector<int> SelectedRows() const {
        std::vector<int> rows;
        for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    DomainTable& table = TheDomainTable();
    RecordingMainWindow main;
    RecordingMainWindow panel{false};
    CMakeHtmlView* view = nullptr;
    ScriptedDialogs dialogs;
    RowGate gate; // for transports that wait for the test's go-ahead
};
