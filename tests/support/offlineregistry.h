// SPDX-License-Identifier: MIT
#pragma once

// Pieces that keep a test's batch on loopback: a bootstrap whose only RDAP
// service is on 127.0.0.1 (the built-in one names the real registries'
// servers) and answers shaped like whois.iana.org's, for a fake server
// standing in for it.

#include <string>

// An RDAP bootstrap listing `tlds` (JSON array text, e.g. "\"com\",\"org\"")
// at `baseUrl`; by default one TLD no test name uses, so every name goes to
// port 43.
inline std::string LoopbackBootstrap(const std::string& tlds = "\"invalid\"",
                                     const std::string& baseUrl = "https://127.0.0.1:9/") {
    return "{\"description\":\"test bootstrap\",\"publication\":\"2026-01-01T00:00:00Z\","
           "\"services\":[[[" +
           tlds + "],[\"" + baseUrl + "\"]]],\"version\":\"1.0\"}";
}

// Shaped like IANA's answers: a "refer:" line up top, the TLD's record, and
// a "whois:" line that is blank for TLDs without a port-43 service.
inline std::string IanaAnswer(const std::string& tld, const std::string& refer,
                              const std::string& whois) {
    std::string text = "% IANA WHOIS server\r\n% for more information on IANA, visit "
                       "http://www.iana.org\r\n% This query returned 1 object\r\n\r\n";
    if (!refer.empty()) {
        text += "refer:        " + refer + "\r\n\r\n";
    }
    text += "domain:       " + tld +
            "\r\n\r\norganisation: Example Registry Services\r\n"
            "address:      1 Harbour Road\r\n\r\ncontact:      administrative\r\n"
            "name:         Registry Manager\r\n\r\nnserver:      A.NIC.EXAMPLE 192.0.2.1\r\n\r\n"
            "whois:        " +
            whois +
            "\r\n\r\nstatus:       ACTIVE\r\n"
            "remarks:      Registration information: http://nic.example/\r\n\r\n"
            "created:      1997-08-18\r\nchanged:      2024-03-12\r\nsource:       IANA\r\n\r\n";
    return text;
}
