#include "core/net/http_address.h"

#include <algorithm>
#include <cctype>

#include "core/net/http_response.h"
#include "core/platform/errors.h"

namespace veltod {

std::string HttpAddress::ConnectHost() const {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
    return host;
}

std::string HttpAddress::Origin() const {
    std::string origin = scheme + "://" + host;
    if (!port_text.empty()) origin += ":" + port_text;
    return origin;
}

// GCC 12 at -O3 reports a false -Wrestrict in std::string code inlined here (GCC bug 105329).
#pragma GCC diagnostic push
#ifndef __clang__  // clang has no such warning
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
HttpAddress SplitAddress(std::string_view address) {
    std::string text(TrimBlanks(address));
    std::replace(text.begin(), text.end(), '\\', '/');
    // A line break would let an address (or a server's Location) write its
    // own lines into the request.
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        throw NetworkError("Invalid character in the address.");
    HttpAddress result;
    std::string_view rest = text;
    const size_t scheme_end = rest.find("://");
    if (scheme_end != std::string_view::npos) {
        result.scheme = std::string(rest.substr(0, scheme_end));
        rest.remove_prefix(scheme_end + 3);
    } else {
        result.scheme = "http";
    }
    if (!EqualsIgnoringCase(result.scheme, "http"))
        throw NetworkError("Protocol not supported: " + result.scheme.substr(0, 20));

    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string_view target = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
    // A fragment never leaves the client.
    target = target.substr(0, target.find('#'));
    if (slash == std::string_view::npos) authority = authority.substr(0, authority.find('#'));

    size_t colon = std::string_view::npos;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) throw NetworkError("Invalid host name in " + std::string(address.substr(0, 200)));
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') throw NetworkError("Invalid host name in " + std::string(address.substr(0, 200)));
            colon = close + 1;
        }
    } else {
        colon = authority.rfind(':');
    }
    result.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) {
        result.port_text = std::string(authority.substr(colon + 1));
        long port = 0;
        const bool digits = !result.port_text.empty() && result.port_text.size() <= 5 &&
                            std::all_of(result.port_text.begin(), result.port_text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
        if (digits) port = std::stol(result.port_text);
        if (!digits || port < 1 || port > 65535)
            throw NetworkError("Invalid port number: " + result.port_text.substr(0, 20));
        result.port = static_cast<int>(port);
    }
    if (result.host.empty() || result.host == "[]") throw NetworkError("No host name in the address " + std::string(address.substr(0, 200)));

    const size_t last = target.rfind('/');
    if (last == std::string_view::npos) {
        result.path = "/";
    } else {
        result.path = std::string(target.substr(0, last + 1));
        result.document = std::string(target.substr(last + 1));
    }
    return result;
}
#pragma GCC diagnostic pop

std::string ResolveLocation(const HttpAddress& from, std::string_view location) {
    std::string text(TrimBlanks(location));
    std::replace(text.begin(), text.end(), '\\', '/');
    const size_t scheme_end = text.find("://");
    if (scheme_end != std::string::npos && scheme_end > 0 &&
        std::all_of(text.begin(), text.begin() + static_cast<long>(scheme_end),
                    [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'; }))
        return text;
    if (text.rfind("//", 0) == 0) return from.scheme + ":" + text;
    if (!text.empty() && text.front() == '/') return from.Origin() + text;
    return from.Origin() + from.path + text;
}

}  // namespace veltod
