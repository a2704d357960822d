#pragma once

#include <QString>
#include <optional>

namespace account {

// What a signed-in device's account screen shows as a QR code, so a second device can sign in as
// the same account: five fields joined by single commas — reserved (empty; readers ignore it),
// user id, session id, e-mail, and "true" or "false" for an external (Apple or Google) account.
// The fields carry no escaping, so an e-mail address holding a comma makes a code readers refuse.
struct QrSignInPayload {
    QString userId;
    QString sessionId;
    QString email;
    bool externalAccount = false;

    QString encode() const;
    // The payload of a scanned text; nullopt unless it splits at "," into exactly five parts
    // (the reader then says "Wrong QR code scanned"). Only "true" marks an external account.
    static std::optional<QrSignInPayload> parse(const QString &text);
};

} // namespace account
