// SPDX-License-Identifier: MIT
// The list with 20,000 finished rows, their raw answers kept: how long a
// header click (sort) and a filter take until the list is drawn again, and
// how much memory the program holds. Targets: under 200 ms, under 150 MiB.

#include "benchsupport.h"

#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/makehtmlview.h"
#include "platform/mainwindow.h"

#include <QApplication>
#include <QMainWindow>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int kRows = 20000;
constexpr std::size_t kAnswerBytes = 3000; // a thick registry answer with its notice

// The list in a window, filled once for every benchmark of this file.
struct FilledList {
    FilledList() {
        const double before = ResidentMiB();
        DomainTable& table = TheDomainTable();
        table.Allocate();
        FillFinishedRows(table, kRows, kAnswerBytes);
        window.resize(1400, 900);
        view = new CMakeHtmlView(&window);
        window.setCentralWidget(view);
        view->OnInitialUpdate();
        window.show();
        PostWindowMessage(view, UM_RELOAD_LIST);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        filledMiB = ResidentMiB() - before;
    }
    QMainWindow window;
    CMakeHtmlView* view = nullptr;
    double filledMiB = 0;
};

FilledList& List() {
    static FilledList list;
    return list;
}

// Until the view has laid out and painted what changed.
void Settle(QWidget& window) {
    window.repaint();
    QCoreApplication::processEvents();
}

void BM_Sort(benchmark::State& state) {
    FilledList& list = List();
    const int column = static_cast<int>(state.range(0));
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        list.view->sortByColumn(column, order);
        Settle(list.window);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    list.view->sortByColumn(-1, Qt::AscendingOrder);
    state.counters["rows"] = kRows;
}

void BM_Filter(benchmark::State& state) {
    FilledList& list = List();
    const auto status = static_cast<StatusFilter>(state.range(0));
    const QString text = state.range(1) != 0 ? QStringLiteral("bench0123") : QString();
    bool on = true;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (on) {
            list.view->SetFilter(text, status);
        } else {
            list.view->SetFilter(QString(), StatusFilter::All);
        }
        Settle(list.window);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        on = !on;
    }
    list.view->SetFilter(QString(), StatusFilter::All);
    state.counters["rows"] = kRows;
}

void BM_Memory(benchmark::State& state) {
    FilledList& list = List();
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.view->model()->rowCount());
    }
    state.counters["rss_MiB"] = ResidentMiB();
    state.counters["peak_MiB"] = PeakResidentMiB();
    state.counters["list_MiB"] = list.filledMiB; // table, answers and list together
}

} // namespace

BENCHMARK(BM_Sort)
    ->ArgName("column")
    ->Arg(ListColumn::Domain)
    ->Arg(ListColumn::Status)
    ->Arg(ListColumn::Expiry)
    ->Arg(ListColumn::Owner)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_Filter)
    ->ArgNames({"status", "text"})
    ->Args({static_cast<int>(StatusFilter::All), 1})
    ->Args({static_cast<int>(StatusFilter::Found), 0})
    ->Args({static_cast<int>(StatusFilter::Expiring), 0})
    ->Args({static_cast<int>(StatusFilter::Failed), 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_Memory)->Iterations(1);

int main(int argc, char** argv) {
    return RunDesktopBenchmarks(argc, argv);
}
