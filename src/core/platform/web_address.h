#pragma once
// Which catalogue addresses the desktop may be asked to open. Addresses come
// from servers the user does not control, and the desktop's open service
// would run a local file or any handler it knows; only web and mail
// addresses are handed over.
#include <optional>
#include <string>
#include <string_view>

namespace veltod {

enum class AddressVerdict {
    Open,     // hand Address to the desktop
    Nothing,  // an empty address: nothing happens
    Refused,  // not a web or mail address
};

struct AddressToOpen {
    AddressVerdict verdict = AddressVerdict::Nothing;
    std::string address;  // what to open: the text without surrounding blanks, "http://" put before a bare host
};

// "http", "https", "ftp" and "mailto" addresses are opened as they are
// (scheme in any case); an address without a scheme that starts with a host
// name ("www.example.org/x.zip", "example.org:8080/") is opened as http://.
// Anything else, and any address holding a control character, is refused.
AddressToOpen WebAddressToOpen(std::string_view text);

}  // namespace veltod
