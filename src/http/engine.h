#pragma once

#include "http/httpserver.h"
#include "http/requestparser.h"
#include "http/smallfilecache.h"
#include "platform/uniquefd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace http::detail {

using Clock = std::chrono::steady_clock;
struct Loop;

// One client connection. At any moment exactly one thread owns it: the event thread while it
// waits in epoll (armed) or is being driven there, or the worker running its handler. Ownership
// passes through the epoll registration and the worker queue, never shared: a connection goes to
// a worker only out of the epoll, and comes back by being added to it again.
struct Connection {
    int fd = -1;
    std::string peer;
    Loop *loop = nullptr;
    bool inEpoll = false;            // in the loop's epoll (edge-triggered)
    std::atomic<bool> armed = false; // waiting in epoll; the loop's time-out scan may close it
    bool drained = false;            // read to the end since its last event
    Clock::time_point deadline;

    std::string in; // bytes read and not yet parsed, from inStart
    size_t inStart = 0;
    std::optional<RequestParser> parser;
    Clock::time_point requestStart;

    // The request being answered: its head, decoded path and route (null for none).
    std::optional<RequestHead> head;
    std::string path;
    const HttpServer::Route *route = nullptr;
    const RequestFilter *filter = nullptr;
    // Where route and filter live, held while a worker answers (an event thread's own copy of the
    // table keeps them until it next looks).
    std::shared_ptr<const HttpServer::RouteTable> table;
    bool bodyConsumed = false;
    bool continueSent = false;

    // The reply being written: head (and a small body), a body held in memory, then a range of a
    // file, then a provider.
    std::string out;
    size_t outSent = 0;
    std::string body;
    size_t bodySent = 0;
    std::shared_ptr<const platform::UniqueFd> file;
    uint64_t fileOffset = 0;
    uint64_t fileLeft = 0;
    BodyProvider provider;
    uint64_t providerOffset = 0;
    uint64_t providerLength = 0;
    std::function<bool(const ChunkWriter &)> chunks;
    bool chunkFraming = false; // chunked transfer encoding (HTTP/1.1), else the raw bytes until close
    bool closeAfter = false;
    bool replied = false; // a reply was laid out since the connection last waited for input
};

// What a handler's HttpRequest reads through.
struct Exchange {
    Connection &connection;
    Engine &engine;
};

// Per event thread: its epoll set and the connections it holds.
struct Loop {
    platform::UniqueFd epoll;
    platform::UniqueFd wake; // eventfd that ends epoll_wait at stop
    std::thread thread;
    std::mutex mutex; // guards connections and arming against the stop and a worker's close
    std::unordered_map<Connection *, std::unique_ptr<Connection>> connections;
};

// The running part of an HttpServer: listening socket, event threads, workers. Made by start(),
// stopped by stop(), destroyed once finished() (the destructor joins what is left).
class Engine {
public:
    Engine(HttpServer &server, ServerOptions options);
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Binds and listens; the bound port, or nullopt with the reason in `error`.
    std::optional<uint16_t> listen(const std::string &address, uint16_t port, std::string &error);
    void run();
    void stop();
    bool finished() const { return m_runningWorkers.load() == 0 && m_stopped; }
    bool isRunning() const { return m_running && !m_stopping; }
    bool stopping() const { return m_stopping.load(std::memory_order_relaxed); }

    BodyRead readBody(Connection &connection, uint64_t limit,
                      const std::function<bool(const char *, size_t)> &sink);

private:
    enum class Flush { Done, Blocked, Failed };

    void loopMain(Loop &loop);
    void accept(Loop &loop);
    void expire(Loop &loop);
    void workerMain();
    void logRequest(const Connection &connection, const RequestHead &head, int status, bool onWorker);
    void flushLog();
    void drive(Connection &connection, bool onWorker);
    bool dispatch(Connection &connection, bool onWorker);
    bool answer(Connection &connection, bool onWorker);
    HttpResponse respond(Connection &connection);
    std::shared_ptr<const std::string> smallFile(const HttpResponse &response, uint64_t length);
    void errorReply(Connection &connection, int status, const std::string &text);
    Flush flush(Connection &connection);
    bool writeBlocking(Connection &connection, const char *data, size_t size);
    bool writeProvider(Connection &connection);
    bool waitFor(int fd, short events);
    void arm(Connection &connection, Clock::time_point deadline);
    void handOff(Connection &connection);
    void close(Connection &connection);
    void enqueue(Connection &connection);

    HttpServer &m_server;
    ServerOptions m_options;
    platform::UniqueFd m_listener;
    std::vector<std::unique_ptr<Loop>> m_loops;
    std::vector<std::thread> m_workers;
    std::atomic<int> m_runningWorkers = 0;
    std::atomic<bool> m_stopping = false;
    bool m_running = false;
    bool m_stopped = false;
    std::atomic<size_t> m_nextLoop = 0;

    // A worker with nothing to do waits on its own condition, on a stack: the one that finished
    // last takes the next request, so that a light load keeps to a thread or two whose caches and
    // allocator arenas are warm. Requests wait in the queue only while every worker is busy.
    struct IdleWorker {
        std::condition_variable wake;
        Connection *job = nullptr;
    };
    std::mutex m_queueMutex;
    std::vector<IdleWorker *> m_idle;
    std::deque<Connection *> m_queue;

    SmallFileCache m_smallFiles{8 * 1024 * 1024};

    std::mutex m_peersMutex;
    std::unordered_map<std::string, int> m_peers; // open connections per client address
    int m_connections = 0;
};

} // namespace http::detail
