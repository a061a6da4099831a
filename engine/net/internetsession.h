// SPDX-License-Identifier: MIT
#pragma once

// Stands in for the Internet session a batch holds from its first row to its
// last. The WHOIS queries do not use it; on this platform it always opens,
// unless a test asks it to fail so the "no session" end of a batch is reached.

class CInternetSession {
public:
    CInternetSession() = default;
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // False when the test seam says sessions fail.
    [[nodiscard]] bool Open();
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_open; }

    static void SetFailsForTesting(bool fails);

private:
    bool m_open = false;
};
