#include "contactfile/ContactText.h"

#include <QStringDecoder>

#include <cerrno>

#include <iconv.h>

namespace tamberlink::contact_text {
namespace {

// glibc's iconv has GB18030 on every Debian system; Qt's own decoders do not.
QString FromGb18030(const QByteArray& bytes) {
    const iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return QString::fromUtf8(bytes);
    }
    QByteArray out(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.constData());
    std::size_t inLeft = std::size_t(bytes.size());
    char* to = out.data();
    std::size_t outLeft = std::size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &to, &outLeft) != std::size_t(-1)) {
            break;
        }
        // A byte that is no GB18030 becomes U+FFFD, and the rest is read on.
        if (errno == EILSEQ || errno == EINVAL) {
            if (outLeft < 3) {
                break;
            }
            *to++ = char(0xEF);
            *to++ = char(0xBF);
            *to++ = char(0xBD);
            outLeft -= 3;
            ++in;
            --inLeft;
        } else {
            break;
        }
    }
    iconv_close(cd);
    out.truncate(to - out.data());
    return QString::fromUtf8(out);
}

} // namespace

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString Decode(const QByteArray& bytes, const QByteArray& charset) {
    const QByteArray name = charset.trimmed().toUpper();
    if (name == "GBK" || name == "GB2312" || name == "GB18030" || name == "CP936") {
        return FromGb18030(bytes);
    }
    if (name == "ISO-8859-1" || name == "LATIN1") {
        return QString::fromLatin1(bytes);
    }
    return IsUtf8(bytes) ? QString::fromUtf8(bytes) : FromGb18030(bytes);
}

} // namespace tamberlink::contact_text
