#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tamberlink {

// The writing end of a reply that goes on after its head: the connection is kept for it.
// Usable from any thread.
class StreamWriter {
public:
    virtual ~StreamWriter() = default;
    // Queues bytes (at most one send block); false when the connection is gone or its queue
    // is full.
    virtual bool Write(std::string_view bytes) = 0;
    // Writes queued and not yet gone out.
    virtual std::size_t Pending() = 0;
    // Closes the connection soon.
    virtual void Close() = 0;
};

// What writes a streamed reply, told on the server's workers when its writes have gone out
// and when the connection is gone.
class OutgoingStream {
public:
    virtual ~OutgoingStream() = default;
    // Everything written so far has gone out.
    virtual void OnWritten() = 0;
    // The connection has closed; nothing more can be written.
    virtual void OnClosed() = 0;
};

// What a route handler sees of one request: its parameters, and one reply to send.
class IRequest {
public:
    // The longest parameter value handed out. A longer value is refused as a whole and
    // reads as missing, so a handler answers it as it answers an empty value and acts on
    // nothing: a cut number or SMS text would otherwise be dialled or sent as if whole.
    static constexpr std::size_t kMaxParamLength = 1023;

    virtual ~IRequest() = default;

    // The value read as a decimal integer the way atoi reads it (values beyond int are
    // capped), or `defaultValue` when the parameter is missing or empty.
    virtual int GetIntParam(const std::string& name, int defaultValue) const = 0;
    // The value exactly as received (not percent-decoded); empty when missing.
    virtual std::string GetParam(const std::string& name) const = 0;
    // The value of header `name`, matched without regard to case; nullptr when missing.
    virtual const std::string* GetHeader(std::string_view name) const = 0;
    // The origin of the web page that asked, which the user allowed; empty for programs.
    virtual const std::string& PageOrigin() const = 0;
    // The browser's own navigation, with no page named: a handler does nothing by itself but
    // offers the request to the user to confirm in Tamberlink.
    virtual bool ConfirmFirst() const = 0;

    // Queue the reply with the body (GBK bytes) and the named content type. False when it
    // cannot be sent (too long for one block, or the connection is gone).
    virtual bool ReplyHtml(std::string_view body) = 0;
    virtual bool ReplyXml(std::string_view body) = 0;
    virtual bool ReplyJson(std::string_view body) = 0;
    // Answers with `head` (status line and headers) and keeps the connection for `stream`,
    // which writes the rest through the writer returned, until either side closes. Nullptr
    // when the head cannot be sent.
    virtual std::shared_ptr<StreamWriter> StartStream(std::string_view head,
                                                      std::shared_ptr<OutgoingStream> stream) = 0;
};

} // namespace tamberlink
