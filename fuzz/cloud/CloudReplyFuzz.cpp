// Feeds arbitrary bytes to the reading of cloud replies (the envelope, its members, the
// contacts of a sync page) and traps when a result breaks what the flows rely on.
#include "cloud/CloudContact.h"
#include "cloud/CloudEnvelope.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using tamberlink::CloudContact;
using tamberlink::CloudEnvelope;
using tamberlink::ContactRecord;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool SameContact(const ContactRecord& a, const ContactRecord& b) {
    return a.name == b.name && a.phone == b.phone && a.head == b.head && a.email == b.email &&
           a.company == b.company && a.home == b.home && a.other == b.other &&
           a.datetime == b.datetime && a.initials == b.initials;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const CloudEnvelope envelope = CloudEnvelope::Read(body);
    Check((envelope.state == CloudEnvelope::State::NoBrace) ==
          (body.find('{') == std::string_view::npos));
    if (!envelope.Readable()) {
        return 0;
    }
    CloudEnvelope::IntMember(envelope.data, "page");
    CloudEnvelope::IntMember(envelope.data, "total");
    CloudEnvelope::TextMember(envelope.data, "num");
    const Json::Value& list = CloudEnvelope::Member(envelope.data, "list");
    if (!list.isArray()) {
        return 0;
    }
    for (const Json::Value& item : list) {
        const ContactRecord contact = CloudContact::FromJson(item);
        Check(contact.initials.size() == contact.name.size());
        // What a sync stores goes up unchanged with the next backup.
        const ContactRecord again = CloudContact::FromJson(CloudContact::ToJson(contact, "x"));
        Check(SameContact(contact, again));
    }
    return 0;
}
