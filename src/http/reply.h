#pragma once

#include "http/httpserver.h"
#include "http/requestparser.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace http::detail {

// The one byte range a reply serves: [first, first + count).
struct ByteSpan {
    uint64_t first = 0;
    uint64_t count = 0;
};

// The range a Range header asks of a body of `length` bytes: nullopt for the whole body (no
// header, several ranges, or a form this server does not serve), the clamped range, or an empty
// optional inside for a range past the end (416).
std::optional<std::optional<ByteSpan>> requestedSpan(const std::string *rangeHeader, uint64_t length);

// (first, last) pairs of a Range header, -1 for an open end; (-1, n) is the last n bytes. Empty for
// a header that is not a byte range list.
std::vector<std::pair<int64_t, int64_t>> parseRanges(std::string_view header);

// The status line and header of a reply, ending with the empty line.
std::string replyHead(int status, const std::vector<std::pair<std::string, std::string>> &headers,
                      const std::string &contentType, std::optional<uint64_t> contentLength, bool close,
                      bool http10KeepAlive);

std::string_view reasonPhrase(int status);

} // namespace http::detail
