#pragma once
// Typed errors raised by the core. Their message is the text the user sees in
// the error box; handlers let them travel up to the application's handler.
#include <stdexcept>
#include <string>

namespace veltod {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file could not be opened, read or written ("File not found", ...).
class FileError : public Error {
public:
    using Error::Error;
};

// Text that should hold a number does not ("'x' is not a valid integer value").
class ConvertError : public Error {
public:
    using Error::Error;
};

// A network failure: socket error text, status line, closed connection.
class NetworkError : public Error {
public:
    using Error::Error;
};

// The user asked to stop the work under way (Cancel): what was finished
// stays, nothing more is done.
class Stopped : public Error {
public:
    using Error::Error;
};

}  // namespace veltod
