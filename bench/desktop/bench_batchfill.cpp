// SPDX-License-Identifier: MIT
// The whole desktop program while a batch fills 20,000 rows as fast as the
// worker can (answers come at once, through the transport seam, no network):
// does the event loop keep up? A 10 ms timer runs meanwhile; its delays are
// the measure (target: 99th percentile under 50 ms).

#include "benchsupport.h"

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "listwin/makehtmlview.h"
#include "panel/controlpaneldlg.h"
#include "shell/mainframe.h"
#include "shell/makehtmlapp.h"
#include "sidebar/sidebarhost.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <fstream>
#include <vector>

namespace {

constexpr int kRows = 20000;
using Clock = std::chrono::steady_clock;

// The answer each row gets: its own name, so the parse does real work.
std::string Answer(const std::string& domain) {
    return BenchAnswer(domain, static_cast<int>(domain.size()) * 37 % 1500, 1500);
}

// CPU time the calling thread has used, in milliseconds.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[at];
}

void BM_BatchFillsTheList(benchmark::State& state) {
    for (auto _ : state) {
        const BenchHome home;
        std::ofstream(home.path() + "_items.txt", std::ios::binary) << BenchListFile(kRows);
        // Port 43 only, through the transport below: the built-in RDAP
        // bootstrap names the real registries' servers.
        std::ofstream(home.path() + "zentrix.ini", std::ios::binary) << "protocol=1\n";

        CMakeHtmlApp app;
        if (!app.InitInstance()) {
            state.SkipWithError("the program did not start");
            return;
        }
        CMainFrame* frame = app.mainFrame();
        CMakeHtmlView* view = frame->GetActiveView();
        auto* panel = qobject_cast<CControlPanelDlg*>(frame->sideBar()->panel());
        // The start-up load comes from the panel's timer.
        while (TheDomainTable().count != kRows || view->listModel()->GetItemCount() != kRows) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        view->SetTransport(
            [](const std::string&, const std::string& domain, QueryHop) { return Answer(domain); });

        std::vector<double> delaysMs;
        delaysMs.reserve(4096);
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        Clock::time_point last = Clock::now();
        std::vector<double> busyMs;
        busyMs.reserve(4096);
        double lastCpu = ThreadCpuMs();
        QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
            const Clock::time_point now = Clock::now();
            delaysMs.push_back(std::chrono::duration<double, std::milli>(now - last).count() -
                               10.0);
            const double cpu = ThreadCpuMs();
            busyMs.push_back(cpu - lastCpu);
            lastCpu = cpu;
            last = now;
        });

        const Clock::time_point start = Clock::now();
        panel->OnStart();
        last = Clock::now();
        lastCpu = ThreadCpuMs();
        tick.start(10);
        while (frame->PaneText(0) != QStringLiteral("操作结束！")) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        tick.stop();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

        state.SetIterationTime(seconds);
        state.counters["rows_per_s"] = kRows / seconds;
        state.counters["timer_delay_p50_ms"] = Percentile(delaysMs, 0.50);
        state.counters["timer_delay_p99_ms"] = Percentile(delaysMs, 0.99);
        state.counters["timer_delay_max_ms"] = Percentile(delaysMs, 1.0);
        // How much of each gap the user-interface thread itself was busy: a
        // gap much longer than this was the machine's other work.
        state.counters["ui_busy_p99_ms"] = Percentile(busyMs, 0.99);
        state.counters["ticks"] = static_cast<double>(delaysMs.size());
        state.counters["peak_MiB"] = PeakResidentMiB();
        if (view->shownRowCount() != kRows) {
            state.SkipWithError("not every row was shown");
        }
        frame->close();
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_BatchFillsTheList)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

int main(int argc, char** argv) {
    return RunDesktopBenchmarks(argc, argv);
}
