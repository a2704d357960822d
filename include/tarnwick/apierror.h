#pragma once

#include "tarnwick/export.h"

#include <QString>

namespace tarnwick {

// An error handed to a completion: a domain (see protocol.h), a code within it and a text.
// Transport errors use the network domain with QNetworkReply's error code; JSON failures the
// JSON domain with QJsonParseError's code.
struct TARNWICK_EXPORT ApiError {
    QString domain;
    int code = 0;
    QString description;

    bool operator==(const ApiError &other) const = default;
};

} // namespace tarnwick
