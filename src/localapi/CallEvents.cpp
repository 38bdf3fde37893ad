#include "localapi/CallEvents.h"

#include <cstdio>
#include <ctime>

namespace tamberlink {
namespace {

// JSON string contents: quotes, backslashes and control characters escaped, so that the
// data stays on its one line of the stream.
void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// "2024-05-01T10:00:00+08:00".
std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string time(text, length);
    if (time.size() >= 5) {
        time.insert(time.size() - 2, 1, ':');
    }
    return time;
}

} // namespace

void EventData::Name(std::string_view name) {
    fields_ += ',';
    AppendQuoted(fields_, name);
    fields_ += ':';
}

EventData& EventData::Text(std::string_view name, std::string_view utf8) {
    Name(name);
    AppendQuoted(fields_, utf8);
    return *this;
}

EventData& EventData::Texts(std::string_view name, const std::vector<std::string>& utf8) {
    Name(name);
    fields_ += '[';
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (i > 0) {
            fields_ += ',';
        }
        AppendQuoted(fields_, utf8[i]);
    }
    fields_ += ']';
    return *this;
}

EventData& EventData::Integer(std::string_view name, long long value) {
    Name(name);
    fields_ += std::to_string(value);
    return *this;
}

EventData& EventData::Number(std::string_view name, double value) {
    Name(name);
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    fields_ += text;
    return *this;
}

EventData& EventData::Flag(std::string_view name, bool value) {
    Name(name);
    fields_ += value ? "true" : "false";
    return *this;
}

std::uint64_t CallEvents::Publish(std::string_view name, const EventData& data) {
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        id = ++newest_;
        Event event{id, "id: " + std::to_string(id) + "\nevent: "};
        event.text += name;
        event.text += "\ndata: {\"time\":";
        AppendQuoted(event.text, LocalTimeNow());
        event.text += data.Fields();
        event.text += "}\n\n";
        events_.push_back(std::move(event));
        if (events_.size() > kKept) {
            events_.pop_front();
        }
    }
    std::lock_guard lock(listenerMutex_);
    if (listener_) {
        listener_();
    }
    return id;
}

std::uint64_t CallEvents::NewestId() const {
    std::lock_guard lock(mutex_);
    return newest_;
}

std::uint64_t CallEvents::OldestId() const {
    std::lock_guard lock(mutex_);
    return events_.empty() ? newest_ + 1 : events_.front().id;
}

bool CallEvents::CopyAfter(std::uint64_t& lastId, std::size_t maxBytes, std::string& out) const {
    std::lock_guard lock(mutex_);
    if (lastId >= newest_) {
        return true;
    }
    const std::uint64_t oldest = events_.front().id;
    if (lastId + 1 < oldest) {
        return false;
    }
    const std::size_t start = out.size();
    for (auto index = static_cast<std::size_t>(lastId + 1 - oldest);
         index < events_.size() && out.size() - start < maxBytes; ++index) {
        out += events_[index].text;
        lastId = events_[index].id;
    }
    return true;
}

void CallEvents::SetListener(std::function<void()> listener) {
    std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

} // namespace tamberlink
