#pragma once

#include "store/ContactRecord.h"

#include <json/value.h>

#include <string>

namespace tamberlink {

// A contact as the cloud service keeps it: a JSON object of nine strings.
struct CloudContact {
    // The contact's fields in UTF-8, with `cid` as its identifier.
    static Json::Value ToJson(const ContactRecord& contact, const std::string& cid);
    // The nine keys, each with an empty string.
    static Json::Value Empty();
    // A contact from a cloud object: values that are not text read as empty (numbers are
    // written out). The name index follows from the name.
    static ContactRecord FromJson(const Json::Value& object);
};

} // namespace tamberlink
