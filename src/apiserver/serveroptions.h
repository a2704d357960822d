#pragma once

#include "passwordhasher.h"
#include "platform/result.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace apiserver {

// The command line of tidewell-api.
struct ServerOptions {
    QString database = QStringLiteral("tidewell-api.sqlite");
    QString bindAddress = QStringLiteral("127.0.0.1");
    int port = 8090;
    QString remoteValuesFile;
    QString appleKeysFile;
    QString appleAudience;
    QString googleKeysFile;
    QString googleAudience;
    bool googleDevelopment = false;
    Argon2Parameters argon2;
};

enum class OptionError { Invalid, HelpShown };

// Parses the arguments (the program name first). Invalid values give a text to print.
platform::Result<ServerOptions, OptionError> parseServerOptions(const QStringList &arguments);

// The remote-values object of a JSON file; an empty object for an empty path.
platform::Result<QJsonObject, OptionError> loadRemoteValues(const QString &path);

} // namespace apiserver
