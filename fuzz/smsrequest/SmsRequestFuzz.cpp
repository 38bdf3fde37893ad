// Feeds arbitrary form text to the local API's SMS route as it reads it: the form parameters,
// then the "data" parameter (bounded as the route bounds it) as the SMS JSON; the whole input
// is read as SMS JSON as well. Traps when an accepted request has no number, or when a
// parameter is not found where the parser listed it.
#include "FuzzSupport.h"
#include "app/SmsRequest.h"
#include "localapi/CHttpParamParser.h"
#include "localapi/IRequest.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

using namespace tamberlink;
using fuzz::Check;

void CheckRequest(const std::optional<SmsRequest>& request) {
    if (!request) {
        return;
    }
    // An empty number may stand among others; the hand-off to the box skips it.
    Check(!request->numbers.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    CHttpParamParser params;
    params.Parse(text);
    for (const auto& [name, value] : params.Params()) {
        const std::string* found = params.Find(name);
        Check(found != nullptr && *found == value);
    }
    if (const std::string* json = params.Find("data");
        json != nullptr && json->size() <= IRequest::kMaxParamLength) {
        CheckRequest(SmsRequest::Parse(*json));
    }
    CheckRequest(SmsRequest::Parse(text));
    return 0;
}
