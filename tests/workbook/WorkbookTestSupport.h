#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace tamberlink::test {

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline bool Touch(const QString& path) {
    return WriteBytes(path, {});
}

} // namespace tamberlink::test
