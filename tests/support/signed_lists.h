#pragma once
// Text lists as a mirror publishes them, signed with a key pair made once
// per test program, and that key's public half installed where the update
// run looks for it.
#include <string>

#include "core/apply/list_expiry.h"
#include "core/apply/package_format.h"

namespace veltod::test {

struct ListKeys {
    std::string public_key, secret_key;
    ListKeys() { MakeKeyPair(public_key, secret_key); }
};

inline const ListKeys& TestListKeys() {
    static const ListKeys keys;
    return keys;
}

// The content between the marker lines and the signature line after them,
// and the expiry line when valid_until (YYYYMMDD) is given.
inline std::string SignedList(const std::string& content, const std::string& secret_key = TestListKeys().secret_key,
                              const std::string& valid_until = "") {
    return "comensando\r\n" + content + "terminando\r\n" + ListSealLines(content, secret_key, valid_until);
}

// Installs the public key as "../bin/veltod.pub" of the current installation.
inline void InstallListKey() { WriteKeyFile("../bin/veltod.pub", TestListKeys().public_key); }

}  // namespace veltod::test
