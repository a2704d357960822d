#pragma once

#include "zepcommon/catalogue/nativeappdata.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace catalogue {

// An operation that finishes later than start() returns. start() finishes at once when the
// operation was cancelled, else moves it to executing and calls main(); the subclass calls
// finish() when its work is done. stateChanged fires on every change, so a queue can follow it.
// Thread of the object only.
class AsyncOperation : public QObject {
    Q_OBJECT
public:
    enum class OperationState { Ready, Executing, Finished };

    explicit AsyncOperation(QObject *parent = nullptr);

    OperationState state() const { return m_state; }
    bool isAsynchronous() const { return true; }
    bool isReady() const { return m_state == OperationState::Ready; }
    bool isExecuting() const { return m_state == OperationState::Executing; }
    bool isFinished() const { return m_state == OperationState::Finished; }
    bool isCancelled() const { return m_cancelled; }

    void start();
    // Marks the operation cancelled: one that has not started finishes at once when started;
    // a running one is told through cancelled() and should finish soon.
    void cancel();

signals:
    void stateChanged(catalogue::AsyncOperation::OperationState state);

protected:
    virtual void main() = 0;
    virtual void cancelled() {}
    void finish();

private:
    void setState(OperationState state);

    OperationState m_state = OperationState::Ready;
    bool m_cancelled = false;
};

// Runs queued operations in order, at most maxConcurrentOperationCount at a time. The queue owns
// the operations and deletes each one after it finished (after operationFinished was emitted).
class OperationQueue : public QObject {
    Q_OBJECT
public:
    explicit OperationQueue(int maxConcurrentOperationCount, QObject *parent = nullptr);
    ~OperationQueue() override;

    int maxConcurrentOperationCount() const { return m_maxConcurrent; }
    void addOperation(AsyncOperation *operation);
    // Operations waiting or running.
    int operationCount() const { return int(m_waiting.size() + m_running.size()); }
    int runningCount() const { return int(m_running.size()); }
    void cancelAllOperations();

signals:
    void operationFinished(catalogue::AsyncOperation *operation);

private:
    void startWaiting();
    void onStateChanged(AsyncOperation *operation);

    int m_maxConcurrent;
    QList<AsyncOperation *> m_waiting;
    QList<AsyncOperation *> m_running;
};

class AppMetadataOperation;

// Told when a lookup is done, whatever its outcome.
class AppMetadataOperationDelegate {
public:
    virtual ~AppMetadataOperationDelegate() = default;
    virtual void appMetadataOperationDidFinish(AppMetadataOperation *operation) = 0;
};

// Looks one app up in the store's lookup service and fills its name, rating and artwork. A
// failed request, a status outside 200–299, a time-out or an unreadable answer leave the app as
// it was (an unreadable answer is logged). The delegate is not owned and may be null.
class AppMetadataOperation final : public AsyncOperation {
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 60'000;

    AppMetadataOperation(std::shared_ptr<NativeAppData> appData, QNetworkAccessManager &network,
                         const QUrl &lookupService, int timeoutMs = defaultTimeoutMs,
                         QObject *parent = nullptr);
    ~AppMetadataOperation() override;

    const std::shared_ptr<NativeAppData> &appData() const { return m_appData; }
    AppMetadataOperationDelegate *delegate() const { return m_delegate; }
    void setDelegate(AppMetadataOperationDelegate *delegate) { m_delegate = delegate; }

protected:
    void main() override;
    void cancelled() override;

private:
    void onFinished();

    std::shared_ptr<NativeAppData> m_appData;
    QNetworkAccessManager &m_network;
    QUrl m_service;
    int m_timeoutMs;
    AppMetadataOperationDelegate *m_delegate = nullptr;
    QPointer<QNetworkReply> m_reply;
};

} // namespace catalogue
