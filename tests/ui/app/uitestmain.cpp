// SPDX-License-Identifier: MIT
// main() of the widget tests: one QApplication (offscreen) with the
// pre-translation walk installed, then every test.

#include "platform/pretranslatefilter.h"

#include <QApplication>
#include <gtest/gtest.h>

#include "tests/support/offlineregistry.h"
#include "tests/support/scratchdir.h"

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Batches started here ask port 43 (fake servers) only: the built-in
    // RDAP bootstrap names the real registries' servers.
    const ScratchDir bootstrapDir;
    const std::string bootstrap = bootstrapDir.File("bootstrap.json");
    WriteBytes(bootstrap, LoopbackBootstrap());
    qputenv("ZENTRIX_RDAP_BOOTSTRAP", QByteArray::fromStdString(bootstrap));
    QApplication app(argc, argv);
    CPreTranslateFilter::Install();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
