// SPDX-License-Identifier: MIT
#include "benchsupport.h"

#include "../benchmain.h"

#include "core/text.h"
#include "engine/domaintable.h"
#include "engine/whois/whoisservers.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

int RunDesktopBenchmarks(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RunRegisteredBenchmarks(argc, argv);
}

BenchHome::BenchHome() {
    char pattern[] = "/tmp/zentrix-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("no temporary folder");
    }
    m_path = std::string(pattern) + "/";
    ::setenv("ZENTRIX_HOME", pattern, 1);
}

BenchHome::~BenchHome() {
    ::unsetenv("ZENTRIX_HOME");
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

namespace {

std::string Numbered(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "bench%05d.com", i);
    return name;
}

std::string Date(int daysFrom2026) {
    // Near enough for a benchmark: months of 28 days.
    const int year = 2026 + daysFrom2026 / 336;
    const int month = 1 + (daysFrom2026 % 336) / 28;
    const int day = 1 + daysFrom2026 % 28;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

} // namespace

std::string BenchListFile(int rows) {
    std::string text;
    for (int i = 0; i < rows; ++i) {
        text += Numbered(i) + "\r\n";
    }
    return text;
}

std::string BenchAnswer(const std::string& domain, int days, std::size_t bytes) {
    std::string text = "   Domain Name: " + domain +
                       "\r\n"
                       "   Registry Domain ID: 1234567890_DOMAIN_COM-VRSN\r\n"
                       "   Updated Date: 2024-05-06T07:08:09Z\r\n"
                       "   Creation Date: 1999-02-03T04:05:06Z\r\n"
                       "   Registry Expiry Date: " +
                       Date(days) +
                       "T04:05:06Z\r\n"
                       "   Registrar: BENCH REGISTRAR, INC.\r\n"
                       "   Registrar IANA ID: 9999\r\n"
                       "   Name Server: NS1.BENCH.EXAMPLE\r\n"
                       "   Name Server: NS2.BENCH.EXAMPLE\r\n";
    while (text.size() < bytes) {
        text += "   >>> Terms of use: this text only pads the answer to a realistic size.\r\n";
    }
    text.shrink_to_fit(); // as many bytes as the answer has, not what growing left over
    return text;
}

void FillFinishedRows(DomainTable& table, int rows, std::size_t answerBytes) {
    table.Clear();
    for (int i = 0; i < rows && i < DomainTable::kMaxRows; ++i) {
        DomainRecord& row = table.Row(table.count++);
        const std::string domain = Numbered(i);
        SetField(row.domain, domain);
        SetField(row.whoisServer, ServerComNet);
        row.answered = 1;
        row.status = i % 5 == 0 ? NotRegistered : (i % 97 == 0 ? Error : Found);
        const int days = (i * 7919) % 1500; // scattered, so sorting has work
        if (row.status == Found) {
            SetField(row.expiryDate, Date(days));
            SetField(row.createdDate, Date((i * 104729) % 9000));
            SetField(row.updatedDate, "2024-05-06");
            SetField(row.owner, "Owner Company No. " + std::to_string((i * 31) % 5000));
            SetField(row.email, "hostmaster@" + domain);
            SetField(row.phone, "+86.10" + std::to_string(10000000 + i));
            SetField(row.registrar, "Registrar " + std::to_string(i % 40) + ", Inc.");
        }
        table.details.Set(
            i, {row.status == Error ? FailReason::TimedOut : FailReason::None, QueryProtocol::Whois,
                row.status == Error ? std::string() : BenchAnswer(domain, days, answerBytes)});
    }
}

namespace {

double StatusMiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) {
            return std::strtod(line.c_str() + length, nullptr) / 1024.0; // kB
        }
    }
    return 0.0;
}

} // namespace

double ResidentMiB() {
    return StatusMiB("VmRSS:");
}

double PeakResidentMiB() {
    return StatusMiB("VmHWM:");
}
