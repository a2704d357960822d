// tidewell-api: the reference server of the web API that Tarnwick talks to.
#include "accountservice.h"
#include "apiservice.h"
#include "applehandoff.h"
#include "database.h"
#include "httpfrontend.h"
#include "mailer.h"
#include "serveroptions.h"
#include "tarnwick/protocol.h"

#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <cstdio>
#include <pthread.h>

using namespace apiserver;

namespace {

int failWith(const QString &text) {
    std::fprintf(stderr, "tidewell-api: %s\n", qPrintable(text));
    return 1;
}

std::shared_ptr<const IdTokenVerifier> keySet(const QString &path, QString *error) {
    if (path.isEmpty())
        return nullptr;
    auto verifier = IdTokenVerifier::fromKeySetFile(path);
    if (!verifier) {
        *error = verifier.message();
        return nullptr;
    }
    return *verifier;
}

} // namespace

int main(int argc, char **argv) {
    // Every thread started below inherits this mask, so SIGINT and SIGTERM reach sigwait only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0)
        return failWith(QStringLiteral("cannot block stopSignals"));

    QCoreApplication app(argc, argv);
    const auto options = parseServerOptions(app.arguments());
    if (!options && options.reason() == OptionError::HelpShown) {
        std::fputs(qPrintable(options.message()), stdout);
        return 0;
    }
    if (!options)
        return failWith(options.message());

    const DatabaseConfig database = DatabaseConfig::fromArgument(options->database);
    if (auto schema = createSchema(database); !schema)
        return failWith(schema.message());
    const auto remoteValues = loadRemoteValues(options->remoteValuesFile);
    if (!remoteValues)
        return failWith(remoteValues.message());

    AccountOptions accountOptions;
    accountOptions.argon2 = options->argon2;
    QString error;
    accountOptions.appleKeys = keySet(options->appleKeysFile, &error);
    accountOptions.appleAudience = options->appleAudience;
    accountOptions.googleKeys = keySet(options->googleKeysFile, &error);
    accountOptions.googleAudience = options->googleAudience;
    accountOptions.acceptUnverifiedGoogle = options->googleDevelopment;
    if (!error.isEmpty())
        return failWith(error);

    const Clock clock = [] {
        return QDateTime::currentDateTimeUtc();
    };
    OutboxMailer mailer(database);
    AccountService accounts(database, accountOptions, mailer, clock);
    ApiService service(database, accounts, *remoteValues, clock);
    AppleHandoff appleHandoff(clock);
    HttpFrontend frontend(service, appleHandoff);
    const auto port = frontend.start(options->bindAddress, options->port);
    if (!port)
        return failWith(port.message());
    std::fprintf(stderr, "tidewell-api: %s; listening on http://%s:%d%s\n", qPrintable(database.describe()),
                 qPrintable(options->bindAddress), *port, tarnwick::protocol::servicePath);
    if (options->googleDevelopment)
        std::fprintf(stderr, "tidewell-api: DEVELOPMENT MODE: Google sign-in accepts unverified e-mails\n");

    int received = 0;
    sigwait(&stopSignals, &received);
    std::fprintf(stderr, "tidewell-api: stopping\n");
    frontend.stop();
    return 0;
}
