#pragma once

#include <boost/beast/http/basic_parser.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace http::detail {

// What the request line and header say, copied out of the connection's buffer.
struct RequestHead {
    std::string method;
    std::string target; // as sent: path and query, still percent-encoded
    int version = 11;   // 10 for HTTP/1.0, 11 for HTTP/1.1
    std::vector<std::pair<std::string, std::string>> fields;
    std::optional<uint64_t> contentLength;
    bool chunked = false;
    bool keepAlive = true;
    bool expectContinue = false;

    // The value of the first field of that name (case-insensitive), or nullptr.
    const std::string *field(std::string_view name) const;
    bool hasBody() const { return chunked || (contentLength && *contentLength > 0); }
};

// An incremental HTTP/1.x request parser over Beast's: feed it bytes as they arrive; it stops at the
// end of the header and, once told to go on, hands the body (chunked or not) to a sink in the
// pieces it was given. One parser reads one request.
class RequestParser final : public boost::beast::http::basic_parser<true> {
public:
    using Sink = std::function<bool(const char *, size_t)>;
    enum class Status { NeedMore, HeaderDone, Done, Refused, TooLarge, Invalid };

    explicit RequestParser(uint32_t headerLimit);

    // Parses as much of the bytes as it can and reports how many it took. Before the header is
    // complete nothing is taken until the whole header is there (the parser looks again next time).
    Status feed(const char *data, size_t size, size_t &taken);
    RequestHead &head() { return m_head; }
    // Where body bytes go; a sink answering false stops the parse with Refused.
    void setSink(Sink sink) { m_sink = std::move(sink); }

private:
    void on_request_impl(boost::beast::http::verb, boost::beast::string_view method,
                         boost::beast::string_view target, int version, boost::beast::error_code &) override;
    void on_response_impl(int, boost::beast::string_view, int, boost::beast::error_code &) override;
    void on_field_impl(boost::beast::http::field, boost::beast::string_view name, boost::beast::string_view value,
                       boost::beast::error_code &) override;
    void on_header_impl(boost::beast::error_code &) override;
    void on_body_init_impl(const boost::optional<uint64_t> &length, boost::beast::error_code &) override;
    size_t on_body_impl(boost::beast::string_view body, boost::beast::error_code &error) override;
    void on_chunk_header_impl(uint64_t, boost::beast::string_view, boost::beast::error_code &) override;
    size_t on_chunk_body_impl(uint64_t, boost::beast::string_view body, boost::beast::error_code &error) override;
    void on_finish_impl(boost::beast::error_code &) override;

    RequestHead m_head;
    Sink m_sink;
    bool m_sinkRefused = false;
};

} // namespace http::detail
