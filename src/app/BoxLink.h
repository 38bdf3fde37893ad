#pragma once

#include <QByteArray>

namespace tamberlink {

// The core's way to the telephone box: the serial link attaches itself here. With nothing
// attached the box counts as not connected.
class BoxLink {
public:
    virtual ~BoxLink() = default;
    virtual bool IsConnected() const = 0;
    // Sends one frame; false when it could not be written (the link is down).
    virtual bool Write(const QByteArray& frame) = 0;
};

} // namespace tamberlink
