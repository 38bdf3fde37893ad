#include "localapi/ConnectionServer.h"

#include "localapi/ApiLog.h"

#include <asio.hpp>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>

#include <array>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace tamberlink {

namespace {

using Clock = std::chrono::steady_clock;
using asio::ip::tcp;

// TCP keep-alive: the first probe after 5 s of silence, then one a second.
constexpr int kKeepAliveIdleSeconds = 5;
constexpr int kKeepAliveIntervalSeconds = 1;
// Pause before accepting again after the process ran out of descriptors.
constexpr std::chrono::milliseconds kAcceptRetry{100};
// Descriptors wanted for the held connections and the rest of the program.
constexpr rlim_t kWantedDescriptors = 4096;

struct Block {
    std::array<char, ConnectionServer::kBlockSize> data;
    std::size_t length = 0;
    std::size_t sent = 0;
};

// Keeps released blocks for reuse, so that steady traffic allocates none.
class BlockPool {
public:
    BlockPool() { free_.reserve(ConnectionServer::kFreeBlocksKept); }
    ~BlockPool() {
        for (Block* block : free_) {
            delete block;
        }
    }
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    Block* Acquire() {
        {
            std::lock_guard lock(mutex_);
            if (!free_.empty()) {
                Block* block = free_.back();
                free_.pop_back();
                return block;
            }
        }
        return new Block;
    }

    void Release(Block* block) {
        {
            std::lock_guard lock(mutex_);
            // Cleared under the lock whichever way the block goes, so that its last use is
            // ordered before the next Acquire even when the memory comes back from new.
            block->length = 0;
            block->sent = 0;
            if (free_.size() < ConnectionServer::kFreeBlocksKept) {
                free_.push_back(block);
                return;
            }
        }
        delete block;
    }

private:
    std::mutex mutex_;
    std::vector<Block*> free_;
};

bool SetKeepAlive(tcp::socket& socket) {
    asio::error_code ec;
    socket.set_option(asio::socket_base::keep_alive(true), ec);
    const int fd = socket.native_handle();
    return !ec &&
           setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepAliveIdleSeconds,
                      sizeof kKeepAliveIdleSeconds) == 0 &&
           setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepAliveIntervalSeconds,
                      sizeof kKeepAliveIntervalSeconds) == 0;
}

// Each held connection takes a descriptor; some systems start processes with 1024.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < kWantedDescriptors) {
        limit.rlim_cur = std::min(kWantedDescriptors, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

bool OutOfResources(const asio::error_code& ec) {
    return ec == asio::error::no_descriptors || ec == asio::error::no_buffer_space ||
           ec == asio::error::no_memory || ec.value() == ENFILE;
}

} // namespace

class Connection : public std::enable_shared_from_this<Connection> {
public:
    enum class State {
        Waiting,   // for (more of) a message, or for the replies before the next one to go out
        Handling,  // a worker serves what was received, or it is held; only its server
                   // touches `received`
        Streaming, // a stream goes out; what comes in is dropped
        Closing,   // the last replies go out, then the connection closes
    };

    explicit Connection(asio::io_context& io)
        : socket(io) {}
    ~Connection() {
        for (std::size_t i = 0; i < sendCount; ++i) {
            delete sends[(sendHead + i) % sends.size()];
        }
    }

    // Set before the connection is listed, then only read.
    bool admitted = false;
    // Guarded by the server's mutex.
    bool listed = false;
    std::list<std::shared_ptr<Connection>>::iterator position;
    // Guarded by `mutex`: the socket's operations, the state and the send queue.
    std::mutex mutex;
    tcp::socket socket;
    State state = State::Waiting;
    Clock::time_point since;      // when the connection or its current message began
    bool serveAfterSends = false; // a message is here, waiting for the replies to go out
    bool replied = false;         // something was queued to be sent
    bool reported = false;        // the derived class heard of the closing
    bool held = false;            // a message is being served elsewhere, until Resume
    std::optional<ConnectionServer::ReadResult::Next> resumed; // Resume came before the hold
    std::string received; // bytes not yet taken by the derived class
    std::array<Block*, ConnectionServer::kMaxPendingSends> sends{};
    std::size_t sendHead = 0;
    std::size_t sendCount = 0;
};

class ConnectionServer::Impl {
public:
    Impl(ConnectionServer& owner, std::chrono::milliseconds idleLimit)
        : owner_(owner)
        , idleLimit_(idleLimit) {}

    bool Start(std::uint16_t port, const std::shared_ptr<Impl>& self);
    void Stop();
    std::uint16_t Port() const {
        std::lock_guard lock(mutex_);
        return port_;
    }
    int ConnectionCount() const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(connections_.size());
    }
    bool Send(Connection& connection, std::string_view bytes);
    std::size_t PendingSends(Connection& connection) {
        std::lock_guard lock(connection.mutex);
        return connection.sendCount;
    }
    void Resume(const std::shared_ptr<Connection>& connection, ReadResult::Next next);
    void Post(std::function<void()> work);
    void Schedule(std::chrono::milliseconds delay, std::function<void()> work);
    void Close(const std::shared_ptr<Connection>& connection);

private:
    using ConnectionPtr = std::shared_ptr<Connection>;

    void Run();
    void AcceptNext();
    void OnAccepted(const ConnectionPtr& connection, const asio::error_code& ec);
    void WaitForData(const ConnectionPtr& connection);
    void OnReadable(const ConnectionPtr& connection, const asio::error_code& ec);
    void Serve(const ConnectionPtr& connection);
    // Carries out `next` after a message was served; true when the next message is to be
    // served at once.
    bool Proceed(const ConnectionPtr& connection, ReadResult::Next next, bool took);
    bool FinishClosingLocked(const ConnectionPtr& connection);
    void StreamLocked(const ConnectionPtr& connection);
    static void RunGuarded(const std::function<void()>& work);
    void WriteSome(const ConnectionPtr& connection);
    void OnWritten(const ConnectionPtr& connection, const asio::error_code& ec, std::size_t n);
    void Unlist(Connection& connection);
    void ArmSweep();
    void Sweep();

    ConnectionServer& owner_;
    const std::chrono::milliseconds idleLimit_;
    asio::io_context io_;
    BlockPool blocks_;

    // Guards the acceptor, the timers, the connection list and the counts below. Taken
    // before a connection's own mutex when both are needed.
    mutable std::mutex mutex_;
    tcp::acceptor acceptor_{io_};
    asio::steady_timer sweepTimer_{io_};
    asio::steady_timer retryTimer_{io_};
    std::list<asio::steady_timer> scheduled_;
    std::list<ConnectionPtr> connections_;
    int admitted_ = 0;
    int overflow_ = 0;
    bool accepting_ = false;
    bool started_ = false;
    bool stopping_ = false;
    std::uint16_t port_ = 0;

    std::vector<std::thread> workers_;
    std::mutex runningMutex_;
    std::condition_variable runningChanged_;
    int running_ = 0;
};

bool ConnectionServer::Impl::Start(std::uint16_t port, const std::shared_ptr<Impl>& self) {
    std::lock_guard lock(mutex_);
    if (started_) {
        return false;
    }
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), port);
    asio::error_code ec;
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) {
        // Lets a restarted program listen again while old connections linger in TIME_WAIT;
        // a port held by a live listener still cannot be bound.
        acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
    }
    if (!ec) {
        acceptor_.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor_.listen(kListenBacklog, ec);
    }
    if (ec) {
        qCWarning(lcLocalApi, "cannot listen on 127.0.0.1:%u: %s", unsigned{port},
                  ec.message().c_str());
        asio::error_code ignored;
        acceptor_.close(ignored);
        return false;
    }
    port_ = acceptor_.local_endpoint(ec).port();
    RaiseDescriptorLimit();
    started_ = true;
    AcceptNext();
    ArmSweep();
    running_ = kWorkers;
    // The workers keep the state alive: if one is still stuck in a handler when Stop gives
    // up waiting, it is left running on state that stays valid.
    for (int i = 0; i < kWorkers; ++i) {
        workers_.emplace_back([self] { self->Run(); });
    }
    return true;
}

void ConnectionServer::Impl::Run() {
    for (;;) {
        try {
            io_.run();
            break;
        } catch (const std::exception& e) {
            qCWarning(lcLocalApi, "request handling failed: %s", e.what());
        } catch (...) {
            qCWarning(lcLocalApi, "request handling failed");
        }
    }
    std::lock_guard lock(runningMutex_);
    --running_;
    runningChanged_.notify_all();
}

void ConnectionServer::Impl::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (!started_ || stopping_) {
            return;
        }
        stopping_ = true;
        asio::error_code ignored;
        acceptor_.close(ignored);
        sweepTimer_.cancel();
        retryTimer_.cancel();
        for (asio::steady_timer& timer : scheduled_) {
            timer.cancel();
        }
        for (const ConnectionPtr& connection : connections_) {
            std::lock_guard connectionLock(connection->mutex);
            connection->listed = false;
            connection->socket.close(ignored);
        }
        connections_.clear();
        admitted_ = 0;
        overflow_ = 0;
    }
    // With everything closed the workers run out of work and return.
    std::unique_lock lock(runningMutex_);
    if (!runningChanged_.wait_for(lock, kStopLimit, [this] { return running_ == 0; })) {
        // Every handler's own wait is bounded (the UI thread's answer, the user's consent):
        // the workers still end, each as its handler returns, and run nothing after it.
        qCWarning(lcLocalApi, "a request handler did not finish in time; waiting for it");
        io_.stop();
    }
    lock.unlock();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    workers_.clear();
}

void ConnectionServer::Impl::AcceptNext() {
    if (stopping_ || accepting_ || (admitted_ >= kMaxConnections && overflow_ >= kMaxOverflow)) {
        return;
    }
    accepting_ = true;
    auto connection = std::make_shared<Connection>(io_);
    acceptor_.async_accept(connection->socket, [this, connection](const asio::error_code& ec) {
        OnAccepted(connection, ec);
    });
}

void ConnectionServer::Impl::OnAccepted(const ConnectionPtr& connection,
                                        const asio::error_code& ec) {
    std::lock_guard lock(mutex_);
    accepting_ = false;
    if (stopping_ || ec == asio::error::operation_aborted) {
        return;
    }
    if (OutOfResources(ec)) {
        // The client stays in the listen queue until descriptors are free again.
        accepting_ = true;
        retryTimer_.expires_after(kAcceptRetry);
        retryTimer_.async_wait([this](const asio::error_code& waitEc) {
            std::lock_guard retryLock(mutex_);
            accepting_ = false;
            if (!waitEc) {
                AcceptNext();
            }
        });
        return;
    }
    // A connection whose options cannot be set is dropped, as its socket closes with it.
    bool usable = !ec && SetKeepAlive(connection->socket);
    if (usable) {
        asio::error_code optionEc;
        connection->socket.non_blocking(true, optionEc);
        usable = !optionEc;
    }
    if (usable) {
        connection->since = Clock::now();
        connection->admitted = admitted_ < kMaxConnections;
        ++(connection->admitted ? admitted_ : overflow_);
        connection->position = connections_.insert(connections_.end(), connection);
        connection->listed = true;
        std::lock_guard connectionLock(connection->mutex);
        WaitForData(connection);
    }
    AcceptNext();
}

void ConnectionServer::Impl::WaitForData(const ConnectionPtr& connection) {
    connection->socket.async_wait(
        tcp::socket::wait_read,
        [this, connection](const asio::error_code& ec) { OnReadable(connection, ec); });
}

void ConnectionServer::Impl::OnReadable(const ConnectionPtr& connection,
                                        const asio::error_code& ec) {
    if (ec || !connection->admitted) {
        Close(connection);
        return;
    }
    bool close = false;
    bool serve = false;
    {
        std::lock_guard lock(connection->mutex);
        if (!connection->socket.is_open()) {
            return;
        }
        asio::error_code readEc;
        if (connection->state == Connection::State::Closing ||
            connection->state == Connection::State::Streaming) {
            // A stream goes out, or the replies are out and the sending side is shut: what
            // still comes is dropped until the client closes.
            std::array<char, 512> drain;
            const std::size_t n = connection->socket.read_some(asio::buffer(drain), readEc);
            close = (readEc && readEc != asio::error::would_block) || (!readEc && n == 0);
            if (!close) {
                WaitForData(connection);
            }
        } else {
            std::string& received = connection->received;
            const std::size_t had = received.size();
            received.resize(had + kBlockSize);
            const std::size_t n = connection->socket.read_some(
                asio::buffer(received.data() + had, kBlockSize), readEc);
            received.resize(had + (readEc ? 0 : n));
            if (readEc == asio::error::would_block) {
                WaitForData(connection);
                return;
            }
            if (readEc || n == 0) {
                // The client is done sending; the replies already queued still go out.
                connection->state = Connection::State::Closing;
                connection->since = Clock::now();
                close = readEc || FinishClosingLocked(connection);
            } else {
                connection->state = Connection::State::Handling;
                serve = true;
            }
        }
    }
    if (close) {
        Close(connection);
    } else if (serve) {
        Serve(connection);
    }
}

// Hands the received bytes to the derived class until it waits for more, a message waits
// for the replies before it, or the connection is to close. Runs in the Handling state, so
// no other thread touches `received` meanwhile.
void ConnectionServer::Impl::Serve(const ConnectionPtr& connection) {
    for (;;) {
        ReadResult result{0, ReadResult::Next::Close};
        try {
            result = owner_.OnReadCompleted(*connection, connection->received);
        } catch (const std::exception& e) {
            qCWarning(lcLocalApi, "request handling failed: %s", e.what());
        }
        bool took = false;
        {
            std::lock_guard lock(connection->mutex);
            std::string& received = connection->received;
            const std::size_t consumed = std::min(result.consumed, received.size());
            received.erase(0, consumed);
            took = consumed > 0;
            if (took) {
                connection->since = Clock::now();
            }
        }
        if (!Proceed(connection, result.next, took)) {
            return;
        }
    }
}

bool ConnectionServer::Impl::Proceed(const ConnectionPtr& connection, ReadResult::Next next,
                                     bool took) {
    bool close = false;
    {
        std::lock_guard lock(connection->mutex);
        if (!connection->socket.is_open()) {
            return false;
        }
        std::string& received = connection->received;
        if (next == ReadResult::Next::Hold) {
            // The work held may be done already, on another worker, before the hold is seen.
            if (!connection->resumed) {
                connection->held = true;
                return false;
            }
            next = *std::exchange(connection->resumed, std::nullopt);
            took = true;
        }
        switch (next) {
        case ReadResult::Next::Hold:
            connection->held = true;
            return false;
        case ReadResult::Next::Stream:
            StreamLocked(connection);
            return false;
        case ReadResult::Next::Close:
            connection->state = Connection::State::Closing;
            connection->since = Clock::now();
            close = FinishClosingLocked(connection);
            break;
        case ReadResult::Next::Read:
            if (!took || received.empty()) {
                if (received.empty()) {
                    std::string().swap(received);
                }
                connection->state = Connection::State::Waiting;
                WaitForData(connection);
                return false;
            }
            if (connection->sendCount > 0) {
                connection->state = Connection::State::Waiting;
                connection->serveAfterSends = true;
                return false;
            }
            return true;
        }
    }
    if (close) {
        Close(connection);
    }
    return false;
}

void ConnectionServer::Impl::Resume(const ConnectionPtr& connection, ReadResult::Next next) {
    Post([this, connection, next] {
        {
            std::lock_guard lock(connection->mutex);
            connection->since = Clock::now();
            if (!connection->held) {
                connection->resumed = next;
                return;
            }
            connection->held = false;
        }
        if (Proceed(connection, next, true)) {
            Serve(connection);
        }
    });
}

// Streams are small and slow: a modest send buffer keeps what a stalled client holds of
// the program's memory small, and lets its stall show soon.
void ConnectionServer::Impl::StreamLocked(const ConnectionPtr& connection) {
    constexpr int kStreamSendBuffer = 32 * 1024;
    connection->state = Connection::State::Streaming;
    std::string().swap(connection->received);
    asio::error_code ignored;
    connection->socket.set_option(asio::socket_base::send_buffer_size(kStreamSendBuffer), ignored);
    WaitForData(connection);
}

void ConnectionServer::Impl::RunGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        qCWarning(lcLocalApi, "request handling failed: %s", e.what());
    }
}

void ConnectionServer::Impl::Post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (started_ && !stopping_) {
        asio::post(io_, [work = std::move(work)] { RunGuarded(work); });
    }
}

void ConnectionServer::Impl::Schedule(std::chrono::milliseconds delay, std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (stopping_) {
        return;
    }
    asio::steady_timer& timer = scheduled_.emplace_back(io_, delay);
    const auto position = std::prev(scheduled_.end());
    timer.async_wait([this, position, work = std::move(work)](const asio::error_code& ec) {
        {
            std::lock_guard timerLock(mutex_);
            scheduled_.erase(position);
        }
        if (!ec) {
            RunGuarded(work);
        }
    });
}

// In the Closing state: once the replies are out, shuts the sending side and waits for the
// client to close, so that no reply is cut off by a reset; a connection that was sent
// nothing closes at once. True when it is to be closed now.
bool ConnectionServer::Impl::FinishClosingLocked(const ConnectionPtr& connection) {
    if (connection->sendCount > 0) {
        return false;
    }
    if (!connection->replied) {
        return true;
    }
    asio::error_code ec;
    connection->socket.shutdown(tcp::socket::shutdown_send, ec);
    if (ec) {
        return true;
    }
    WaitForData(connection);
    return false;
}

bool ConnectionServer::Impl::Send(Connection& connection, std::string_view bytes) {
    if (bytes.size() > kBlockSize) {
        return false;
    }
    std::lock_guard lock(connection.mutex);
    if (!connection.socket.is_open() || connection.sendCount >= kMaxPendingSends) {
        return false;
    }
    Block* block = blocks_.Acquire();
    std::memcpy(block->data.data(), bytes.data(), bytes.size());
    block->length = bytes.size();
    connection.sends[(connection.sendHead + connection.sendCount) % kMaxPendingSends] = block;
    connection.replied = true;
    if (++connection.sendCount == 1) {
        WriteSome(connection.shared_from_this());
    }
    return true;
}

// One write at a time, each initiated under the connection's lock, so that a close from
// another thread never runs into a write in progress.
void ConnectionServer::Impl::WriteSome(const ConnectionPtr& connection) {
    const Block* block = connection->sends[connection->sendHead];
    connection->socket.async_write_some(
        asio::buffer(block->data.data() + block->sent, block->length - block->sent),
        [this, connection](const asio::error_code& ec, std::size_t n) {
            OnWritten(connection, ec, n);
        });
}

void ConnectionServer::Impl::OnWritten(const ConnectionPtr& connection, const asio::error_code& ec,
                                       std::size_t n) {
    bool close = false;
    bool serve = false;
    bool drained = false;
    {
        std::lock_guard lock(connection->mutex);
        Block* block = connection->sends[connection->sendHead];
        block->sent += n;
        if (!ec && block->sent < block->length) {
            WriteSome(connection);
            return;
        }
        const std::size_t drop = ec ? connection->sendCount : 1;
        for (std::size_t i = 0; i < drop; ++i) {
            blocks_.Release(connection->sends[connection->sendHead]);
            connection->sendHead = (connection->sendHead + 1) % kMaxPendingSends;
            --connection->sendCount;
        }
        if (ec) {
            close = true;
        } else if (connection->sendCount > 0) {
            WriteSome(connection);
        } else if (connection->state == Connection::State::Closing) {
            close = connection->socket.is_open() && FinishClosingLocked(connection);
        } else {
            drained = true;
            if (connection->serveAfterSends && connection->socket.is_open()) {
                connection->serveAfterSends = false;
                connection->state = Connection::State::Handling;
                serve = true;
            }
        }
    }
    if (close) {
        Close(connection);
        return;
    }
    if (drained) {
        try {
            owner_.OnWriteCompleted(*connection);
        } catch (const std::exception& e) {
            qCWarning(lcLocalApi, "stream failed: %s", e.what());
        }
    }
    if (serve) {
        Serve(connection);
    }
}

void ConnectionServer::Impl::Close(const ConnectionPtr& connection) {
    {
        std::lock_guard lock(mutex_);
        Unlist(*connection);
        AcceptNext();
    }
    {
        std::lock_guard lock(connection->mutex);
        asio::error_code ignored;
        connection->socket.close(ignored);
        if (connection->reported) {
            return;
        }
        connection->reported = true;
    }
    try {
        owner_.OnConnectionClosing(*connection);
    } catch (const std::exception& e) {
        qCWarning(lcLocalApi, "closing failed: %s", e.what());
    }
}

void ConnectionServer::Impl::Unlist(Connection& connection) {
    if (connection.listed) {
        connections_.erase(connection.position);
        connection.listed = false;
        --(connection.admitted ? admitted_ : overflow_);
    }
}

void ConnectionServer::Impl::ArmSweep() {
    sweepTimer_.expires_after(idleLimit_ / 2);
    sweepTimer_.async_wait([this](const asio::error_code& ec) {
        if (!ec) {
            Sweep();
        }
    });
}

// Closes connections whose message has not come whole, or whose replies have not been
// taken, within the idle limit of the message's start (the connection, or the end of the
// message before). Run every half limit, it closes each between one and one and a half
// limits after that.
void ConnectionServer::Impl::Sweep() {
    std::lock_guard lock(mutex_);
    if (stopping_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    for (auto it = connections_.begin(); it != connections_.end();) {
        Connection& connection = **it++;
        std::lock_guard connectionLock(connection.mutex);
        if (connection.state != Connection::State::Handling &&
            connection.state != Connection::State::Streaming &&
            now - connection.since >= idleLimit_) {
            asio::error_code ignored;
            connection.socket.close(ignored);
            Unlist(connection);
        }
    }
    AcceptNext();
    ArmSweep();
}

ConnectionServer::ConnectionServer(std::chrono::milliseconds idleLimit)
    : impl_(std::make_shared<Impl>(*this, idleLimit)) {}

ConnectionServer::~ConnectionServer() {
    Stop();
}

bool ConnectionServer::Start(std::uint16_t port) {
    return impl_->Start(port, impl_);
}

void ConnectionServer::Stop() {
    impl_->Stop();
}

std::uint16_t ConnectionServer::Port() const {
    return impl_->Port();
}

int ConnectionServer::ConnectionCount() const {
    return impl_->ConnectionCount();
}

bool ConnectionServer::Send(Connection& connection, std::string_view bytes) {
    return impl_->Send(connection, bytes);
}

std::size_t ConnectionServer::PendingSends(Connection& connection) {
    return impl_->PendingSends(connection);
}

std::shared_ptr<Connection> ConnectionServer::Share(Connection& connection) {
    return connection.shared_from_this();
}

void ConnectionServer::Resume(const std::shared_ptr<Connection>& connection,
                              ReadResult::Next next) {
    impl_->Resume(connection, next);
}

void ConnectionServer::Close(Connection& connection) {
    impl_->Post([impl = impl_.get(), connection = connection.shared_from_this()] {
        impl->Close(connection);
    });
}

void ConnectionServer::Schedule(std::chrono::milliseconds delay, std::function<void()> work) {
    impl_->Schedule(delay, std::move(work));
}

ConnectionServer::Poster ConnectionServer::MakePoster() const {
    return [impl = std::weak_ptr<Impl>(impl_)](std::function<void()> work) {
        if (const std::shared_ptr<Impl> alive = impl.lock()) {
            alive->Post(std::move(work));
        }
    };
}

} // namespace tamberlink
