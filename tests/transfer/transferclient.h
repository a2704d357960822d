#pragma once

#include "transfer/devicealerts.h"
#include "transfer/transferserver.h"

#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "httpclient.h"

#include <memory>
#include <mutex>
#include <vector>

// Alerts kept for the test to read.
class RecordingAlerts final : public transfer::DeviceAlerts {
public:
    void showAlert(const QString &title, const QString &message, const QString &buttonTitle) override;
    std::vector<QString> titles() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<QString> m_titles;
};

struct Reply {
    int status = 0; // 0: no answer (connection refused or broken)
    std::string body;
    testsupport::HttpHeaders headers;
    std::string header(const std::string &name) const;
};

// A real transfer server on a free loopback port, serving a fresh document folder. Beside the
// document folder lies `outside` with secret.txt, which no request may reach.
class TransferServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts (or restarts) the server with every route; the upload route receives into `uploadFolder`
    // (the top of the document folder when empty).
    void startServer(const QString &uploadFolder = {}, const std::string &bind = "127.0.0.1");

    QString documents() const { return m_documents; }
    QString outside() const { return m_outside; }
    QString doc(const QString &relative) const { return m_documents + "/" + relative; }

    testsupport::HttpClient client() const;
    Reply get(const std::string &target) const;
    Reply head(const std::string &target) const;
    Reply list(const std::optional<std::string> &folder = std::nullopt) const;
    QJsonObject listJson(const std::optional<std::string> &folder = std::nullopt) const;
    Reply download(const std::string &name, const std::string &range = {}) const;
    Reply postForm(const std::string &path, const std::string &body) const;
    Reply upload(const std::string &name, const std::string &bytes,
                 const std::string &route = "/upload") const;
    Reply putStream(const std::string &name, const std::string &bytes) const;
    // Sends bytes as they are over a new IPv4 connection and returns the reply that arrives (header
    // values stay undecoded); gives up after 5 seconds of silence.
    std::string rawExchange(const std::string &request) const;

    static std::string formBody(const std::string &note, const std::string &name, const std::string &bytes);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_documents;
    QString m_outside;
    std::string m_host = "127.0.0.1";
    std::shared_ptr<RecordingAlerts> m_alerts = std::make_shared<RecordingAlerts>();
    std::unique_ptr<transfer::TransferServer> m_server;
};

// Names of the document folder's entries, sorted.
std::vector<std::string> entryNames(const QJsonObject &reply);
