#include "NetHelpers.h"

#include <algorithm>

namespace {

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

int ParsePort(const std::string& text, const std::string& url) {
    if (text.empty() || text.size() > 5)
        throw EURLError("Invalid port in URL " + url);
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            throw EURLError("Invalid port in URL " + url);
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535)
        throw EURLError("Invalid port in URL " + url);
    return port;
}

// "host" or "host:port"; an IPv6 literal keeps its brackets off.
void SplitHostPort(const std::string& hostPort, const std::string& url, TUrlParts& parts) {
    std::string host = hostPort;
    if (!host.empty() && host[0] == '[') {
        const auto close = host.find(']');
        if (close == std::string::npos)
            throw EURLError("Invalid host in URL " + url);
        const std::string rest = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                throw EURLError("Invalid host in URL " + url);
            parts.Port = ParsePort(rest.substr(1), url);
        }
    } else if (const auto colon = host.find(':'); colon != std::string::npos) {
        parts.Port = ParsePort(host.substr(colon + 1), url);
        host.resize(colon);
    }
    if (host.empty())
        throw EURLError("No host in URL " + url);
    parts.Host = host;
}

} // namespace

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

TUrlParts SplitUrl(const std::string& url, int defaultPort) {
    if (url.empty())
        throw EURLError("Empty URL");
    TUrlParts parts;
    std::string rest = url;
    if (const auto colon = url.find(':'); colon != std::string::npos) {
        const std::string scheme = url.substr(0, colon);
        // Without "//" after it the colon belongs to "host:port", not to a scheme.
        if (url.compare(colon + 1, 2, "//") == 0 || SameText(scheme, "https")) {
            parts.Scheme = scheme;
            rest = url.substr(colon + 1);
        }
    }
    if (SameText(parts.Scheme, "https"))
        throw EURLError("HTTP Secure Socket is not supported");
    if (SameText(parts.Scheme, "gopher"))
        parts.Port = 70;
    else if (SameText(parts.Scheme, "ftp"))
        parts.Port = 21;
    else
        parts.Port = defaultPort;
    if (rest.compare(0, 2, "//") == 0)
        rest.erase(0, 2);
    const auto slash = rest.find('/');
    // A query straight after the host ("host?x=1") still belongs to the path.
    const auto query = rest.find('?');
    const auto hostEnd = std::min(slash, query);
    SplitHostPort(rest.substr(0, hostEnd), url, parts);
    parts.Path = hostEnd == std::string::npos ? "/" : rest.substr(hostEnd);
    if (parts.Path[0] == '?')
        parts.Path.insert(0, "/");
    return parts;
}

TUrlParts ResolveLocation(const TUrlParts& current, const std::string& location, int defaultPort) {
    if (location.find("://") != std::string::npos)
        return SplitUrl(location, defaultPort);
    if (location.compare(0, 2, "//") == 0)
        return SplitUrl((current.Scheme.empty() ? std::string("http") : current.Scheme) + ":" + location,
                        defaultPort);
    TUrlParts next = current;
    if (!location.empty() && location[0] == '/') {
        next.Path = location;
    } else if (location.find('/') == std::string::npos) {
        // A bare name is a file at the top of the same host.
        next.Path = "/" + location;
    } else {
        std::string base = current.Path.substr(0, current.Path.find('?'));
        base.resize(base.rfind('/') + 1);
        next.Path = base + location;
    }
    if (next.Path.empty())
        next.Path = "/";
    return next;
}

std::string PercentEncode(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}
