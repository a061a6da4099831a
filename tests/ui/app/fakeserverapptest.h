// SPDX-License-Identifier: MIT
#pragma once

// A test of the running program in a home of its own, whose port-43
// connections all go to a fake WHOIS server on 127.0.0.1.

#include "apptest.h"
#include "scripteddialogs.h"
#include "tests/support/fakewhoisserver.h"
#include "uitest.h"

#include <gtest/gtest.h>

#include <memory>

class FakeServerAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZENTRIX_CONNECT_TO",
                QByteArray::fromStdString(server.ConnectToFor(FakeWhoisServer::AllEndpoints())));
    }
    void TearDown() override {
        run.reset();
        qunsetenv("ZENTRIX_CONNECT_TO");
    }

    void Start() {
        run = std::make_unique<RunningApp>();
        ASSERT_TRUE(run->Start());
    }

    TempHome home;
    ScriptedDialogs dialogs;
    FakeWhoisServer server;
    std::unique_ptr<RunningApp> run;
};
