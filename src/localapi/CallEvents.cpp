#include "localapi/CallEvents.h"

#include <algorithm>
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

std::string CallEvents::StreamText(const Recorded& event) {
    std::string text = "id: " + std::to_string(event.id) + "\nevent: ";
    text += event.type;
    text += "\ndata: ";
    text += event.json;
    text += "\n\n";
    return text;
}

std::uint64_t CallEvents::Publish(std::string_view name, const EventData& data) {
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        id = ++newest_;
        Recorded recorded{id, std::int64_t(std::time(nullptr)), std::string(name), "{\"time\":"};
        AppendQuoted(recorded.json, LocalTimeNow());
        recorded.json += data.Fields();
        recorded.json += '}';
        events_.push_back({id, StreamText(recorded)});
        if (events_.size() > kKept) {
            events_.pop_front();
        }
        if (recorder_) {
            recorder_(std::move(recorded));
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

void CallEvents::ContinueAfter(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    newest_ = std::max(newest_, id);
}

void CallEvents::SetRecorder(std::function<void(Recorded)> recorder) {
    std::lock_guard lock(mutex_);
    recorder_ = std::move(recorder);
}

void CallEvents::SetHistory(History* history) {
    std::lock_guard lock(mutex_);
    history_ = history;
}

std::uint64_t CallEvents::OldestId() const {
    std::unique_lock lock(mutex_);
    const std::uint64_t kept = events_.empty() ? newest_ + 1 : events_.front().id;
    History* history = history_;
    lock.unlock();
    if (history != nullptr) {
        if (const std::uint64_t recorded = history->OldestId(); recorded > 0) {
            return std::min(kept, recorded);
        }
    }
    return kept;
}

bool CallEvents::IsKept(std::uint64_t id) const {
    {
        std::lock_guard lock(mutex_);
        if (id > newest_ || (!events_.empty() && id >= events_.front().id)) {
            return true;
        }
    }
    return id >= OldestId();
}

bool CallEvents::CopyFromHistory(History& history, std::uint64_t kept, std::uint64_t& lastId,
                                 std::size_t maxBytes, std::string& out) {
    const std::size_t start = out.size();
    while (lastId + 1 < kept && out.size() - start < maxBytes) {
        const std::vector<Recorded> rows = history.LoadAfter(lastId, 64);
        // A gap (events pruned, or never written) cannot be bridged.
        if (rows.empty() || rows.front().id != lastId + 1) {
            return out.size() > start;
        }
        for (const Recorded& row : rows) {
            if (row.id >= kept || row.id != lastId + 1 || out.size() - start >= maxBytes) {
                break;
            }
            out += StreamText(row);
            lastId = row.id;
        }
    }
    return true;
}

bool CallEvents::CopyAfter(std::uint64_t& lastId, std::size_t maxBytes, std::string& out) const {
    std::unique_lock lock(mutex_);
    if (lastId >= newest_) {
        return true;
    }
    std::uint64_t oldest = events_.empty() ? newest_ + 1 : events_.front().id;
    if (lastId + 1 < oldest) {
        // Read without the lock, so that publishing never waits for the database.
        History* history = history_;
        lock.unlock();
        if (history == nullptr || !CopyFromHistory(*history, oldest, lastId, maxBytes, out)) {
            return false;
        }
        if (lastId + 1 < oldest) {
            return true;
        }
        lock.lock();
        oldest = events_.front().id;
        // Events published meanwhile pushed the next one out of memory: the next call reads
        // it from the history.
        if (lastId + 1 < oldest) {
            return true;
        }
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
