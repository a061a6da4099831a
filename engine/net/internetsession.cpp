// SPDX-License-Identifier: MIT
#include "engine/net/internetsession.h"

#include <atomic>

namespace {
std::atomic<bool> g_sessionsFail{false};
}

bool CInternetSession::Open() {
    m_open = !g_sessionsFail.load();
    return m_open;
}

void CInternetSession::Close() {
    m_open = false;
}

void CInternetSession::SetFailsForTesting(bool fails) {
    g_sessionsFail.store(fails);
}
