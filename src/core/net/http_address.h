#pragma once
// An "http://" address split the way requests are built from it.
#include <string>
#include <string_view>

namespace veltod {

struct HttpAddress {
    std::string scheme;     // as written; "http" when the address has none
    std::string host;       // as written, brackets of an IPv6 literal kept
    std::string port_text;  // as written, empty when the address has none
    int port = 80;
    std::string path;       // starts and ends with "/"
    std::string document;   // after the last "/", without any "#" part

    // The host to connect to: an IPv6 literal without its brackets.
    std::string ConnectHost() const;
    // Scheme, "://", host, ":" port when one was written.
    std::string Origin() const;
};

// Splits an address; backslashes count as "/". Raises NetworkError for a
// scheme other than http (so "HTTPS" in any case fails), an empty host and a
// port that is not a number from 1 to 65535.
HttpAddress SplitAddress(std::string_view address);

// Where a "Location" points, seen from the address that answered with it:
// absolute as it stands, "/x" on the same host, anything else beside the
// answering document.
std::string ResolveLocation(const HttpAddress& from, std::string_view location);

}  // namespace veltod
