#include "zepcommon/catalogue/urlschemechecker.h"

#include "platform/log.h"

#include <QProcess>

namespace catalogue {

DesktopUrlSchemeChecker::DesktopUrlSchemeChecker(QString program, int maxAgeMs, QObject *parent)
    : QObject(parent)
    , m_program(std::move(program))
    , m_maxAgeMs(maxAgeMs) {}

QStringList DesktopUrlSchemeChecker::arguments(const QString &scheme) const {
    return {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/") + scheme};
}

bool DesktopUrlSchemeChecker::isHandlerNamed(int exitCode, const QByteArray &output) {
    return exitCode == 0 && !output.trimmed().isEmpty();
}

bool DesktopUrlSchemeChecker::canOpenUrl(const QUrl &url) const {
    const QString scheme = url.scheme().toLower();
    if (scheme.isEmpty())
        return false;
    if (const auto found = m_answers.find(scheme); found != m_answers.end()) {
        if (!found->refreshing && found->checked.msecsTo(QDateTime::currentDateTimeUtc()) >= m_maxAgeMs)
            // The remembered answers are a cache, not state the caller sees change.
            const_cast<DesktopUrlSchemeChecker *>(this)->refresh(scheme);
        return found->canOpen;
    }
    QProcess process;
    process.start(m_program, arguments(scheme));
    bool canOpen = false;
    if (!process.waitForFinished(2000)) {
        platform::log(
            QStringLiteral("Cannot ask %1 about %2: %3").arg(m_program, scheme, process.errorString()));
        process.kill();
        process.waitForFinished(1000);
    } else {
        canOpen = process.exitStatus() == QProcess::NormalExit &&
                  isHandlerNamed(process.exitCode(), process.readAllStandardOutput());
    }
    m_answers.insert(scheme, {canOpen, QDateTime::currentDateTimeUtc(), false});
    return canOpen;
}

void DesktopUrlSchemeChecker::refresh(const QString &scheme) {
    m_answers[scheme].refreshing = true;
    auto *process = new QProcess(this);
    connect(process, &QProcess::finished, this,
            [this, process, scheme](int exitCode, QProcess::ExitStatus status) {
                process->deleteLater();
                const bool canOpen = status == QProcess::NormalExit &&
                                     isHandlerNamed(exitCode, process->readAllStandardOutput());
                Answer &answer = m_answers[scheme];
                const bool changed = answer.canOpen != canOpen;
                answer = {canOpen, QDateTime::currentDateTimeUtc(), false};
                if (changed)
                    emit answersChanged();
            });
    connect(process, &QProcess::errorOccurred, this, [this, process, scheme](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash still ends in finished
        process->deleteLater();
        m_answers[scheme] = {false, QDateTime::currentDateTimeUtc(), false};
    });
    process->start(m_program, arguments(scheme));
}

} // namespace catalogue
