#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tamberlink {

// One accepted connection; opaque outside the server.
class Connection;

// A TCP server on 127.0.0.1 that knows nothing of HTTP. It accepts connections, gathers
// what each one sends and hands the bytes not yet taken to OnReadCompleted after every read;
// the derived class takes whole messages off the front and says what comes next. Replies
// are queued with Send and written in order. Two worker threads run everything.
//
// One connection is served one message at a time: the bytes after a message wait until the
// replies queued for it have been written, so a client that sends many messages without
// reading its replies holds no more than one message's replies.
//
// Limits: at most kMaxConnections connections are held at once; one accepted beyond that
// is closed as soon as its first data arrives (kMaxOverflow of those are held, further
// clients wait in the listen queue). A connection is closed when a message has not come
// whole, or its replies have not been taken, within idleLimit of its start (the connection
// or the previous message), checked every half limit. Send blocks of kBlockSize bytes are
// recycled; a connection waiting for a message with nothing of it received holds no buffer.
class ConnectionServer {
public:
    static constexpr std::size_t kBlockSize = 4096;
    static constexpr int kMaxConnections = 2000;
    static constexpr int kMaxOverflow = 100;
    static constexpr std::size_t kMaxPendingSends = 20;
    static constexpr std::size_t kFreeBlocksKept = 200;
    static constexpr int kListenBacklog = 200;
    static constexpr int kWorkers = 2;
    static constexpr std::chrono::milliseconds kIdleLimit{120000};
    static constexpr std::chrono::milliseconds kStopLimit{5000};

    // What the derived class made of the bytes received so far.
    struct ReadResult {
        enum class Next {
            Read,  // read on: wait for more bytes, or serve the next message already here
            Close, // close once the queued replies have been written
        };
        std::size_t consumed = 0; // bytes taken off the front
        Next next = Next::Read;
    };

    explicit ConnectionServer(std::chrono::milliseconds idleLimit = kIdleLimit);
    virtual ~ConnectionServer();
    ConnectionServer(const ConnectionServer&) = delete;
    ConnectionServer& operator=(const ConnectionServer&) = delete;

    // Listens on 127.0.0.1:`port` (0 picks a free port) and starts the workers. A server
    // starts once: false when it was started before or the port cannot be bound.
    bool Start(std::uint16_t port);
    // Closes the listener and every connection and joins the workers, waiting at most
    // kStopLimit for a handler that is still running. Derived classes call it from their
    // destructor, before the state their OnReadCompleted uses goes away.
    void Stop();
    // The port listened on; 0 before Start.
    std::uint16_t Port() const;
    // Connections held at the moment, those beyond kMaxConnections included.
    int ConnectionCount() const;

    // Queues bytes for the connection. False when they are over kBlockSize bytes,
    // kMaxPendingSends sends are already queued, or the connection is closed.
    bool Send(Connection& connection, std::string_view bytes);

protected:
    // Runs on a worker thread after each read with every byte received and not yet taken,
    // and again for the bytes left after a message once its replies have been written.
    // Taking nothing and reading on waits for more bytes; the derived class bounds what a
    // connection may hold by closing it once the bytes can no longer make a message.
    virtual ReadResult OnReadCompleted(Connection& connection, std::string_view received) = 0;

private:
    class Impl;
    std::shared_ptr<Impl> impl_;
};

} // namespace tamberlink
