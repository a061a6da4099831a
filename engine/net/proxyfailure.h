// SPDX-License-Identifier: MIT
#pragma once

// Whether a libcurl transfer that went through a proxy failed because of the
// proxy itself (it could not be reached, or it refused to open the
// connection asked for) rather than because of the server behind it: only
// the former takes the proxy out of use.

#include <curl/curl.h>
#include <string>

[[nodiscard]] bool IsProxyFailure(CURL* easy, CURLcode code);

// Sets where a transfer leaves: through `proxy` (socks5h://, socks5://,
// http:// tunnelled with CONNECT), else from `sourceAddress`; with neither
// and without `proxyFromEnvironment`, the http_proxy, https_proxy and
// ALL_PROXY variables are ignored.
void SetCurlExit(CURL* easy, const std::string& proxy, const std::string& sourceAddress,
                 bool proxyFromEnvironment);
