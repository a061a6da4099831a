// SPDX-License-Identifier: MIT
#pragma once

// What the desktop benchmarks share: a QApplication (offscreen unless a
// platform is named) around Google Benchmark's run, a temporary program
// folder, a table of realistic rows, and the process's memory.

#include <string>

struct DomainTable;

// Runs every benchmark inside a QApplication; returns main()'s status.
int RunDesktopBenchmarks(int argc, char** argv);

// A fresh ZENTRIX_HOME, removed with what it holds afterwards.
class BenchHome {
public:
    BenchHome();
    ~BenchHome();
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;
    [[nodiscard]] const std::string& path() const { return m_path; } // ends in '/'

private:
    std::string m_path;
};

// "bench00042.com" ...: the list file of `rows` names.
[[nodiscard]] std::string BenchListFile(int rows);
// A registry-shaped answer of about `bytes` bytes for `domain`, expiring
// `days` days from 2026-01-01.
[[nodiscard]] std::string BenchAnswer(const std::string& domain, int days, std::size_t bytes);
// Fills `table` (allocated) with `rows` finished rows: varied statuses,
// dates, owners and registrars, each with its raw answer kept.
void FillFinishedRows(DomainTable& table, int rows, std::size_t answerBytes);

// Resident and peak resident memory of the process, in MiB.
[[nodiscard]] double ResidentMiB();
[[nodiscard]] double PeakResidentMiB();
