#pragma once
// Exceptions shared by every layer. Nothing here may depend on Qt.

#include <cstring>
#include <stdexcept>
#include <string>

// Base of all program exceptions.
class EOrvError : public std::runtime_error {
public:
    explicit EOrvError(const std::string& message) : std::runtime_error(message) {}
};

// A file could not be opened or created. The text names the file as it is, without quotes.
class EFOpenError : public EOrvError {
public:
    explicit EFOpenError(const std::string& message) : EOrvError(message) {}
    static EFOpenError CannotOpen(const std::string& path) { return EFOpenError("Cannot open file " + path); }
    // With the system's reason (an errno value), as the other file errors give it.
    static EFOpenError CannotCreate(const std::string& path, int err) {
        return EFOpenError("Cannot create file " + path + ": " + std::strerror(err));
    }
};

// Writing, flushing or replacing a file failed after it was opened.
class EWriteError : public EOrvError {
public:
    explicit EWriteError(const std::string& message) : EOrvError(message) {}
};

// A conversion or a format text could not be handled.
class EConvertError : public EOrvError {
public:
    explicit EConvertError(const std::string& message) : EOrvError(message) {}
};

// A file is larger than the program can hold.
class ETooLarge : public EOrvError {
public:
    explicit ETooLarge(const std::string& message) : EOrvError(message) {}
};

// The silent abort: a failure that has already been reported. The
// application's error report swallows it without showing anything.
class EAbort : public EOrvError {
public:
    explicit EAbort(const std::string& message = "Operation aborted") : EOrvError(message) {}
};
