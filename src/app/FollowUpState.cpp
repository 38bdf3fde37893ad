#include "app/FollowUpState.h"

#include "util/PhoneNumber.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

namespace tamberlink {

namespace {

constexpr int kMissedLandline = 5;
constexpr int kIncomingLandline = 3;
// A day's offset from UTC that is not one: the clocks change that day.
constexpr int kClocksChange = std::numeric_limits<int>::min();

// The digits of `text` from `at` for `count` characters; -1 when one is not a digit.
int Number(const QString& text, int at, int count) {
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

std::optional<FollowUpState::Key> FollowUpState::FindKey(const QString& comparable) const {
    // Eighteen digits always fit below the text keys' bit.
    if (!comparable.isEmpty() && comparable.size() <= 18 && comparable.front() != u'0' &&
        std::all_of(comparable.begin(), comparable.end(),
                    [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        Key digits = 0;
        for (const QChar c : comparable) {
            digits = digits * 10 + (c.unicode() - u'0');
        }
        return digits;
    }
    const auto text = textKeys_.constFind(comparable);
    return text == textKeys_.cend() ? std::nullopt : std::optional<Key>(*text);
}

FollowUpState::Key FollowUpState::KeyOf(const QString& comparable) {
    if (const std::optional<Key> key = FindKey(comparable)) {
        return *key;
    }
    const Key key = kTextKey | Key(textKeys_.size());
    textKeys_.insert(comparable, key);
    return key;
}

void FollowUpState::SetDoneMarks(const std::map<QString, int>& marks) {
    done_.clear();
    for (const auto& [key, untilId] : marks) {
        done_[KeyOf(key)] = untilId;
    }
}

// Read by hand: the whole log is read at start-up, and QDateTime's parser would take most of
// that time.
qint64 FollowUpState::Seconds(const QString& dateTime) {
    if (dateTime.size() != 19) {
        return -1;
    }
    const QDate date(Number(dateTime, 0, 4), Number(dateTime, 5, 2), Number(dateTime, 8, 2));
    const QTime time(Number(dateTime, 11, 2), Number(dateTime, 14, 2), Number(dateTime, 17, 2));
    if (!date.isValid() || !time.isValid()) {
        return -1;
    }
    auto offset = offsets_.constFind(date.toJulianDay());
    if (offset == offsets_.cend()) {
        const int first = QDateTime(date, QTime(0, 0)).offsetFromUtc();
        const int last = QDateTime(date, QTime(23, 59, 59)).offsetFromUtc();
        offset = offsets_.insert(date.toJulianDay(), first == last ? first : kClocksChange);
    }
    if (*offset == kClocksChange) {
        return QDateTime(date, time).toSecsSinceEpoch();
    }
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch() - *offset;
}

bool FollowUpState::Apply(const FollowUpTable::Call& call) {
    lastId_ = std::max(lastId_, call.id);
    const QString comparable = PhoneNumber::Comparable(call.phone);
    if (comparable.isEmpty()) {
        return false;
    }
    const Key key = KeyOf(comparable);
    bool changed = false;
    if (auto ring = rings_.find(key); ring != rings_.end()) {
        const bool sameCall =
            call.type == kMissedLandline && Seconds(call.dateTime) - *ring <= kRingGrace;
        rings_.erase(ring);
        if (!sameCall) {
            changed = Reached(key);
        }
    }
    if (call.type == kMissedLandline) {
        const auto done = done_.find(key);
        if (done != done_.end() && *done >= call.id) {
            return changed;
        }
        Waiting& waiting = waiting_[key];
        if (waiting.lastId > 0) {
            Unlist(waiting.lastId);
        }
        // Ids come in ascending order: the newest normally goes last.
        order_.insert(std::upper_bound(order_.begin(), order_.end(), call.id), call.id);
        waiting.lastId = call.id;
        ++waiting.missed;
        return true;
    }
    if (call.type == kIncomingLandline) {
        rings_[key] = Seconds(call.dateTime);
        return changed;
    }
    return Reached(key) || changed;
}

bool FollowUpState::Settle(qint64 now) {
    bool changed = false;
    for (auto ring = rings_.begin(); ring != rings_.end();) {
        if (now - *ring > kRingGrace) {
            changed = Reached(ring.key()) || changed;
            ring = rings_.erase(ring);
        } else {
            ++ring;
        }
    }
    return changed;
}

bool FollowUpState::MarkDone(const QString& comparable, int untilId) {
    const Key key = KeyOf(comparable);
    int& mark = done_[key];
    mark = std::max(mark, untilId);
    const auto waiting = waiting_.find(key);
    if (waiting == waiting_.end() || waiting->lastId > mark) {
        return false;
    }
    Unlist(waiting->lastId);
    waiting_.erase(waiting);
    return true;
}

std::optional<FollowUpState::Waiting> FollowUpState::Find(const QString& comparable) const {
    const std::optional<Key> key = FindKey(comparable);
    const auto waiting = key ? waiting_.constFind(*key) : waiting_.cend();
    if (waiting == waiting_.cend()) {
        return std::nullopt;
    }
    return *waiting;
}

std::deque<int> FollowUpState::WaitingIds() const {
    return {order_.rbegin(), order_.rend()};
}

bool FollowUpState::Reached(const Key& key) {
    const auto waiting = waiting_.find(key);
    if (waiting == waiting_.end()) {
        return false;
    }
    Unlist(waiting->lastId);
    waiting_.erase(waiting);
    return true;
}

void FollowUpState::Unlist(int id) {
    const auto at = std::lower_bound(order_.begin(), order_.end(), id);
    if (at != order_.end() && *at == id) {
        order_.erase(at);
    }
}

} // namespace tamberlink
