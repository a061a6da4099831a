#include "engine/connectto.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>

#include "core/text.h"

bool ParseConnectTo(std::string_view text, std::vector<ConnectOverride>& out, std::string* error) {
    std::vector<ConnectOverride> parsed;
    auto fail = [&](std::string message) {
        if (error != nullptr) {
            *error = std::move(message);
        }
        return false;
    };
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view entry = TrimBlanks(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (entry.empty()) {
            continue;
        }
        const auto equals = entry.find('=');
        const auto colon = entry.rfind(':');
        if (equals == std::string_view::npos || colon == std::string_view::npos || colon < equals) {
            return fail("expected host=ADDRESS:PORT in \"" + std::string(entry) + "\"");
        }
        ConnectOverride item;
        item.host = std::string(TrimBlanks(entry.substr(0, equals)));
        item.address = std::string(TrimBlanks(entry.substr(equals + 1, colon - equals - 1)));
        const std::string port(TrimBlanks(entry.substr(colon + 1)));
        if (item.host.empty()) {
            return fail("empty host name in \"" + std::string(entry) + "\"");
        }
        // An IPv6 address comes in brackets, "[::1]:4343", and is kept without them.
        const bool bracketed =
            item.address.size() > 2 && item.address.front() == '[' && item.address.back() == ']';
        if (bracketed) {
            item.address = item.address.substr(1, item.address.size() - 2);
            in6_addr probe{};
            if (::inet_pton(AF_INET6, item.address.c_str(), &probe) != 1) {
                return fail("not an IPv6 address: \"[" + item.address + "]\"");
            }
        } else if (in_addr probe{}; ::inet_pton(AF_INET, item.address.c_str(), &probe) != 1) {
            return fail("not a dotted IPv4 address: \"" + item.address + "\"");
        }
        char* end = nullptr;
        const long number = std::strtol(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || number < 1 || number > 65535 ||
            port.find_first_not_of("0123456789") != std::string::npos) {
            return fail("bad port \"" + port + "\"");
        }
        item.port = static_cast<std::uint16_t>(number);
        parsed.push_back(std::move(item));
    }
    out = std::move(parsed);
    return true;
}

std::vector<ConnectOverride> ConnectToFromEnvironment() {
    std::vector<ConnectOverride> out;
    const char* text = std::getenv("ZENTRIX_CONNECT_TO");
    if (text == nullptr) {
        return out;
    }
    // Keep the good entries of a list with a bad one among them.
    std::string_view rest(text);
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        std::vector<ConnectOverride> one;
        if (ParseConnectTo(rest.substr(0, comma), one)) {
            out.insert(out.end(), one.begin(), one.end());
        }
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    }
    return out;
}
