#include "serve.h"

#include "platform/log.h"
#include "platform/networkinterfaces.h"
#include "platform/paths.h"
#include "terminalqr.h"
#include "transfer/accesscode.h"
#include "transfer/devicealerts.h"
#include "transfer/requestgate.h"
#include "transfer/transferserver.h"
#include "zepcommon/localnetwork/serviceannouncer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// The address a browser elsewhere on the network should open: the bound address when one was
// given, else the IPv4 address of the Wi-Fi (or routed) interface, else any other non-loopback one.
QString browserHost(const QString &bindAddress) {
    if (bindAddress != "::" && bindAddress != "0.0.0.0")
        return bindAddress.contains(':') ? "[" + bindAddress + "]" : bindAddress;
    const QString preferred = platform::wifiInterfaceName();
    const auto addresses = platform::interfaceAddresses();
    for (const auto &address : addresses)
        if (!address.isIPv6 && !address.isLoopback && address.interfaceName == preferred)
            return address.address;
    for (const auto &address : addresses)
        if (!address.isIPv6 && !address.isLoopback)
            return address.address;
    return QStringLiteral("localhost");
}

} // namespace

int runServe(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("tidewell serve");
    QCommandLineParser parser;
    parser.setApplicationDescription("Serves the document folder to web browsers on this network.");
    parser.addHelpOption();
    parser.addOption({"documents", "The folder to serve (default: the document folder).", "DIR"});
    parser.addOption({"port", "The TCP port (default 8080).", "N", "8080"});
    parser.addOption({"bind", "The local address to listen on (default :: = every IPv6 and IPv4 address).",
                      "ADDRESS", "::"});
    parser.addOption(
        {"allow-host",
         "Also answer requests for this host name, e.g. one behind a reverse proxy (repeatable). "
         "Without it only this machine's names and addresses are served.",
         "NAME"});
    parser.addOption({"code", "Ask browsers for a six-digit access code, fresh at each start, before they "
                              "may list, download or upload."});
    parser.addOption({"no-announce", "Do not announce the server on the network over DNS-SD (Avahi)."});
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "tidewell serve: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet("help")) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "tidewell serve: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value("port").toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "tidewell serve: --port wants a number from 0 to 65535, not '%s'\n",
                     qPrintable(parser.value("port")));
        return 2;
    }
    if (parser.isSet("documents")) {
        const QString folder = parser.value("documents");
        if (!QFileInfo(folder).isDir()) {
            std::fprintf(stderr, "tidewell serve: '%s' is not a folder\n", qPrintable(folder));
            return 2;
        }
        platform::setDocumentFolderOverride(folder);
    }
    const std::optional<QString> documents = platform::documentFolder();
    if (!documents) {
        std::fprintf(stderr, "tidewell serve: the document folder cannot be created\n");
        return 1;
    }

    transfer::TransferServer &server = transfer::TransferServer::shared();
    server.setAlerts(std::make_shared<transfer::ConsoleAlerts>());
    server.setPort(uint16_t(port));
    server.setBindAddress(parser.value("bind").toStdString());
    server.setRequestLogging(true);
    std::vector<std::string> allowedHosts;
    for (const QString &name : parser.values("allow-host")) {
        const auto host = transfer::RequestGate::hostOf(name.toStdString());
        if (!host || transfer::RequestGate::isAddressLiteral(*host) || host->find('.') == 0) {
            std::fprintf(stderr, "tidewell serve: --allow-host wants a host name, not '%s'\n",
                         qPrintable(name));
            return 2;
        }
        allowedHosts.push_back(*host);
    }
    server.setAllowedHosts(std::move(allowedHosts));
    server.setAccessCodeEnabled(parser.isSet("code"));
    server.registerUploadRoute(*documents);
    server.registerRoutes();
    if (!server.isRunning()) {
        std::fprintf(stderr, "tidewell serve: %s\n", server.server().errorText().c_str());
        return 1;
    }

    const QString url =
        QStringLiteral("http://%1:%2/").arg(browserHost(parser.value("bind"))).arg(server.port());
    const std::string code = server.accessCode();
    // With an access code the QR code carries it in the fragment: scanning it signs in.
    const std::string scanned =
        code.empty() ? url.toStdString() : transfer::AccessCode::signInUrl(url.toStdString(), code);
    std::printf("Serving %s\nOpen %s in a browser on the same network.\n",
                qPrintable(QDir::toNativeSeparators(*documents)), qPrintable(url));
    if (!code.empty())
        std::printf("Access code: %s\n", code.c_str());
    std::printf("\n%s\nPress Ctrl-C to stop.\n", terminalQrCode(scanned).c_str());
    std::fflush(stdout);

    // Announced by name while it runs, so that browsers on the network can find it as HOST.local.
    localnetwork::ServiceAnnouncer announcer;
    QObject::connect(&announcer, &localnetwork::ServiceAnnouncer::established, &app,
                     [&server](const QString &name, const QString &host) {
                         std::printf(
                             "Announced as \"%s\": also at %s\n", qPrintable(name),
                             qPrintable(localnetwork::ServiceAnnouncer::localUrl(host, server.port())));
                         std::fflush(stdout);
                     });
    if (!parser.isSet("no-announce"))
        announcer.start(localnetwork::ServiceAnnouncer::transferServiceName(),
                        localnetwork::ServiceAnnouncer::transferServiceType(), server.port(), {"path=/"});

    // Signals only write a byte; the event loop does the stopping.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("tidewell serve: pipe");
        return 1;
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    app.exec();
    announcer.stop();
    server.stop();
    server.server().waitUntilStopped();
    platform::log(QStringLiteral("Transfer server stopped."));
    return 0;
}
