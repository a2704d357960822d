#pragma once

#include "platform/uniquefd.h"
#include "transfer/httpserver.h"

#include <QString>
#include <string>

namespace transfer {

// The value of a download's Content-Disposition header for a file name: the name in quotes for
// every client, and in its exact UTF-8 form (RFC 6266) for those that read it.
std::string dispositionValue(const QString &name);

// The content type for a file name's extension ("application/octet-stream" when unknown).
std::string contentTypeFor(const std::string &name);

// A body provider that streams from an open descriptor, which it takes over and closes when the
// last copy of the provider goes. Memory stays flat whatever the file's size.
http::BodyProvider fileProvider(platform::UniqueFd fd);

} // namespace transfer
