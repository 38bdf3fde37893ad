#include "cloud/CloudContact.h"

#include "cloud/CloudEnvelope.h"
#include "util/TextCodec.h"

namespace tamberlink {

Json::Value CloudContact::ToJson(const ContactRecord& contact, const std::string& cid) {
    Json::Value object(Json::objectValue);
    object["cid"] = cid;
    object["name"] = WideToUtf8(contact.name);
    object["head"] = WideToUtf8(contact.head);
    object["number"] = WideToUtf8(contact.phone);
    object["company"] = WideToUtf8(contact.company);
    object["address"] = WideToUtf8(contact.home);
    object["email"] = WideToUtf8(contact.email);
    object["memo"] = WideToUtf8(contact.other);
    object["date"] = WideToUtf8(contact.datetime);
    return object;
}

Json::Value CloudContact::Empty() {
    return ToJson(ContactRecord(), std::string());
}

ContactRecord CloudContact::FromJson(const Json::Value& object) {
    const auto text = [&object](const char* key) {
        return Utf8ToWide(CloudEnvelope::TextMember(object, key));
    };
    ContactRecord contact(text("name"), text("number"), text("head"));
    contact.company = text("company");
    contact.home = text("address");
    contact.email = text("email");
    contact.other = text("memo");
    contact.cid = text("cid");
    contact.datetime = text("date");
    return contact;
}

} // namespace tamberlink
