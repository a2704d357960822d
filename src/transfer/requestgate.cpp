#include "transfer/requestgate.h"

#include "transfer/wire.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace transfer {
namespace {

constexpr const char *plainText = "text/plain; charset=utf-8";

std::string lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return result;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && lower(a) == lower(b);
}

bool isHostCharacter(unsigned char c) {
    // Letters, digits and the few other characters a DNS name or an address may hold.
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

bool isPort(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::stoul(std::string(text)) <= 65535;
}

bool isWrite(std::string_view method) {
    return method != "GET" && method != "HEAD" && method != "OPTIONS";
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

RequestGate::RequestGate(Config config)
    : m_config(std::move(config)) {
    for (std::string &name : m_config.hostNames) {
        name = lower(name);
        if (name.ends_with('.'))
            name.pop_back();
    }
    for (const std::string &text : m_config.addresses)
        if (const auto address = parseAddress(text))
            m_addresses.push_back(*address);
}

std::optional<RequestGate::Address> RequestGate::parseAddress(std::string_view text) {
    std::string plain(text.substr(0, text.find('%'))); // an IPv6 zone does not name another host
    Address address;
    if (::inet_pton(AF_INET, plain.c_str(), address.bytes.data()) == 1) {
        address.family = AF_INET;
        return address;
    }
    if (::inet_pton(AF_INET6, plain.c_str(), address.bytes.data()) == 1) {
        address.family = AF_INET6;
        // An IPv4-mapped IPv6 address names the same host as the IPv4 one.
        static constexpr unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        if (std::memcmp(address.bytes.data(), mapped, sizeof mapped) == 0) {
            std::memmove(address.bytes.data(), address.bytes.data() + 12, 4);
            std::fill(address.bytes.begin() + 4, address.bytes.end(), 0);
            address.family = AF_INET;
        }
        return address;
    }
    return std::nullopt;
}

std::optional<std::string> RequestGate::hostOf(std::string_view header) {
    std::string_view host = header;
    std::string_view port;
    if (host.starts_with('[')) {
        const size_t close = host.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view rest = host.substr(close + 1);
        if (!rest.empty() && (rest[0] != ':' || !isPort(rest.substr(1))))
            return std::nullopt;
        const std::string literal = lower(host.substr(1, close - 1));
        const auto parsed = parseAddress(literal);
        if (!parsed || literal.find(':') == std::string::npos)
            return std::nullopt;
        return literal.substr(0, literal.find('%'));
    }
    const size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
        if (!isPort(port)) // also refuses a second colon: an IPv6 address without brackets
            return std::nullopt;
    }
    std::string name = lower(host);
    if (name.ends_with('.'))
        name.pop_back();
    if (name.empty() || !std::all_of(name.begin(), name.end(), isHostCharacter))
        return std::nullopt;
    return name;
}

bool RequestGate::isAddressLiteral(std::string_view host) {
    return parseAddress(host).has_value();
}

std::string_view RequestGate::cookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const size_t end = std::min(header.find(';'), header.size());
        std::string_view piece = header.substr(0, end);
        header.remove_prefix(std::min(end + 1, header.size()));
        while (!piece.empty() && piece.front() == ' ')
            piece.remove_prefix(1);
        if (piece.size() > name.size() && piece.starts_with(name) && piece[name.size()] == '=')
            return piece.substr(name.size() + 1);
    }
    return {};
}

bool RequestGate::isOwnHost(const std::string &host) const {
    if (const auto address = parseAddress(host))
        return std::find(m_addresses.begin(), m_addresses.end(), *address) != m_addresses.end();
    return std::find(m_config.hostNames.begin(), m_config.hostNames.end(), host) != m_config.hostNames.end();
}

GateDecision RequestGate::misdirected() const {
    std::string address = m_config.preferredAddress;
    if (address.empty() && !m_config.addresses.empty())
        address = m_config.addresses.front();
    if (address.find(':') != std::string::npos)
        address = "[" + address + "]";
    const std::string url =
        "http://" + escapeHtml(address) + (m_config.port ? ":" + std::to_string(m_config.port) : "") + "/";
    GateDecision decision;
    decision.status = 421;
    decision.contentType = "text/html; charset=utf-8";
    decision.body =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Tidewell</title></head>"
        "<body><p>" +
        std::string(wire::misdirectedMessage) + " <a href=\"" + url + "\">" + url +
        "</a></p></body></html>\n";
    return decision;
}

GateDecision RequestGate::check(const GateRequest &request) const {
    if (!request.host.empty() && !request.hostKnown) {
        const std::optional<std::string> host = hostOf(request.host);
        if (!host || !isOwnHost(*host))
            return misdirected();
    }
    if (isWrite(request.method)) {
        const bool foreignSite =
            equalsNoCase(request.fetchSite, "cross-site") || equalsNoCase(request.fetchSite, "same-site");
        const bool foreignOrigin =
            !request.origin.empty() &&
            (request.host.empty() || (!equalsNoCase(request.origin, "http://" + std::string(request.host)) &&
                                      !equalsNoCase(request.origin, "https://" + std::string(request.host))));
        if (foreignSite || foreignOrigin)
            return GateDecision{403, plainText, std::string(wire::foreignOriginMessage)};
    }
    if (m_config.sessionCheck && std::find(m_config.openPaths.begin(), m_config.openPaths.end(),
                                           request.path) == m_config.openPaths.end()) {
        const std::string_view token = cookieValue(request.cookie, sessionCookie);
        if (token.empty() || !m_config.sessionCheck(token))
            return GateDecision{401, plainText, std::string(wire::codeNeededMessage)};
    }
    return {};
}

} // namespace transfer
