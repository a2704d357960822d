#pragma once

#include "http/httpserver.h"

#include <string>

namespace transfer {

// Answers with one file of the page's bundle (built into the program under :/transfer/web/):
// the page as HTML, the image as image/png, style sheets and scripts with their own content types
// (browsers refuse a style sheet sent as plain text). 404 when there is no such file.
http::HttpResponse webResource(const std::string &fileName);

// The page's security headers: its own scripts, styles and images (and data: thumbnails) only, no
// type sniffing, no Referer. Also on files the browser shows itself (a PDF opened inline).
void addPageSecurityHeaders(http::HttpResponse &response);

// The same for a request: every reply carries the file's ETag and asks the browser to check it
// again before use (Cache-Control: no-cache), and a request whose If-None-Match names the current
// ETag gets 304 without a body. The files are read once and kept.
http::HttpResponse webResource(const http::HttpRequest &request, const std::string &fileName);

} // namespace transfer
