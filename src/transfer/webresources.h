#pragma once

#include "transfer/httpserver.h"

#include <string>

namespace transfer {

// Answers with one file of the page's bundle (built into the program under :/transfer/web/):
// the page as HTML, the image as image/png, style sheets and scripts with their own content types
// (browsers refuse a style sheet sent as plain text). 404 when there is no such file.
http::HttpResponse webResource(const std::string &fileName);

// The page's security headers: its own scripts, styles and images (and data: thumbnails) only, no
// type sniffing, no Referer. Also on files the browser shows itself (a PDF opened inline).
void addPageSecurityHeaders(http::HttpResponse &response);

} // namespace transfer
