#include "app/BoxCommands.h"

namespace tamberlink {

namespace {

constexpr char kStart = char(0xA5);
constexpr char kEnd = char(0x55);
// Start, command, length and end byte around the payload.
constexpr int kFrameOverhead = 4;

} // namespace

QByteArray BoxCommands::DigitsFrame(char command, const QString& digits) {
    const qsizetype length = digits.size() + kFrameOverhead;
    if (length > 0xFF) {
        return {};
    }
    QByteArray frame;
    frame.reserve(length);
    frame.append(kStart).append(command).append(char(length));
    for (QChar c : digits) {
        frame.append(char(c.unicode() & 0xFF));
    }
    frame.append(kEnd);
    return frame;
}

QByteArray BoxCommands::StoreExtension(const QString& digits) {
    return DigitsFrame(char(0x50), digits);
}

QByteArray BoxCommands::StoreAreaCode(const QString& digits) {
    return DigitsFrame(char(0x60), digits);
}

QByteArray BoxCommands::Command(char command) {
    const char frame[] = {kStart, command, char(kFrameOverhead), kEnd};
    return QByteArray(frame, sizeof frame);
}

QByteArray BoxCommands::AutoRecord(bool on) {
    return Command(on ? char(0xA2) : char(0xA3));
}

QByteArray BoxCommands::Recording(bool start) {
    return Command(start ? char(0xA0) : char(0xA1));
}

} // namespace tamberlink
