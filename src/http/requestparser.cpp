#include "http/requestparser.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/error.hpp>

#include <limits>
#include <strings.h>

namespace http::detail {

namespace beast = boost::beast;

const std::string *RequestHead::field(std::string_view name) const {
    for (const auto &[key, value] : fields)
        if (key.size() == name.size() && ::strncasecmp(key.data(), name.data(), name.size()) == 0)
            return &value;
    return nullptr;
}

RequestParser::RequestParser(uint32_t headerLimit) {
    header_limit(headerLimit);
    // Bodies are limited per route by the server, which also knows how to answer 413.
    body_limit(std::numeric_limits<uint64_t>::max());
    eager(false);
}

RequestParser::Status RequestParser::feed(const char *data, size_t size, size_t &taken) {
    taken = 0;
    if (is_done())
        return Status::Done;
    const bool headerBefore = is_header_done();
    beast::error_code error;
    // Without eager parsing Beast stops after the header; past it, the body is taken in as many
    // calls as it needs.
    eager(headerBefore);
    while (taken < size) {
        const size_t used = put(boost::asio::const_buffer(data + taken, size - taken), error);
        taken += used;
        if (error || used == 0 || is_done() || (!headerBefore && is_header_done()))
            break;
    }
    if (m_sinkRefused)
        return Status::Refused;
    if (error == beast::http::error::need_more || (!error && !is_header_done()))
        return Status::NeedMore;
    if (error == beast::http::error::header_limit)
        return Status::TooLarge;
    if (error)
        return Status::Invalid;
    if (is_done())
        return Status::Done;
    return headerBefore ? Status::NeedMore : Status::HeaderDone;
}

void RequestParser::on_request_impl(beast::http::verb, beast::string_view method, beast::string_view target,
                                    int version, beast::error_code &) {
    m_head.method.assign(method.data(), method.size());
    m_head.target.assign(target.data(), target.size());
    m_head.version = version;
}

void RequestParser::on_response_impl(int, beast::string_view, int, beast::error_code &error) {
    error = beast::http::error::bad_method;
}

void RequestParser::on_field_impl(beast::http::field field, beast::string_view name, beast::string_view value,
                                  beast::error_code &) {
    if (field == beast::http::field::expect)
        m_head.expectContinue = beast::iequals(value, "100-continue");
    m_head.fields.emplace_back(std::string(name.data(), name.size()), std::string(value.data(), value.size()));
}

void RequestParser::on_header_impl(beast::error_code &) {
    m_head.contentLength = content_length() ? std::optional<uint64_t>(*content_length()) : std::nullopt;
    m_head.chunked = chunked();
    m_head.keepAlive = keep_alive();
}

void RequestParser::on_body_init_impl(const boost::optional<uint64_t> &, beast::error_code &) {}

size_t RequestParser::on_body_impl(beast::string_view body, beast::error_code &error) {
    if (m_sink && !m_sink(body.data(), body.size())) {
        m_sinkRefused = true;
        error = beast::http::error::body_limit;
        return 0;
    }
    return body.size();
}

void RequestParser::on_chunk_header_impl(uint64_t, beast::string_view, beast::error_code &) {}

size_t RequestParser::on_chunk_body_impl(uint64_t, beast::string_view body, beast::error_code &error) {
    return on_body_impl(body, error);
}

void RequestParser::on_finish_impl(beast::error_code &) {}

} // namespace http::detail
