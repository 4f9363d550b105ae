// URL splitting and the small text helpers of the HTTP exchange. No Qt here.
#pragma once

#include "GenusPictures.h" // IsPlainFileName

#include "NetErrors.h"

#include <string>

struct TUrlParts {
    std::string Scheme; // as written, e.g. "http"
    std::string Host;
    int Port = 80;
    std::string Path = "/"; // from the first "/" after the host on, query included
};

// Splits a URL: the scheme sets the default port ("gopher" 70, "ftp" 21, any other defaultPort),
// "host:port" replaces it, an empty path becomes "/". Throws EURLError.
TUrlParts SplitUrl(const std::string& url, int defaultPort = 80);

// The target of a redirect: a full URL, a path on the same host ("/..."), a name without any "/"
// (a file at the top of the same host), or a relative path (against the current path's folder).
TUrlParts ResolveLocation(const TUrlParts& current, const std::string& location, int defaultPort = 80);

// Percent-encodes every byte except letters, digits and "-._~", so a value can sit in a query.
std::string PercentEncode(const std::string& text);

// Letter case folding of A to Z only, for header names.
bool SameText(const std::string& a, const std::string& b);
