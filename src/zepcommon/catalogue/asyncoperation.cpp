#include "zepcommon/catalogue/asyncoperation.h"

#include "platform/log.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace catalogue {

AsyncOperation::AsyncOperation(QObject *parent)
    : QObject(parent) {}

void AsyncOperation::start() {
    if (m_state != OperationState::Ready)
        return;
    if (m_cancelled) {
        finish();
        return;
    }
    setState(OperationState::Executing);
    main();
}

void AsyncOperation::cancel() {
    if (m_cancelled || m_state == OperationState::Finished)
        return;
    m_cancelled = true;
    if (m_state == OperationState::Executing)
        cancelled();
}

void AsyncOperation::finish() {
    setState(OperationState::Finished);
}

void AsyncOperation::setState(OperationState state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

OperationQueue::OperationQueue(int maxConcurrentOperationCount, QObject *parent)
    : QObject(parent)
    , m_maxConcurrent(std::max(1, maxConcurrentOperationCount)) {}

OperationQueue::~OperationQueue() {
    // Running operations may still report; they are deleted with the queue without being heard.
    for (AsyncOperation *operation : m_running)
        disconnect(operation, nullptr, this, nullptr);
    qDeleteAll(m_waiting);
    qDeleteAll(m_running);
}

void OperationQueue::addOperation(AsyncOperation *operation) {
    operation->setParent(this);
    connect(operation, &AsyncOperation::stateChanged, this, [this, operation] { onStateChanged(operation); });
    m_waiting.append(operation);
    startWaiting();
}

void OperationQueue::cancelAllOperations() {
    const QList<AsyncOperation *> all = m_running + m_waiting;
    for (AsyncOperation *operation : all)
        operation->cancel();
}

void OperationQueue::startWaiting() {
    while (!m_waiting.isEmpty() && m_running.size() < m_maxConcurrent) {
        AsyncOperation *operation = m_waiting.takeFirst();
        m_running.append(operation);
        operation->start(); // may finish at once, which calls onStateChanged re-entrantly
    }
}

void OperationQueue::onStateChanged(AsyncOperation *operation) {
    if (!operation->isFinished())
        return;
    m_running.removeOne(operation);
    m_waiting.removeOne(operation);
    emit operationFinished(operation);
    operation->deleteLater();
    startWaiting();
}

AppMetadataOperation::AppMetadataOperation(std::shared_ptr<NativeAppData> appData,
                                           QNetworkAccessManager &network, const QUrl &lookupService,
                                           int timeoutMs, QObject *parent)
    : AsyncOperation(parent)
    , m_appData(std::move(appData))
    , m_network(network)
    , m_service(lookupService)
    , m_timeoutMs(timeoutMs) {}

AppMetadataOperation::~AppMetadataOperation() {
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void AppMetadataOperation::main() {
    QNetworkRequest request(lookupUrl(m_service, m_appData->storeID.value_or(QString())));
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::finished, this, &AppMetadataOperation::onFinished);
}

void AppMetadataOperation::cancelled() {
    if (m_reply)
        m_reply->abort(); // finished follows, which finishes the operation
}

void AppMetadataOperation::onFinished() {
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299) {
        if (const auto error = applyLookupAnswer(*m_appData, reply->readAll()))
            platform::log(QStringLiteral("Error loading/parsing JSON data: ") + *error);
    } else {
        platform::log(QStringLiteral("App lookup %1 failed: %2")
                          .arg(m_appData->storeID.value_or(QString()), reply->errorString()));
    }
    if (m_delegate)
        m_delegate->appMetadataOperationDidFinish(this);
    finish();
}

} // namespace catalogue
