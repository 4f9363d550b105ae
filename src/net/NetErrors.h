// The exceptions of the HTTP client. No Qt here. File errors are the program's own EFOpenError
// ("Cannot create file", "Cannot open file") and EWriteError.
#pragma once

#include "Errors.h"

#include <string>

// A network failure: host look-up, connection, time-out, a reply cut off or beyond the client's
// bounds. Callers report it and give up the transfer.
class ESockError : public EOrvError {
public:
    using EOrvError::EOrvError;
};

// The transfer was ended by TNMHTTP::Abort() (the window is closing). Derived from ESockError so
// that code which gives up on any network failure gives up here too; catch it first to stay quiet.
class ETransferAborted : public ESockError {
public:
    ETransferAborted() : ESockError("Socket capture aborted") {}
};

// A URL the client cannot use ("Empty URL", "HTTP Secure Socket is not supported").
class EURLError : public EOrvError {
public:
    using EOrvError::EOrvError;
};
