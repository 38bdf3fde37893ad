#pragma once

#include <QByteArray>
#include <QString>

namespace tamberlink {

// Frames the core sends to the telephone box when a setting changes.
class BoxCommands {
public:
    // A5 50 len digits 55: keep the extension prefix in the box.
    static QByteArray StoreExtension(const QString& digits);
    // A5 60 len digits 55: keep the area code in the box.
    static QByteArray StoreAreaCode(const QString& digits);
    // A5 A2 04 55 (on) or A5 A3 04 55 (off).
    static QByteArray AutoRecord(bool on);
    // A5 A0 04 55 (start recording the call) or A5 A1 04 55 (stop).
    static QByteArray Recording(bool start);

private:
    static QByteArray Command(char command);
    // Empty when the text does not fit the one-byte length.
    static QByteArray DigitsFrame(char command, const QString& digits);
};

} // namespace tamberlink
