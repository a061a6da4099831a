// SPDX-License-Identifier: MIT
#pragma once

// What a batch is told: the rows to ask, how many questions at once, the
// protocol, the files and exits it uses. Read by the worker and the pieces
// it drives, set by the desktop and the command line.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/domaintable.h"
#include "engine/whois/queryhop.h"
#include "engine/whois/refusals.h"
#include "engine/whois/whoisclient.h"

class CCore;
class ResultStore;

// Which protocol a row is asked by: RDAP where IANA's bootstrap lists the
// name's TLD (falling back to port 43 when the RDAP server cannot be
// reached), port 43 only, or RDAP only.
enum class ProtocolChoice { Auto = 0, Whois = 1, Rdap = 2 };

// The most queries a batch keeps open at once, in all and to one host, and
// the longest gap between two query starts to one host.
inline constexpr int kMaxJobs = 256;
inline constexpr int kMaxPerHost = 64;
inline constexpr int kMaxHostIntervalMs = 3'600'000;

struct QueryOptions {
    int32_t startIndex = 0; // the first row to query
    // By index: rows not to ask (an earlier run finished them); they count as
    // finished. Shorter than the table: the rows past its end are asked.
    std::vector<char> skipRows;
    // By index, ascending: when not empty, only these rows are asked (from
    // startIndex on); the others keep what they hold and count as finished.
    std::vector<int32_t> rows;
    // Whether "lastindex" follows the batch; a batch over a few chosen rows
    // leaves the resume point of the last full batch alone.
    bool saveResumePoint = true;
    int jobs = 16;          // queries open at once, in all (at most kMaxJobs)
    int perHost = 1;        // queries open at once to one host
    int hostIntervalMs = 0; // least time between two query starts to one host
    ProtocolChoice protocol = ProtocolChoice::Auto;
    // RDAP's bootstrap, used as it is and never refreshed; empty:
    // $ZENTRIX_RDAP_BOOTSTRAP when set, else the copy cached in the data
    // folder (refreshed at most daily) or the snapshot built in.
    std::string rdapBootstrapFile;
    // A PEM file of further CAs trusted for RDAP; empty: $ZENTRIX_CACERT when set.
    std::string caFile;
    // Where the RDAP bootstrap and IANA's servers are cached; empty: the
    // core's program folder (with no core, nothing is kept).
    std::string dataFolder;
    CCore* core = nullptr;        // "lastindex" is saved here; none: not saved
    ResultStore* store = nullptr; // every finished row is kept here; none: not kept
    WhoisClientOptions client;    // time-outs and connect-to overrides (RDAP hosts too)
    WhoisTransport transport;     // port 43; empty: the TCP client with `client`
    // The host a row's first question goes to, which names its lane; empty:
    // the host the row's protocol plan asks first.
    std::function<std::string(const DomainRecord& row)> firstHost;
    // Reads a WHOIS answer as a refusal; empty: DetectRefusal.
    std::function<Refusal(std::string_view answer)> detectRefusal;
    // The pause after a refusal that names no wait, doubling on each further
    // one up to maxBackoffMs.
    int backoffMs = 15'000;
    int maxBackoffMs = 300'000;
    // The whole of an extra question (a registrar's RDAP answer, a port-43
    // referral): past it the registry's answer stands.
    int extraTimeoutMs = 10'000;
    // The exits queries leave by (engine/batch/queryexits.h): each proxy URL, each
    // local address; each keeps its own lane to every host. None: direct.
    std::vector<std::string> proxies;
    std::vector<std::string> sourceAddresses;
    // Without it the proxy settings of the environment are never used.
    bool proxyFromEnvironment = false;
};
