#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
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
            Read,   // read on: wait for more bytes, or serve the next message already here
            Close,  // close once the queued replies have been written
            Hold,   // the message is being served elsewhere: nothing is read until Resume
            Stream, // the connection carries a stream out from now on; what the client
                    // sends is dropped, and OnWriteCompleted asks for more
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
    // Closes the listener and every connection and joins the workers; after kStopLimit a
    // handler still running makes the workers take no further work, and its end is awaited. Derived
    // classes call it from their destructor, before the state their OnReadCompleted uses goes away.
    void Stop();
    // The port listened on; 0 before Start.
    std::uint16_t Port() const;
    // Connections held at the moment, those beyond kMaxConnections included.
    int ConnectionCount() const;

    // Queues bytes for the connection. False when they are over kBlockSize bytes,
    // kMaxPendingSends sends are already queued, or the connection is closed.
    bool Send(Connection& connection, std::string_view bytes);
    // Sends queued for the connection and not yet written.
    std::size_t PendingSends(Connection& connection);

    // A handle on the connection for work that outlives OnReadCompleted.
    std::shared_ptr<Connection> Share(Connection& connection);
    // Goes on with a connection held by OnReadCompleted, as if it had returned `next` (the
    // message it held taken already). From any thread; the work is done on a worker.
    void Resume(const std::shared_ptr<Connection>& connection, ReadResult::Next next);
    // Closes the connection soon, on a worker. From any thread.
    void Close(Connection& connection);

    // Runs `work` on a worker once `delay` has passed; dropped unrun when the server stops
    // first.
    void Schedule(std::chrono::milliseconds delay, std::function<void()> work);
    // Something that runs work on a worker soon, from any thread, for as long as the server
    // runs; once it has stopped (or is gone) the work is dropped unrun.
    using Poster = std::function<void(std::function<void()>)>;
    Poster MakePoster() const;

protected:
    // Runs on a worker thread after each read with every byte received and not yet taken,
    // and again for the bytes left after a message once its replies have been written.
    // Taking nothing and reading on waits for more bytes; the derived class bounds what a
    // connection may hold by closing it once the bytes can no longer make a message.
    virtual ReadResult OnReadCompleted(Connection& connection, std::string_view received) = 0;
    // Every byte queued for the connection so far has been written. Runs on a worker.
    virtual void OnWriteCompleted(Connection& /*connection*/) {}
    // The connection has closed, whatever the cause; called at most once, on a worker. The
    // connections Stop closes may go unreported.
    virtual void OnConnectionClosing(Connection& /*connection*/) {}

private:
    class Impl;
    std::shared_ptr<Impl> impl_;
};

} // namespace tamberlink
