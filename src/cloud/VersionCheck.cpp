#include "cloud/VersionCheck.h"

#include "cloud/CloudClient.h"
#include "cloud/CloudEnvelope.h"
#include "cloud/CloudHost.h"
#include "util/Version.h"

#include <QString>
#include <QUrl>

namespace tamberlink {

namespace {

// The service's own type number for this program.
constexpr int kProgramType = 3;

std::string_view NextPart(std::string_view& text) {
    const std::size_t dot = text.find('.');
    const std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    return part;
}

// <0, 0, >0 as `a` is older than, equal to, or newer than `b`.
int ComparePart(std::string_view a, std::string_view b) {
    const auto split = [](std::string_view part, std::string_view& digits, std::string_view& rest) {
        std::size_t end = 0;
        while (end < part.size() && part[end] >= '0' && part[end] <= '9') {
            ++end;
        }
        digits = part.substr(0, end);
        rest = part.substr(end);
        while (!digits.empty() && digits.front() == '0') {
            digits.remove_prefix(1);
        }
    };
    std::string_view digitsA, restA, digitsB, restB;
    split(a, digitsA, restA);
    split(b, digitsB, restB);
    // Without leading zeros, a longer run of digits is the larger number.
    if (digitsA.size() != digitsB.size()) {
        return digitsA.size() < digitsB.size() ? -1 : 1;
    }
    if (const int c = digitsA.compare(digitsB); c != 0) {
        return c;
    }
    return QString::compare(QString::fromUtf8(restA.data(), qsizetype(restA.size())),
                            QString::fromUtf8(restB.data(), qsizetype(restB.size())),
                            Qt::CaseInsensitive);
}

// The download address is opened in the browser: only a web address may be, never a local
// file or program named by the reply.
bool IsWebAddress(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    return address.isValid() && !address.host().isEmpty() &&
           (address.scheme() == QLatin1String("http") ||
            address.scheme() == QLatin1String("https"));
}

} // namespace

VersionCheck::VersionCheck(CloudClient& client, CloudHost& host)
    : client_(client)
    , host_(host) {}

bool VersionCheck::IsNewer(std::string_view offered, std::string_view current) {
    while (!offered.empty() || !current.empty()) {
        const int c = ComparePart(NextPart(offered), NextPart(current));
        if (c != 0) {
            return c > 0;
        }
    }
    return false;
}

void VersionCheck::CheckForUpdates(int origin) {
    origin_ = origin;
    client_.Submit(client_.Requests().VersionUpd(kProgramType));
}

void VersionCheck::OnFailure() {
    if (origin_ == kUpdateWindow) {
        host_.ShowTip(CloudHost::NoServerNotice());
    }
}

void VersionCheck::OnReply(const CloudReply& reply) {
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    if (!envelope.Readable()) {
        return;
    }
    if (envelope.code != 0) {
        if (origin_ == kUpdateWindow) {
            host_.ShowTip(QStringLiteral("查找更新失败，请稍后再试"));
        }
        return;
    }
    const std::string num = CloudEnvelope::TextMember(envelope.data, "num");
    const std::string url = CloudEnvelope::TextMember(envelope.data, "url");
    if (!num.empty() && IsWebAddress(url) && IsNewer(num, kProgramVersion)) {
        host_.ShowNewVersion(num, url);
    } else if (origin_ == kUpdateWindow) {
        host_.ShowNoNewVersion();
    }
}

} // namespace tamberlink
