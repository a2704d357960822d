#include "http/engine.h"

#include "http/reply.h"
#include "platform/log.h"

#include <QString>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

namespace http::detail {
namespace {

constexpr uint32_t headerLimit = 32 * 1024;
constexpr size_t headerReadSize = 16 * 1024;

std::string errnoText(int error) {
    return std::strerror(error);
}

std::string addressText(const sockaddr_storage &address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(&address);
        if (!::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text))
            return {};
        return text;
    }
    const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(&address);
    // An IPv4 client of the dual-stack socket reads as its IPv4 address.
    if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) {
        if (!::inet_ntop(AF_INET, &v6->sin6_addr.s6_addr[12], text, sizeof text))
            return {};
        return text;
    }
    if (!::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text))
        return {};
    return text;
}

// Lets a server with many open connections and files reach the hard limit of descriptors.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        platform::log(QStringLiteral("HTTP server: cannot raise the descriptor limit: ") +
                      QString::fromStdString(errnoText(errno)));
}

} // namespace

Engine::Engine(HttpServer &server, ServerOptions options)
    : m_server(server)
    , m_options(std::move(options)) {}

Engine::~Engine() {
    stop();
    for (std::thread &worker : m_workers)
        if (worker.joinable())
            worker.join();
    for (auto &loop : m_loops) {
        std::lock_guard lock(loop->mutex);
        for (auto &[raw, connection] : loop->connections)
            ::close(connection->fd);
        loop->connections.clear();
    }
}

std::optional<uint16_t> Engine::listen(const std::string &address, uint16_t port, std::string &error) {
    raiseDescriptorLimit();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo *found = nullptr;
    const std::string service = std::to_string(port);
    if (const int status =
            ::getaddrinfo(address.empty() ? nullptr : address.c_str(), service.c_str(), &hints, &found);
        status != 0) {
        error = "cannot listen on " + address + " port " + service + ": " + ::gai_strerror(status);
        return std::nullopt;
    }
    const std::unique_ptr<addrinfo, void (*)(addrinfo *)> addresses(found, ::freeaddrinfo);
    platform::UniqueFd fd(::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    int yes = 1, no = 0;
    // Only SO_REUSEADDR: SO_REUSEPORT would let a second server bind a port that is in use. An IPv6
    // socket also takes IPv4 clients, whatever the system's default.
    if (!fd || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        (found->ai_family == AF_INET6 &&
         ::setsockopt(fd.get(), IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no) != 0) ||
        ::bind(fd.get(), found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd.get(), 1024) != 0) {
        error = "cannot listen on " + address + " port " + service + ": " + errnoText(errno);
        return std::nullopt;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    if (::getsockname(fd.get(), reinterpret_cast<sockaddr *>(&bound), &size) != 0) {
        error = "cannot read the bound port: " + errnoText(errno);
        return std::nullopt;
    }
    m_listener = std::move(fd);
    return ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in *>(&bound)->sin_port
                                            : reinterpret_cast<sockaddr_in6 *>(&bound)->sin6_port);
}

void Engine::run() {
    // sendfile has no MSG_NOSIGNAL: a client gone mid-download must be a failed write, not a
    // signal that ends the process.
    if (::signal(SIGPIPE, SIG_IGN) == SIG_ERR)
        throw std::runtime_error("cannot ignore SIGPIPE: " + errnoText(errno));
    const int loops = std::max(1, m_options.eventThreads);
    for (int i = 0; i < loops; ++i) {
        auto loop = std::make_unique<Loop>();
        loop->epoll = platform::UniqueFd(::epoll_create1(EPOLL_CLOEXEC));
        loop->wake = platform::UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (!loop->epoll || !loop->wake)
            throw std::runtime_error("epoll: " + errnoText(errno));
        // Every loop waits on the one listening socket; EPOLLEXCLUSIVE wakes one of them per client.
        epoll_event listenEvent{EPOLLIN | EPOLLEXCLUSIVE, {.ptr = nullptr}};
        epoll_event wakeEvent{EPOLLIN, {.ptr = loop.get()}};
        if (::epoll_ctl(loop->epoll.get(), EPOLL_CTL_ADD, m_listener.get(), &listenEvent) != 0 ||
            ::epoll_ctl(loop->epoll.get(), EPOLL_CTL_ADD, loop->wake.get(), &wakeEvent) != 0)
            throw std::runtime_error("epoll_ctl: " + errnoText(errno));
        m_loops.push_back(std::move(loop));
    }
    m_running = true;
    for (auto &loop : m_loops)
        loop->thread = std::thread([this, raw = loop.get()] { loopMain(*raw); });
    const int workers = std::max(1, m_options.workerThreads);
    m_runningWorkers = workers;
    for (int i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { workerMain(); });
}

void Engine::stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    m_stopping = true;
    for (auto &loop : m_loops) {
        const uint64_t one = 1;
        if (::write(loop->wake.get(), &one, sizeof one) != sizeof one)
            platform::log(QStringLiteral("HTTP server: cannot wake an event thread"));
    }
    for (auto &loop : m_loops)
        if (loop->thread.joinable())
            loop->thread.join();
    m_listener.reset();
    // Connections waiting in epoll close now; those a worker holds are shut down, which ends the
    // worker's read or write at once, and the worker closes them.
    for (auto &loop : m_loops) {
        std::lock_guard lock(loop->mutex);
        for (auto it = loop->connections.begin(); it != loop->connections.end();) {
            Connection &connection = *it->second;
            ::shutdown(connection.fd, SHUT_RDWR);
            if (connection.armed) {
                ::close(connection.fd);
                {
                    std::lock_guard peers(m_peersMutex);
                    if (--m_peers[connection.peer] <= 0)
                        m_peers.erase(connection.peer);
                    --m_connections;
                }
                it = loop->connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    {
        std::lock_guard lock(m_queueMutex);
        for (IdleWorker *worker : m_idle)
            worker->wake.notify_one();
    }
}

// Request lines of an event thread go out together: one write for many small requests. They wait
// at most logDelay, or until logBatchSize bytes of them are kept, whichever comes first.
constexpr auto logDelay = std::chrono::milliseconds(100);
constexpr size_t logBatchSize = 32 * 1024;
thread_local std::string t_logBatch;
thread_local Clock::time_point t_logSince;

void Engine::loopMain(Loop &loop) {
    epoll_event events[128];
    Clock::time_point nextScan = Clock::now() + std::chrono::seconds(1);
    while (!m_stopping) {
        int timeout = 500;
        if (!t_logBatch.empty()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(t_logSince + logDelay - Clock::now());
            timeout = int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, timeout));
        }
        const int count = ::epoll_wait(loop.epoll.get(), events, 128, timeout);
        if (count < 0 && errno != EINTR) {
            platform::log(QStringLiteral("HTTP server: epoll_wait failed: ") +
                          QString::fromStdString(errnoText(errno)));
            break;
        }
        for (int i = 0; i < count && !m_stopping; ++i) {
            void *tag = events[i].data.ptr;
            if (tag == nullptr) {
                accept(loop);
            } else if (tag != &loop) {
                auto *connection = static_cast<Connection *>(tag);
                // Taking the flag back (a read of what the arming thread stored) orders everything
                // that thread did to the connection before what this one does now.
                connection->armed.exchange(false, std::memory_order_acq_rel);
                connection->drained = false;
                drive(*connection, false);
            }
        }
        const Clock::time_point now = Clock::now();
        if (!t_logBatch.empty() && now - t_logSince >= logDelay)
            flushLog();
        if (now >= nextScan) {
            expire(loop);
            nextScan = now + std::chrono::seconds(1);
        }
    }
    flushLog();
}

void Engine::logRequest(const Connection &connection, const RequestHead &head, int status, bool onWorker) {
    std::string local;
    std::string &line = onWorker ? local : t_logBatch;
    if (!line.empty())
        line += '\n';
    else if (!onWorker)
        t_logSince = Clock::now();
    char number[16];
    const auto end = std::to_chars(number, number + sizeof number, status).ptr;
    line.append(connection.peer).append(1, ' ').append(head.method).append(1, ' ').append(head.target);
    line.append(1, ' ').append(number, end);
    if (onWorker)
        m_options.requestLog(line);
    else if (line.size() >= logBatchSize)
        flushLog();
}

void Engine::flushLog() {
    if (t_logBatch.empty())
        return;
    m_options.requestLog(t_logBatch);
    t_logBatch.clear();
}

void Engine::accept(Loop &loop) {
    for (int i = 0; i < 64; ++i) {
        sockaddr_storage address{};
        socklen_t size = sizeof address;
        const int fd = ::accept4(m_listener.get(), reinterpret_cast<sockaddr *>(&address), &size,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED && errno != EINTR)
                platform::log(QStringLiteral("HTTP server: accept failed: ") +
                              QString::fromStdString(errnoText(errno)));
            return;
        }
        std::string peer = addressText(address);
        bool admitted = false;
        {
            std::lock_guard lock(m_peersMutex);
            int &count = m_peers[peer];
            admitted = count < m_options.maxConnectionsPerAddress && m_connections < m_options.maxConnections;
            if (admitted) {
                ++count;
                ++m_connections;
            } else if (count == 0) {
                m_peers.erase(peer);
            }
        }
        if (!admitted) {
            // A short answer the client can show; the socket buffer of a new connection takes it.
            static const std::string text = "Too many connections at once.";
            static const std::string busy =
                replyHead(503, {{"Retry-After", "5"}}, "text/plain", text.size(), true, false) + text;
            [[maybe_unused]] const ssize_t sent =
                ::send(fd, busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(fd);
            continue;
        }
        int yes = 1;
        if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes) != 0)
            platform::log(QStringLiteral("HTTP server: TCP_NODELAY refused"));
        // Each new connection goes to the next loop, which spreads clients however the kernel woke us.
        Loop &owner = *m_loops[m_nextLoop++ % m_loops.size()];
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->peer = std::move(peer);
        connection->loop = &owner;
        Connection &raw = *connection;
        {
            std::lock_guard lock(owner.mutex);
            owner.connections.emplace(&raw, std::move(connection));
        }
        if (&owner == &loop) {
            drive(raw, false);
        } else {
            // Another loop's connection waits in that loop's epoll for its first bytes.
            arm(raw, Clock::now() + std::chrono::seconds(m_options.headerTimeoutSeconds));
        }
    }
}

void Engine::expire(Loop &loop) {
    const Clock::time_point now = Clock::now();
    std::vector<std::unique_ptr<Connection>> expired;
    {
        std::lock_guard lock(loop.mutex);
        for (auto it = loop.connections.begin(); it != loop.connections.end();) {
            if (it->second->armed && now >= it->second->deadline) {
                expired.push_back(std::move(it->second));
                it = loop.connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto &connection : expired) {
        ::close(connection->fd);
        std::lock_guard lock(m_peersMutex);
        if (--m_peers[connection->peer] <= 0)
            m_peers.erase(connection->peer);
        --m_connections;
    }
}

namespace {
void control(int epoll, int operation, int fd, epoll_event *event) {
    if (::epoll_ctl(epoll, operation, fd, event) != 0)
        platform::log(QStringLiteral("HTTP server: epoll_ctl failed: ") +
                      QString::fromStdString(errnoText(errno)));
}
} // namespace

// A connection its loop owns stays in that loop's epoll, edge-triggered: waiting again for its next
// request (or for room to write) costs no call. One handed to a worker leaves the epoll first, so
// that no event for it can reach the loop meanwhile, and is added again when the worker is done;
// the kernel then reports at once what arrived in between.
void Engine::arm(Connection &connection, Clock::time_point deadline) {
    connection.deadline = deadline;
    if (connection.inEpoll) { // only ever true on the loop's own thread
        connection.armed.store(true, std::memory_order_release);
        return;
    }
    Loop &loop = *connection.loop;
    std::lock_guard lock(loop.mutex);
    epoll_event event{EPOLLIN | EPOLLOUT | EPOLLET, {.ptr = &connection}};
    connection.inEpoll = true;
    connection.armed = true;
    // Only a stopping server fails here (its epoll is gone): the stop closes the connection.
    control(loop.epoll.get(), EPOLL_CTL_ADD, connection.fd, &event);
}

void Engine::handOff(Connection &connection) {
    if (connection.inEpoll) {
        control(connection.loop->epoll.get(), EPOLL_CTL_DEL, connection.fd, nullptr);
        connection.inEpoll = false;
    }
    enqueue(connection);
}

void Engine::close(Connection &connection) {
    Loop &loop = *connection.loop;
    std::unique_ptr<Connection> owned;
    {
        std::lock_guard lock(loop.mutex);
        auto it = loop.connections.find(&connection);
        if (it == loop.connections.end())
            return;
        owned = std::move(it->second);
        loop.connections.erase(it);
    }
    ::close(owned->fd);
    std::lock_guard lock(m_peersMutex);
    if (--m_peers[owned->peer] <= 0)
        m_peers.erase(owned->peer);
    --m_connections;
}

void Engine::enqueue(Connection &connection) {
    std::unique_lock lock(m_queueMutex);
    if (m_idle.empty()) {
        m_queue.push_back(&connection);
        return;
    }
    IdleWorker *worker = m_idle.back();
    m_idle.pop_back();
    worker->job = &connection;
    lock.unlock();
    worker->wake.notify_one();
}

void Engine::workerMain() {
    IdleWorker self;
    for (;;) {
        Connection *connection = nullptr;
        {
            std::unique_lock lock(m_queueMutex);
            if (!m_queue.empty()) {
                connection = m_queue.front();
                m_queue.pop_front();
            } else if (m_stopping) {
                break;
            } else {
                m_idle.push_back(&self);
                self.wake.wait(lock, [&] { return self.job || m_stopping; });
                if (!self.job) { // stopping: leave the stack
                    std::erase(m_idle, &self);
                    break;
                }
                connection = std::exchange(self.job, nullptr);
            }
        }
        if (m_stopping) {
            close(*connection);
            continue;
        }
        // A connection comes here with a request to answer, or with a provider body to write.
        if (connection->provider || connection->chunks) {
            if (!writeProvider(*connection)) {
                close(*connection);
                continue;
            }
        } else if (!answer(*connection, true)) {
            continue;
        }
        drive(*connection, true);
    }
    --m_runningWorkers;
}

void Engine::drive(Connection &connection, bool onWorker) {
    static thread_local std::unique_ptr<char[]> buffer(new char[headerReadSize]);
    for (;;) {
        if (m_stopping) {
            close(connection);
            return;
        }
        if (connection.outSent < connection.out.size() || connection.bodySent < connection.body.size() ||
            connection.fileLeft > 0) {
            const Flush flushed = flush(connection);
            if (flushed == Flush::Blocked) {
                arm(connection, Clock::now() + std::chrono::seconds(m_options.readTimeoutSeconds));
                return;
            }
            if (flushed == Flush::Failed) {
                close(connection);
                return;
            }
        }
        if (connection.provider || connection.chunks) {
            if (!onWorker) {
                handOff(connection);
                return;
            }
            if (!writeProvider(connection)) {
                close(connection);
                return;
            }
            continue;
        }
        if (connection.closeAfter) {
            close(connection);
            return;
        }
        // A client that has its answer rarely sent the next request already: waiting in epoll
        // costs less than a read that finds nothing. That needs a read since the connection's last
        // event that emptied the socket: bytes that came before it bring no new event.
        if (connection.replied && connection.inStart == connection.in.size() && connection.drained) {
            connection.replied = false;
            connection.in.clear();
            connection.inStart = 0;
            arm(connection, Clock::now() + std::chrono::seconds(m_options.keepAliveSeconds));
            return;
        }
        if (connection.inStart < connection.in.size()) {
            if (!connection.parser) {
                connection.parser.emplace(headerLimit);
                connection.requestStart = Clock::now();
            }
            size_t taken = 0;
            const RequestParser::Status status = connection.parser->feed(
                connection.in.data() + connection.inStart, connection.in.size() - connection.inStart, taken);
            connection.inStart += taken;
            if (status == RequestParser::Status::HeaderDone || status == RequestParser::Status::Done) {
                connection.head = std::move(connection.parser->head());
                connection.bodyConsumed = false;
                connection.continueSent = false;
                if (!dispatch(connection, onWorker))
                    return;
                continue;
            }
            if (status == RequestParser::Status::TooLarge) {
                errorReply(connection, 431, "The request header is too large.");
                continue;
            }
            if (status != RequestParser::Status::NeedMore) {
                errorReply(connection, 400, "The request is malformed.");
                continue;
            }
        }
        if (connection.inStart == connection.in.size()) {
            connection.in.clear();
            connection.inStart = 0;
        } else if (connection.inStart > 0) {
            connection.in.erase(0, connection.inStart);
            connection.inStart = 0;
        }
        const ssize_t got = ::recv(connection.fd, buffer.get(), headerReadSize, 0);
        connection.drained = got < ssize_t(headerReadSize);
        if (got > 0) {
            connection.in.append(buffer.get(), size_t(got));
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const bool partial = connection.parser.has_value();
            const Clock::time_point deadline =
                partial ? connection.requestStart + std::chrono::seconds(m_options.headerTimeoutSeconds)
                        : Clock::now() + std::chrono::seconds(m_options.keepAliveSeconds);
            if (connection.in.capacity() > 2 * headerReadSize && connection.in.empty())
                connection.in.shrink_to_fit();
            arm(connection, deadline);
            return;
        }
        if (got < 0 && errno == EINTR)
            continue;
        close(connection);
        return;
    }
}

// Quick routes, requests no route takes and refusals are answered where the request was read;
// everything else goes to a worker. Answers false when the connection left this thread.
bool Engine::dispatch(Connection &connection, bool onWorker) {
    const RequestHead &head = *connection.head;
    connection.path = percentDecode(std::string_view(head.target).substr(0, head.target.find('?')), false);
    const std::shared_ptr<const HttpServer::RouteTable> &table = m_server.routeTable();
    connection.route = table->find(head.method, connection.path);
    connection.filter = table->filter.get();
    const bool quick = !head.hasBody() && (!connection.route || connection.route->options.quick);
    if (!onWorker && !quick) {
        connection.table = table;
        handOff(connection);
        return false;
    }
    return answer(connection, onWorker);
}

} // namespace http::detail
