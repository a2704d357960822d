#pragma once

#include "http/httpserver.h"

#include <QString>
#include <string>
#include <string_view>

namespace transfer {

// The value of a download's Content-Disposition header for a file name: the name in quotes for
// every client, and in its exact UTF-8 form (RFC 6266) for those that read it.
std::string dispositionValue(const QString &name);
// The same for a name in UTF-8.
std::string dispositionValue(std::string_view name);

// The content type for a file name's extension ("application/octet-stream" when unknown).
std::string contentTypeFor(const std::string &name);

} // namespace transfer
