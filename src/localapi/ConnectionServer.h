#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tamberlink {

// One accepted connection; opaque outside the server.
class Connection;

// A TCP server on 127.0.0.1 that knows nothing of HTTP. It accepts connections, waits for
// the first data each one sends, hands that data (whatever arrived first, at most
// kFirstDataLimit bytes) to OnConnectionEstablished, and closes the connection once the
// bytes queued there have been sent. Later data on a connection is never read. Two worker
// threads run everything.
//
// Limits: at most kMaxConnections connections are held at once; one accepted beyond that
// is closed as soon as its first data arrives (kMaxOverflow of those are held, further
// clients wait in the listen queue). A connection that sends nothing is closed between
// idleLimit and 1.5 x idleLimit after it connected. Data blocks of kBlockSize bytes are
// recycled, and a connection waiting for its data holds none.
class ConnectionServer {
public:
    static constexpr std::size_t kBlockSize = 4096;
    static constexpr std::size_t kFirstDataLimit = kBlockSize - 64;
    static constexpr int kMaxConnections = 2000;
    static constexpr int kMaxOverflow = 100;
    static constexpr std::size_t kMaxPendingSends = 20;
    static constexpr std::size_t kFreeBlocksKept = 200;
    static constexpr int kListenBacklog = 200;
    static constexpr int kWorkers = 2;
    static constexpr std::chrono::milliseconds kIdleLimit{120000};
    static constexpr std::chrono::milliseconds kStopLimit{5000};

    explicit ConnectionServer(std::chrono::milliseconds idleLimit = kIdleLimit);
    virtual ~ConnectionServer();
    ConnectionServer(const ConnectionServer&) = delete;
    ConnectionServer& operator=(const ConnectionServer&) = delete;

    // Listens on 127.0.0.1:`port` (0 picks a free port) and starts the workers. A server
    // starts once: false when it was started before or the port cannot be bound.
    bool Start(std::uint16_t port);
    // Closes the listener and every connection and joins the workers, waiting at most
    // kStopLimit for a handler that is still running. Derived classes call it from their
    // destructor, before the state their OnConnectionEstablished uses goes away.
    void Stop();
    // The port listened on; 0 before Start.
    std::uint16_t Port() const;
    // Connections held at the moment, those beyond kMaxConnections included.
    int ConnectionCount() const;

    // Queues bytes for the connection. False when they are over kBlockSize bytes,
    // kMaxPendingSends sends are already queued, or the connection is closed.
    bool Send(Connection& connection, std::string_view bytes);

protected:
    // Runs on a worker thread with the data that arrived first on a new connection. The
    // connection is closed after it returns, once the bytes it queued have been sent.
    virtual void OnConnectionEstablished(Connection& connection, std::string_view firstData) = 0;

private:
    class Impl;
    std::shared_ptr<Impl> impl_;
};

} // namespace tamberlink
