#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QUrl>

namespace catalogue {

// Answers whether a URL can be opened, which is how the catalogue tells an installed app.
class UrlSchemeChecker {
public:
    virtual ~UrlSchemeChecker() = default;
    virtual bool canOpenUrl(const QUrl &url) const = 0;
};

// The desktop's answer: `xdg-mime query default x-scheme-handler/<scheme>` names an application.
// The first question about a scheme waits for the answer (up to two seconds); later ones answer
// from memory and, once that answer is older than maxAge, ask again in the background, so the
// grid's refresh follows installs and removals without stalling. answersChanged fires when a
// background answer differs. A missing xdg-mime answers false. GUI thread only.
class DesktopUrlSchemeChecker final : public QObject, public UrlSchemeChecker {
    Q_OBJECT
public:
    explicit DesktopUrlSchemeChecker(QString program = QStringLiteral("xdg-mime"), int maxAgeMs = 3000,
                                     QObject *parent = nullptr);
    bool canOpenUrl(const QUrl &url) const override;

signals:
    void answersChanged();

private:
    struct Answer {
        bool canOpen = false;
        QDateTime checked;
        bool refreshing = false;
    };
    QStringList arguments(const QString &scheme) const;
    static bool isHandlerNamed(int exitCode, const QByteArray &output);
    void refresh(const QString &scheme);

    QString m_program;
    int m_maxAgeMs;
    mutable QHash<QString, Answer> m_answers;
};

} // namespace catalogue
