// SPDX-License-Identifier: MIT
#pragma once

// libcurl's global set-up, done once per process whatever thread asks first
// (the RDAP client and port 43 through a proxy both use libcurl).
void EnsureCurlInitialised();
