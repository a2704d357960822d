#include "http/reply.h"

#include <charconv>

namespace http::detail {
namespace {

std::optional<uint64_t> number(std::string_view text) {
    uint64_t value = 0;
    if (text.empty())
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::vector<std::pair<int64_t, int64_t>> parseRanges(std::string_view header) {
    std::vector<std::pair<int64_t, int64_t>> ranges;
    header = trimmed(header);
    if (!header.starts_with("bytes="))
        return ranges;
    header.remove_prefix(6);
    const bool valid = forEachPiece(header, ',', [&ranges](std::string_view piece) {
        piece = trimmed(piece);
        const size_t dash = piece.find('-');
        if (dash == std::string_view::npos)
            return false;
        const std::string_view firstText = trimmed(piece.substr(0, dash));
        const std::string_view lastText = trimmed(piece.substr(dash + 1));
        const auto first = number(firstText);
        const auto last = number(lastText);
        if (firstText.empty() && last && *last <= uint64_t(INT64_MAX)) {
            ranges.emplace_back(-1, int64_t(*last));
            return true;
        }
        if (!first || *first > uint64_t(INT64_MAX) || (!lastText.empty() && (!last || *last < *first)))
            return false;
        ranges.emplace_back(int64_t(*first), lastText.empty() ? -1 : int64_t(std::min<uint64_t>(*last, INT64_MAX)));
        return true;
    });
    if (!valid)
        ranges.clear();
    return ranges;
}

std::optional<std::optional<ByteSpan>> requestedSpan(const std::string *rangeHeader, uint64_t length) {
    if (!rangeHeader)
        return std::nullopt;
    const auto ranges = parseRanges(*rangeHeader);
    // Several ranges would need a multipart reply; a server may ignore Range, so those get the
    // whole body, as do headers this server does not understand.
    if (ranges.size() != 1)
        return std::nullopt;
    auto [first, last] = ranges.front();
    if (first < 0) { // the last `last` bytes
        if (last <= 0 || length == 0)
            return std::optional<ByteSpan>();
        const uint64_t count = std::min<uint64_t>(uint64_t(last), length);
        return std::optional<ByteSpan>(ByteSpan{length - count, count});
    }
    if (uint64_t(first) >= length)
        return std::optional<ByteSpan>();
    const uint64_t end = last < 0 || uint64_t(last) >= length ? length - 1 : uint64_t(last);
    return std::optional<ByteSpan>(ByteSpan{uint64_t(first), end - uint64_t(first) + 1});
}

std::string_view reasonPhrase(int status) {
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 416: return "Range Not Satisfiable";
    case 417: return "Expectation Failed";
    case 421: return "Misdirected Request";
    case 422: return "Unprocessable Content";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 507: return "Insufficient Storage";
    default: return status < 400 ? "OK" : status < 500 ? "Client Error" : "Server Error";
    }
}

std::string replyHead(int status, const std::vector<std::pair<std::string, std::string>> &headers,
                      const std::string &contentType, std::optional<uint64_t> contentLength, bool close,
                      bool http10KeepAlive) {
    std::string head;
    head.reserve(256);
    head += "HTTP/1.1 ";
    head += std::to_string(status);
    head += ' ';
    head += reasonPhrase(status);
    head += "\r\n";
    for (const auto &[name, value] : headers) {
        head += name;
        head += ": ";
        head += value;
        head += "\r\n";
    }
    if (!contentType.empty()) {
        head += "Content-Type: ";
        head += contentType;
        head += "\r\n";
    }
    if (contentLength) {
        head += "Content-Length: ";
        head += std::to_string(*contentLength);
        head += "\r\n";
    }
    if (close)
        head += "Connection: close\r\n";
    else if (http10KeepAlive)
        head += "Connection: keep-alive\r\n";
    head += "\r\n";
    return head;
}

} // namespace http::detail
