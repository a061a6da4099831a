// SPDX-License-Identifier: MIT
#include "engine/net/proxyfailure.h"

bool IsProxyFailure(CURL* easy, CURLcode code) {
    long connectCode = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    long socksError = 0;
    curl_easy_getinfo(easy, CURLINFO_PROXY_ERROR, &socksError);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
        return true;
    case CURLE_COULDNT_CONNECT:
    case CURLE_PROXY:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        break;
    default:
        return false;
    }
    // The proxy answered the CONNECT: a gateway error names the server behind
    // it, anything else is the proxy refusing.
    if (connectCode != 0) {
        return connectCode != 502 && connectCode != 503 && connectCode != 504;
    }
    switch (static_cast<CURLproxycode>(socksError)) {
    case CURLPX_OK:
        // No word from the proxy: the connection to it failed, unless the
        // transfer broke after the tunnel stood.
        return code == CURLE_COULDNT_CONNECT || code == CURLE_PROXY;
    case CURLPX_REPLY_CONNECTION_REFUSED:
    case CURLPX_REPLY_HOST_UNREACHABLE:
    case CURLPX_REPLY_NETWORK_UNREACHABLE:
    case CURLPX_REPLY_TTL_EXPIRED:
        return false; // the server behind the proxy could not be reached
    default:
        return true;
    }
}

void SetCurlExit(CURL* easy, const std::string& proxy, const std::string& sourceAddress,
                 bool proxyFromEnvironment) {
    if (!proxy.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
        // An http:// proxy carries the bytes through a CONNECT tunnel, so
        // TLS stays end to end and port 43 can pass too.
        curl_easy_setopt(easy, CURLOPT_HTTPPROXYTUNNEL, 1L);
        return;
    }
    if (!proxyFromEnvironment) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    }
    if (!sourceAddress.empty()) {
        const std::string bound = "host!" + sourceAddress;
        curl_easy_setopt(easy, CURLOPT_INTERFACE, bound.c_str());
    }
}
