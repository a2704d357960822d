#pragma once

#include "database.h"

#include <QString>

namespace apiserver {

// Delivers the server's mail. Implementations must be safe from any thread.
class Mailer {
public:
    virtual ~Mailer() = default;
    // False when the mail could not be queued.
    virtual bool send(const QString &recipient, const QString &subject, const QString &body) = 0;
};

// Puts each mail into the outbox table, where a delivery job (outside this server) picks it
// up, and logs one line naming recipient and subject (never the body, which may hold a password).
class OutboxMailer : public Mailer {
public:
    explicit OutboxMailer(DatabaseConfig config)
        : m_config(std::move(config)) {}
    bool send(const QString &recipient, const QString &subject, const QString &body) override;

private:
    DatabaseConfig m_config;
};

} // namespace apiserver
