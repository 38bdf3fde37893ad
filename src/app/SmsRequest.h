#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

namespace tamberlink {

// The data of a local API SMS request: {"size":n,"list":[{"number":...},...],"content":...}.
struct SmsRequest {
    QStringList numbers;
    QString content;

    // Nothing when the text is not JSON of that shape, "list" is empty, or "size" is not
    // the number of its entries. Numbers may be texts or whole numbers; anything else in
    // their place refuses the whole request rather than sending part of it.
    static std::optional<SmsRequest> Parse(std::string_view json);
};

} // namespace tamberlink
