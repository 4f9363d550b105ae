// Pieces of one HTTP exchange: the request text and the reply header reader.
#pragma once

#include "NMHTTP.h"
#include "NetHelpers.h"

#include <cstdint>
#include <string>
#include <vector>

// The request line and header lines, ending with the empty line. contentLength < 0: no body.
std::string BuildRequest(const char* method, const TUrlParts& target, bool viaProxy, const THeaderInfo& info,
                         const std::vector<std::string>& cookies, std::int64_t contentLength);

// Reads the status line and header lines as they arrive.
class TReplyHeader {
public:
    // Takes bytes up to the end of the header and returns how many it took; the rest is body.
    // Throws ESockError for a reply that is not HTTP or breaks the header bounds.
    std::size_t Feed(const char* data, std::size_t size);
    bool Complete() const { return FComplete; }
    bool Started() const { return FTotal > 0; }

    int Status = 0;
    std::string Location;
    std::int64_t ContentLength = -1;  // -1: none given
    std::vector<std::string> Cookies; // "name=value" of each Set-Cookie line
    std::string Text;                 // the lines as received, CR LF after each

private:
    void TakeLine(const std::string& line);

    std::string FLine;
    std::size_t FTotal = 0;
    bool FComplete = false;
    bool FFirst = true;
};

// Text from a server made fit for a message: at most limit bytes, anything but printable ASCII as "?".
std::string Printable(const std::string& s, std::size_t limit = 60);

// Adds or replaces the cookies of a reply in the list sent back on a redirect.
void MergeCookies(std::vector<std::string>& list, const std::vector<std::string>& received);
