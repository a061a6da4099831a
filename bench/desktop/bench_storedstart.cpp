// SPDX-License-Identifier: MIT
// The start of the desktop program over a list of 20,000 names the store
// knows: how long the list takes from the loaded names to every row showing
// its latest stored result (the store's look-up, the rows' GBK copies and
// the cells). Target: under 300 ms. Also what a batch's start costs for the
// copy of the rows the list shows, which exports read during the batch.

#include "benchsupport.h"

#include "core/messages.h"
#include "engine/domaintable.h"
#include "engine/store/resultstore.h"
#include "engine/storedrow.h"
#include "listwin/makehtmlview.h"
#include "platform/mainwindow.h"
#include "platform/pretranslatefilter.h"

#include <QApplication>
#include <QMainWindow>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <memory>

namespace {

constexpr int kRows = 20000;

// A store holding one check of each of the 20,000 names, and the list.
struct StoredList {
    StoredList() {
        CPreTranslateFilter::Install(); // posted messages reach the view
        DomainTable& table = TheDomainTable();
        table.Allocate();
        store = ResultStore::Open(home.path() + std::string(kResultStoreFileName));
        FillFinishedRows(table, kRows, 1500);
        for (int i = 0; i < table.count; ++i) {
            RowOutcome outcome;
            outcome.reason = table.details.Reason(i);
            outcome.protocol = table.details.Protocol(i);
            outcome.answer = table.details.Answer(i);
            outcome.askedAt = 1'780'000'000 + i;
            store->Add(CheckOfRow(table.Row(i), outcome, outcome.askedAt));
        }
        store->Flush();
        table.store = store.get();
        window.resize(1400, 900);
        view = new CMakeHtmlView(&window);
        window.setCentralWidget(view);
        view->OnInitialUpdate();
        window.show();
    }
    // The names as a fresh load leaves them: no row finished.
    void LoadNamesOnly() {
        DomainTable& table = TheDomainTable();
        table.Clear();
        FillFinishedRows(table, kRows, 0);
        for (int i = 0; i < table.count; ++i) {
            DomainRecord& row = table.Row(i);
            const DomainRecord names = row;
            std::memset(static_cast<void*>(&row), 0, sizeof row);
            std::memcpy(row.domain, names.domain, sizeof row.domain);
            std::memcpy(row.whoisServer, names.whoisServer, sizeof row.whoisServer);
        }
        table.details.Reset(DomainTable::kMaxRows);
    }
    BenchHome home;
    std::unique_ptr<ResultStore> store;
    QMainWindow window;
    CMakeHtmlView* view = nullptr;
};

StoredList& List() {
    static StoredList list;
    return list;
}

void BM_StartShowsStoredResults(benchmark::State& state) {
    StoredList& list = List();
    for (auto _ : state) {
        list.LoadNamesOnly();
        const auto start = std::chrono::steady_clock::now();
        PostWindowMessage(list.view, UM_RELOAD_LIST);
        QCoreApplication::sendPostedEvents();
        list.window.repaint();
        QCoreApplication::processEvents();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (list.view->listModel()->GetItemText(kRows - 1, 2).isEmpty()) {
            state.SkipWithError("the last row shows no stored result");
        }
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_StartShowsStoredResults)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BatchStartCopiesTheShownRows(benchmark::State& state) {
    StoredList& list = List();
    list.LoadNamesOnly();
    PostWindowMessage(list.view, UM_RELOAD_LIST);
    QCoreApplication::sendPostedEvents();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // A batch that starts after the last row: the worker asks nothing,
        // so what is timed is the start and its copy.
        TheDomainTable().startIndex = kRows;
        benchmark::DoNotOptimize(list.view->StartQueryThread());
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        list.view->StopQueryThread();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_BatchStartCopiesTheShownRows)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunDesktopBenchmarks(argc, argv);
}
