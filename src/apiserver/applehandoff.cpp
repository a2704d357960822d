#include "applehandoff.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrlQuery>

namespace apiserver {

namespace {

constexpr qsizetype maximumToken = 16 * 1024;
constexpr qsizetype maximumCode = 1024;
constexpr qsizetype maximumUser = 4096;
constexpr qsizetype maximumError = 200;

QByteArray page(const QString &title, const QString &text) {
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                          "<body style=\"font-family:sans-serif;text-align:center;margin-top:4em\">"
                          "<h1>%1</h1><p>%2</p></body></html>")
        .arg(title.toHtmlEscaped(), text.toHtmlEscaped())
        .toUtf8();
}

HandoffAnswer htmlAnswer(int status, const QString &title, const QString &text) {
    return {status, QByteArrayLiteral("text/html; charset=utf-8"), page(title, text)};
}

HandoffAnswer jsonAnswer(int status, const QJsonObject &object) {
    return {status, QByteArrayLiteral("application/json"),
            QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

HandoffAnswer badForm(const QString &why) {
    return htmlAnswer(400, QStringLiteral("Sign in with Apple failed"), why);
}

// A form value: '+' stands for a space and the rest is percent-encoded.
std::map<QString, QString> parseForm(const QByteArray &body) {
    QByteArray plusless = body;
    plusless.replace('+', "%20");
    std::map<QString, QString> fields;
    const QUrlQuery query(QString::fromLatin1(plusless));
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded))
        fields.emplace(key, value); // the first of repeated keys counts
    return fields;
}

QString field(const std::map<QString, QString> &fields, const char *key) {
    const auto found = fields.find(QString::fromLatin1(key));
    return found == fields.end() ? QString() : found->second;
}

} // namespace

AppleHandoff::AppleHandoff(Clock clock)
    : AppleHandoff(std::move(clock), Limits{}) {}

AppleHandoff::AppleHandoff(Clock clock, Limits limits)
    : m_clock(std::move(clock))
    , m_limits(limits) {}

bool AppleHandoff::isValidState(const QString &state) {
    // The app sends at least 128 random bits in URL-safe Base64.
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{22,128}$"));
    return pattern.match(state).hasMatch();
}

HandoffAnswer AppleHandoff::receiveCallback(const QByteArray &formBody) {
    if (formBody.size() > qsizetype(maximumBody))
        return badForm(QStringLiteral("The answer from Apple is too large."));
    const auto fields = parseForm(formBody);
    const QString state = field(fields, "state");
    if (!isValidState(state))
        return badForm(QStringLiteral("The answer from Apple has no valid state."));
    Entry entry;
    entry.idToken = field(fields, "id_token");
    entry.user = field(fields, "user");
    entry.error = field(fields, "error");
    if (entry.idToken.isEmpty() && entry.error.isEmpty())
        return badForm(QStringLiteral("The answer from Apple has no identity token."));
    if (entry.idToken.size() > maximumToken || field(fields, "code").size() > maximumCode ||
        entry.user.size() > maximumUser || entry.error.size() > maximumError)
        return badForm(QStringLiteral("The answer from Apple is too large."));

    const QDateTime now = m_clock();
    entry.expiry = now.addSecs(m_limits.lifetimeSeconds);
    {
        std::lock_guard lock(m_mutex);
        dropExpired(now);
        if (m_entries.count(state))
            return htmlAnswer(409, QStringLiteral("Sign in with Apple failed"),
                              QStringLiteral("This sign-in was already received."));
        if (m_entries.size() >= m_limits.capacity)
            return htmlAnswer(503, QStringLiteral("Sign in with Apple failed"),
                              QStringLiteral("Too many sign-ins are waiting. Please try again in a minute."));
        m_entries.emplace(state, std::move(entry));
    }
    if (!field(fields, "error").isEmpty())
        return htmlAnswer(200, QStringLiteral("Sign in with Apple was not completed"),
                          QStringLiteral("You may close this window and return to Tidewell."));
    return htmlAnswer(200, QStringLiteral("Signed in with Apple"),
                      QStringLiteral("You may close this window and return to Tidewell."));
}

HandoffAnswer AppleHandoff::takeResult(const QString &state) {
    if (!isValidState(state))
        return jsonAnswer(400, {{QStringLiteral("error"), QStringLiteral("The state is not valid.")}});
    std::lock_guard lock(m_mutex);
    dropExpired(m_clock());
    const auto found = m_entries.find(state);
    if (found == m_entries.end())
        return jsonAnswer(202, {{QStringLiteral("status"), QStringLiteral("waiting")}});
    Entry &entry = found->second;
    if (entry.taken)
        return jsonAnswer(
            404, {{QStringLiteral("error"), QStringLiteral("This sign-in was already handed out.")}});
    QJsonObject answer;
    if (!entry.error.isEmpty())
        answer.insert(QStringLiteral("error"), entry.error);
    else
        answer = {{QStringLiteral("idToken"), entry.idToken}, {QStringLiteral("user"), entry.user}};
    entry = Entry{{}, {}, {}, entry.expiry, true};
    return jsonAnswer(200, answer);
}

void AppleHandoff::dropExpired(const QDateTime &now) {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.expiry <= now)
            it = m_entries.erase(it);
        else
            ++it;
    }
}

} // namespace apiserver
