#pragma once

#include <QString>

#include <vector>

namespace tamberlink {

// A person an SMS goes to. The name is empty for a number typed by hand.
struct SmsRecipient {
    QString name;
    QString phone;
    QString head; // picture of a contact; empty for the default one

    // Two recipients are the same person when name and number are both the same: they share
    // this key.
    QString PersonKey() const { return name + u'\n' + phone; }
};

using SmsRecipients = std::vector<SmsRecipient>;

} // namespace tamberlink
