#pragma once

#include <QByteArray>
#include <QString>

namespace tamberlink::contact_text {

// Text in `charset` ("UTF-8", "GBK", "GB2312", "GB18030", ...; empty when the file does not
// say): UTF-8 when the bytes are valid UTF-8, else GB18030, the superset of GBK and GB2312.
QString Decode(const QByteArray& bytes, const QByteArray& charset = QByteArray());
bool IsUtf8(const QByteArray& bytes);

} // namespace tamberlink::contact_text
