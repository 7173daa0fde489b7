// Which addresses from the catalogue the desktop is asked to open.
#include <gtest/gtest.h>

#include "core/platform/web_address.h"

namespace {

using veltod::AddressVerdict;

TEST(WebAddress, OpensWebAndMailAddressesOnlyAndNeverALocalFile) {
    struct Case {
        const char* text;
        AddressVerdict verdict;
        const char* opened;
    };
    const Case cases[] = {
        {"http://www.example.org/x.zip", AddressVerdict::Open, "http://www.example.org/x.zip"},
        {"  HTTPS://example.org/a?b#c\t", AddressVerdict::Open, "HTTPS://example.org/a?b#c"},
        {"ftp://ftp.example.org/pub/", AddressVerdict::Open, "ftp://ftp.example.org/pub/"},
        {"mailto:someone@example.org", AddressVerdict::Open, "mailto:someone@example.org"},
        // A bare host name is a web address.
        {"www.example.org/x.zip", AddressVerdict::Open, "http://www.example.org/x.zip"},
        {"example.org:8080/files", AddressVerdict::Open, "http://example.org:8080/files"},
        {"download.example.co.uk", AddressVerdict::Open, "http://download.example.co.uk"},
        // Shaped like a host name, so it goes to the browser, never to a file.
        {"VeltoD.exe", AddressVerdict::Open, "http://VeltoD.exe"},
        // Nothing to open.
        {"", AddressVerdict::Nothing, ""},
        {"   ", AddressVerdict::Nothing, ""},
        // Local files and other handlers the desktop knows.
        {"file:///etc/passwd", AddressVerdict::Refused, ""},
        {"FILE:/home/user/x.desktop", AddressVerdict::Refused, ""},
        {"setup.exe.lnk:", AddressVerdict::Refused, ""},
        {"javascript:alert(1)", AddressVerdict::Refused, ""},
        {"smb://server/share", AddressVerdict::Refused, ""},
        {"C:\\Windows\\notepad.exe", AddressVerdict::Refused, ""},
        {"../bin/VeltoD.exe", AddressVerdict::Refused, ""},
        {"/usr/bin/xterm", AddressVerdict::Refused, ""},
        {"localhost/x", AddressVerdict::Refused, ""},
        {"-e.example.org", AddressVerdict::Refused, ""},
        {"http://example.org/\nfile:///etc", AddressVerdict::Refused, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const veltod::AddressToOpen result = veltod::WebAddressToOpen(c.text);
        EXPECT_EQ(result.verdict, c.verdict);
        if (c.verdict == AddressVerdict::Open) {
            EXPECT_EQ(result.address, c.opened);
        }
    }
}

}  // namespace
