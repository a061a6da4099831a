// SPDX-License-Identifier: MIT
#include "engine/rdap/rdapclient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <curl/curl.h>
#include <iterator>
#include <netinet/in.h>
#include <sys/socket.h>

#include "core/asciicase.h"
#include "core/readfile.h"
#include "core/text.h"
#include "core/version.h"
#include "engine/net/curlsetup.h"
#include "engine/net/curlurl.h"
#include "engine/net/hostlookup.h"
#include "engine/net/proxyfailure.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait inside a transfer may last before the stop flag and the
// deadline are looked at again.
constexpr int kPollSliceMs = 100;

RdapFailure FailureForCurlCode(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return RdapFailure::ResolveFailed;
    case CURLE_COULDNT_CONNECT:
        return RdapFailure::ConnectionRefused;
    case CURLE_OPERATION_TIMEDOUT:
        return RdapFailure::TimedOut;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_USE_SSL_FAILED:
        return RdapFailure::Tls;
    case CURLE_FILESIZE_EXCEEDED:
        return RdapFailure::TooLarge;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return RdapFailure::ConnectionReset;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return RdapFailure::BadUrl;
    case CURLE_ABORTED_BY_CALLBACK:
        return RdapFailure::Stopped;
    default:
        return RdapFailure::Internal;
    }
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

bool Append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) {
        return false;
    }
    (void)list.release();
    list.reset(grown);
    return true;
}

// What one transfer collects through libcurl's callbacks.
struct Transfer {
    std::string body;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
    std::string retryAfter;
    bool sawRetryAfter = false;
    std::string etag;
    std::string lastModified;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (transfer->body.size() + n > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0; // ends the transfer with a write error
    }
    transfer->body.append(data, n);
    return n;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    const std::string_view line(data, n);
    if (StartsWithNoCase(line, "HTTP/")) {
        // A new response (after "100 Continue", say): forget the last one's headers.
        transfer->retryAfter.clear();
        transfer->sawRetryAfter = false;
        transfer->etag.clear();
        transfer->lastModified.clear();
        return n;
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return n;
    }
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    const std::string value(TrimBlanks(line.substr(colon + 1)));
    if (EqualsNoCase(name, "Retry-After")) {
        transfer->retryAfter = value;
        transfer->sawRetryAfter = true;
    } else if (EqualsNoCase(name, "ETag")) {
        transfer->etag = value;
    } else if (EqualsNoCase(name, "Last-Modified")) {
        transfer->lastModified = value;
    }
    return n;
}

// Connects only to addresses the rule allows; a refusal ends the transfer
// as a failed connect, remembered here.
struct AddressGuard {
    const std::function<bool(const sockaddr&)>* isPublic = nullptr;
    bool refused = false;
};

curl_socket_t OpenCheckedSocket(void* user, curlsocktype purpose, curl_sockaddr* address) {
    auto* guard = static_cast<AddressGuard*>(user);
    if (purpose == CURLSOCKTYPE_IPCXN && !(*guard->isPublic)(address->addr)) {
        guard->refused = true;
        return CURL_SOCKET_BAD;
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

} // namespace

struct RdapClient::Handle {
    CURL* easy = nullptr;
    CURLM* multi = nullptr; // owns the connection cache the easy handle reuses

    Handle() : easy(curl_easy_init()), multi(curl_multi_init()) {}
    ~Handle() {
        if (multi != nullptr) {
            curl_multi_cleanup(multi);
        }
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

namespace {

constexpr const char* kDebianCaBundle = "/etc/ssl/certs/ca-certificates.crt";
// The system's bundle holds some hundreds of certificates, a few hundred kilobytes.
constexpr std::size_t kMaxCaBundleBytes = 16u << 20;

std::string SystemCaBundlePath(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    std::string path;
    if (CURL* probe = curl_easy_init()) {
        char* built = nullptr;
        if (curl_easy_getinfo(probe, CURLINFO_CAINFO, &built) == CURLE_OK && built != nullptr) {
            path = built;
        }
        curl_easy_cleanup(probe);
    }
    return path.empty() ? std::string(kDebianCaBundle) : path;
}

// Reads a PEM file of CAs; false with `error` set ("<what><path>: why") otherwise.
bool ReadPemFile(const std::string& path, const std::string& what, std::string& pem,
                 std::string& error) {
    int code = 0;
    if (!ReadSmallFile(path, pem, &code, kMaxCaBundleBytes)) {
        error = "cannot read " + what + path + ": " +
                (code == EFBIG ? std::string("file too large") : std::strerror(code));
        return false;
    }
    if (pem.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
        error = what + path + ": no PEM certificate in it";
        return false;
    }
    return true;
}

} // namespace

RdapClient::RdapClient(RdapClientOptions options) : m_options(std::move(options)) {
    EnsureCurlInitialised();
    if (m_options.caFile.empty()) {
        return;
    }
    // A CA blob replaces the built-in bundle file, so the bundle goes first:
    // without it only the user's CA would be trusted.
    const std::string systemPath = SystemCaBundlePath(m_options.systemCaFile);
    std::string system;
    if (!ReadPemFile(systemPath, "the system's CA bundle ", system, m_caError)) {
        return;
    }
    std::string extra;
    if (!ReadPemFile(m_options.caFile, "", extra, m_caError)) {
        return;
    }
    m_caBundle = std::move(system);
    m_caBundle += '\n';
    m_caBundle += extra;
}

RdapClient::~RdapClient() = default;

RdapFailure RdapClient::PinCheckedAddress(const std::string& host, const std::string& origin,
                                          std::string& entry, const std::atomic<bool>* stop) const {
    const std::string port = origin.substr(origin.rfind(':') + 1);
    std::vector<HostAddress> found;
    HostAddress literal;
    const std::string bare =
        host.size() > 2 && host.front() == '[' ? host.substr(1, host.size() - 2) : host;
    if (ParseAddressLiteral(bare, literal)) {
        found.push_back(literal);
    } else {
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(std::max(1, m_options.connectTimeoutMs));
        const LookupResult looked = LookupHost(bare, found, deadline, stop);
        if (looked == LookupResult::Interrupted) {
            return RdapFailure::TimedOut;
        }
        if (looked != LookupResult::Found) {
            return RdapFailure::ResolveFailed;
        }
    }
    std::erase_if(found,
                  [&](const HostAddress& a) { return !m_options.isPublicAddress(*a.get()); });
    if (found.empty()) {
        return RdapFailure::AddressRefused;
    }
    char text[INET6_ADDRSTRLEN] = {};
    const HostAddress& first = found.front();
    if (first.family() == AF_INET6) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(first.get())->sin6_addr, text,
                    sizeof text);
        entry = host + ":" + port + ":[" + text + "]:" + port;
    } else {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(first.get())->sin_addr, text,
                    sizeof text);
        entry = host + ":" + port + ":" + text + ":" + port;
    }
    return RdapFailure::None;
}

std::unique_ptr<RdapClient::Handle> RdapClient::Acquire(const std::string& origin) {
    {
        std::lock_guard lock(m_mutex);
        // The most recently used handle of the origin: its connection is the
        // likeliest to be still open at the server.
        for (auto idle = m_idle.rbegin(); idle != m_idle.rend(); ++idle) {
            if (idle->origin == origin) {
                auto handle = std::move(idle->handle);
                m_idle.erase(std::next(idle).base());
                return handle;
            }
        }
    }
    auto handle = std::make_unique<Handle>();
    if (handle->easy == nullptr || handle->multi == nullptr) {
        return nullptr;
    }
    // One connection per handle: the cap on idle handles is then a cap on
    // idle connections.
    curl_multi_setopt(handle->multi, CURLMOPT_MAXCONNECTS, 1L);
    return handle;
}

void RdapClient::Release(const std::string& origin, std::unique_ptr<Handle> handle) {
    std::list<Idle> closed; // closed after the lock: a TLS goodbye takes time
    {
        std::lock_guard lock(m_mutex);
        const auto same = std::count_if(m_idle.begin(), m_idle.end(),
                                        [&](const Idle& idle) { return idle.origin == origin; });
        if (static_cast<std::size_t>(same) >= m_options.idleHandlesPerOrigin) {
            return;
        }
        m_idle.push_back({origin, std::move(handle)});
        while (m_idle.size() > std::max<std::size_t>(m_options.maxIdleHandles, 1)) {
            closed.splice(closed.end(), m_idle, m_idle.begin());
        }
    }
}

RdapHttpResult RdapClient::Get(const RdapRequest& request, const std::atomic<bool>* stop) {
    RdapHttpResult result;
    if (!m_caError.empty()) {
        result.failure = RdapFailure::Tls;
        result.detail = m_caError;
        return result;
    }
    // Read once: the host checked below and the host libcurl connects to
    // are this reading's.
    const CurlUrl url(request.url);
    if (!url.ok()) {
        result.failure = RdapFailure::BadUrl;
        result.detail = "not an http(s) URL: " + request.url;
        return result;
    }
    const std::string origin = url.scheme() + "://" + url.host() + ":" + url.port();
    // Connections through different exits are not interchangeable.
    const std::string pool = request.proxy + "|" + request.sourceAddress + "|" + origin;
    std::unique_ptr<Handle> handle = Acquire(pool);
    if (handle == nullptr) {
        result.failure = RdapFailure::Internal;
        result.detail = "cannot create an HTTP handle";
        return result;
    }

    const int timeoutMs = request.timeoutMs > 0 ? request.timeoutMs : m_options.totalTimeoutMs;
    CURL* easy = handle->easy;
    curl_easy_reset(easy); // options only: the open connections stay
    Transfer transfer;
    transfer.maxBytes = m_options.maxAnswerBytes;
    char errorText[CURL_ERROR_SIZE] = {};

    Slist headers;
    bool ok = Append(headers, "Accept: " + request.accept);
    for (const std::string& line : request.headers) {
        ok = ok && Append(headers, line);
    }
    const std::string& host = url.host();
    Slist connectTo;
    bool overridden = false;
    for (const ConnectOverride& entry : m_options.connectTo) {
        if (EqualsNoCase(entry.host, host)) {
            ok = ok && Append(connectTo,
                              entry.host + "::" + entry.address + ":" + std::to_string(entry.port));
            overridden = true;
        }
    }
    const bool proxied = !request.proxy.empty();
    if (proxied && request.publicOnly && !overridden && m_options.isPublicAddress) {
        // The socket opened is the proxy's, so the host is checked here and
        // the proxy given only the checked address.
        std::string pinned;
        if (RdapFailure refused = PinCheckedAddress(host, origin, pinned, stop);
            refused != RdapFailure::None) {
            result.failure = refused;
            result.detail = refused == RdapFailure::AddressRefused
                                ? host + " resolves to an address inside the local network"
                                : "could not resolve " + host;
            Release(pool, std::move(handle));
            return result;
        }
        ok = ok && Append(connectTo, pinned);
        overridden = true;
    }
    if (!ok) {
        result.failure = RdapFailure::Internal;
        result.detail = "out of memory";
        return result;
    }

    curl_easy_setopt(easy, CURLOPT_CURLU, url.handle());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // HTTP/2 when the server offers it in the TLS handshake, else HTTP/1.1.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // whatever libcurl can decode
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "zentrix/" ZENTRIX_VERSION);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max(1, m_options.connectTimeoutMs)));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max(1, timeoutMs)));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(m_options.maxAnswerBytes));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    if (!m_caBundle.empty()) {
        curl_blob blob{m_caBundle.data(), m_caBundle.size(), CURL_BLOB_NOCOPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
    }
    AddressGuard guard{&m_options.isPublicAddress};
    if (request.publicOnly && !overridden && !proxied && m_options.isPublicAddress) {
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &OpenCheckedSocket);
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &guard);
    }
    // A mapped host is reached at its mapped address: directly, or through
    // the request's proxy, which is asked to connect there.
    if (overridden) {
        curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo.get());
    }
    SetCurlExit(easy, request.proxy, request.sourceAddress,
                m_options.proxyFromEnvironment && !overridden);

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    CURLcode code = CURLE_OK;
    bool finished = false;
    curl_multi_add_handle(handle->multi, easy);
    for (;;) {
        int running = 0;
        if (curl_multi_perform(handle->multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            finished = true;
            break;
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(handle->multi, &left)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                    code = message->data.result;
                }
            }
            finished = true;
            break;
        }
        if (stop != nullptr && stop->load()) {
            result.failure = RdapFailure::Stopped;
            result.detail = "stopped";
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            result.failure = RdapFailure::TimedOut;
            result.detail = "timed out";
            break;
        }
        curl_multi_poll(handle->multi, nullptr, 0,
                        static_cast<int>(std::min<long long>(left, kPollSliceMs)), nullptr);
    }
    // Removing an unfinished transfer closes its connection; a finished
    // one's connection stays in the cache for the next query.
    curl_multi_remove_handle(handle->multi, easy);

    if (finished) {
        if (code != CURLE_OK) {
            result.failure = transfer.tooLarge                       ? RdapFailure::TooLarge
                             : guard.refused                         ? RdapFailure::AddressRefused
                             : proxied && IsProxyFailure(easy, code) ? RdapFailure::ProxyFailed
                             // The proxy could not reach the server: as a refused connect.
                             : code == CURLE_PROXY ? RdapFailure::ConnectionRefused
                                                   : FailureForCurlCode(code);
            result.detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
            if (result.failure == RdapFailure::TooLarge) {
                result.detail =
                    "answer larger than " + std::to_string(m_options.maxAnswerBytes) + " bytes";
            }
        } else {
            long status = 0;
            curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
            result.status = status;
            char* text = nullptr;
            if (curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &text) == CURLE_OK &&
                text != nullptr) {
                result.contentType = text;
            }
            text = nullptr;
            if (curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &text) == CURLE_OK &&
                text != nullptr) {
                result.location = text;
            }
            result.body = std::move(transfer.body);
            result.etag = std::move(transfer.etag);
            result.lastModified = std::move(transfer.lastModified);
            if (transfer.sawRetryAfter) {
                result.retryAfterSeconds = ParseRetryAfter(transfer.retryAfter, std::time(nullptr));
            }
        }
    }
    // The handle keeps pointers to this call's lists and buffers; drop them
    // before it waits in the pool.
    curl_easy_reset(easy);
    Release(pool, std::move(handle));
    return result;
}
