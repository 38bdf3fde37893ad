#pragma once

#include <string_view>

namespace tamberlink {

// True unless a Host header of the request head names something other than this
// computer's loopback: "localhost" or "127.0.0.1", each with or without a port. A web page
// that reaches the API through a rebound DNS name always carries its own name here, so
// refusing foreign names keeps such pages out; programs that send no Host header at all
// are let through. Header names are matched case-insensitively and every Host line is
// checked, whatever the request parser makes of the head.
bool IsLoopbackHost(std::string_view request);

} // namespace tamberlink
