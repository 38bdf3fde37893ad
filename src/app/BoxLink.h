#pragma once

#include <QByteArray>

namespace tamberlink {

// The core's way to the telephone box: the serial link attaches itself here. With nothing
// attached the box counts as not connected.
class BoxLink {
public:
    virtual ~BoxLink() = default;
    virtual bool IsConnected() const = 0;
    // Queues one frame for the box and returns at once; false when the link is down (then
    // nothing is sent).
    virtual bool Write(const QByteArray& frame) = 0;
};

} // namespace tamberlink
