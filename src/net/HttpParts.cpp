#include "HttpParts.h"

#include <cctype>
#include <cstring>

namespace {

std::string Base64(const std::string& text) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        const unsigned v =
            (unsigned char)text[i] << 16 | (unsigned char)text[i + 1] << 8 | (unsigned char)text[i + 2];
        out += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], digits[v & 63]};
    }
    if (i + 1 == text.size()) {
        const unsigned v = (unsigned char)text[i] << 16;
        out += {digits[v >> 18], digits[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == text.size()) {
        const unsigned v = (unsigned char)text[i] << 16 | (unsigned char)text[i + 1] << 8;
        out += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], '='};
    }
    return out;
}

// A byte that would break the request line or a header line is sent percent-encoded.
std::string RequestPath(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7f) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

// Header values given by the caller or a server must not smuggle in further lines.
std::string OneLine(const std::string& value) {
    std::string out;
    for (char c : value)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

} // namespace

std::string Printable(const std::string& s, std::size_t limit) {
    std::string out;
    for (unsigned char c : s.substr(0, limit))
        out += (c < 0x20 || c >= 0x7f) ? '?' : char(c);
    return out;
}

std::string BuildRequest(const char* method, const TUrlParts& target, bool viaProxy, const THeaderInfo& info,
                         const std::vector<std::string>& cookies, std::int64_t contentLength) {
    std::string path = RequestPath(target.Path);
    if (viaProxy)
        path = "http://" + target.Host + (target.Port != 80 ? ":" + std::to_string(target.Port) : "") + path;
    std::string r;
    r += std::string(method) + " " + path + " HTTP/1.0\r\n";
    r += "Host: " + OneLine(target.Host) + "\r\n";
    r += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
    r += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    r += "Content-type: application/x-www-form-urlencoded\r\n";
    if (contentLength >= 0)
        r += "Content-Length: " + std::to_string(contentLength) + "\r\n";
    if (!info.LocalMailAddress.empty())
        r += "From: " + OneLine(info.LocalMailAddress) + "\r\n";
    if (!info.LocalProgram.empty())
        r += "User-Agent: " + OneLine(info.LocalProgram) + "\r\n";
    if (!info.Referer.empty())
        r += "Referer: " + OneLine(info.Referer) + "\r\n";
    if (!info.UserId.empty())
        r += "Authorization: Basic " + Base64(info.UserId + ":" + info.Password) + "\r\n";
    std::string cookie = OneLine(info.Cookie);
    for (const std::string& c : cookies)
        cookie += (cookie.empty() ? "" : "; ") + OneLine(c);
    if (!cookie.empty())
        r += "Cookie: " + cookie + "\r\n";
    r += "\r\n";
    return r;
}

std::size_t TReplyHeader::Feed(const char* data, std::size_t size) {
    std::size_t pos = 0;
    while (pos < size && !FComplete) {
        const void* nl = std::memchr(data + pos, '\n', size - pos);
        const std::size_t end = nl ? std::size_t(static_cast<const char*>(nl) - data) : size;
        FLine.append(data + pos, end - pos);
        FTotal += end - pos + (nl ? 1 : 0);
        // A CR may still follow the longest allowed line.
        if (FLine.size() > TNMHTTP::MaxHeaderLine + 1)
            throw ESockError("Reply header line longer than 65536 bytes");
        if (FTotal > TNMHTTP::MaxHeaderSize)
            throw ESockError("Reply header larger than 1 MiB");
        pos = nl ? end + 1 : size;
        if (nl) {
            if (!FLine.empty() && FLine.back() == '\r')
                FLine.pop_back();
            if (FLine.size() > TNMHTTP::MaxHeaderLine)
                throw ESockError("Reply header line longer than 65536 bytes");
            TakeLine(FLine);
            FLine.clear();
        }
    }
    return pos;
}

void TReplyHeader::TakeLine(const std::string& line) {
    if (FFirst) {
        FFirst = false;
        // "HTTP/x.y 200 text": anything else is not a reply we can trust with a file. Read as
        // status 0 it would count as success and could replace a database with garbage, so it
        // is a failure of the transfer instead.
        const auto sp = line.find(' ');
        const std::string code = sp == std::string::npos ? std::string() : line.substr(sp + 1, 4);
        const bool http = line.size() > 5 && SameText(line.substr(0, 5), "HTTP/");
        const bool digits = code.size() >= 3 && std::isdigit((unsigned char)code[0]) &&
                            std::isdigit((unsigned char)code[1]) && std::isdigit((unsigned char)code[2]) &&
                            (code.size() == 3 || code[3] == ' ');
        if (!http || !digits)
            throw ESockError("Invalid reply from server: \"" + Printable(line) + "\"");
        Status = std::stoi(code.substr(0, 3));
        Text = line + "\r\n";
        return;
    }
    if (line.empty()) {
        FComplete = true;
        return;
    }
    Text += line + "\r\n";
    const auto colon = line.find(':');
    if (colon == std::string::npos)
        return;
    const std::string name = Trim(line.substr(0, colon));
    const std::string value = Trim(line.substr(colon + 1));
    if (SameText(name, "Location")) {
        Location = value;
    } else if (SameText(name, "Set-Cookie")) {
        const std::string pair = Trim(value.substr(0, value.find(';')));
        if (!pair.empty())
            Cookies.push_back(pair);
    } else if (SameText(name, "Content-Length")) {
        std::int64_t n = 0;
        bool ok = !value.empty() && value.size() <= 18;
        for (char c : value)
            ok = ok && c >= '0' && c <= '9';
        if (ok) {
            for (char c : value)
                n = n * 10 + (c - '0');
            ContentLength = n;
        }
    }
}

void MergeCookies(std::vector<std::string>& list, const std::vector<std::string>& received) {
    for (const std::string& c : received) {
        const std::string name = c.substr(0, c.find('='));
        bool replaced = false;
        for (std::string& old : list)
            if (old.substr(0, old.find('=')) == name) {
                old = c;
                replaced = true;
            }
        if (!replaced)
            list.push_back(c);
    }
}
