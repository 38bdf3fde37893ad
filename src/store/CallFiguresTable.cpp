#include "store/CallFiguresTable.h"

#include "store/StoreConnection.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace tamberlink {

namespace {

QString DayText(const QDate& day) {
    return day.toString(QStringLiteral("yyyy/MM/dd"));
}

// "yyyy/MM/dd hh:mm:ss" as seconds on the wall clock that wrote it, counted from the epoch
// as if that clock kept UTC: a difference of two is the time between them however the zone
// was set, but for an hour of a change of the clock, and reading it takes no time-zone lookup
// (which, for the calls of a year, would take seconds). Parts that are no digits count as 0.
qint64 WallSeconds(const QString& text) {
    const auto number = [&text](qsizetype from, qsizetype count) {
        qint64 value = 0;
        for (qsizetype i = from; i < from + count && i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            value = value * 10 + (c >= u'0' && c <= u'9' ? c - u'0' : 0);
        }
        return value;
    };
    const QDate date(int(number(0, 4)), int(number(5, 2)), int(number(8, 2)));
    const qint64 days = date.isValid() ? date.toJulianDay() : 0;
    return days * 86400 + number(11, 2) * 3600 + number(14, 2) * 60 + number(17, 2);
}

void Count(CallCounts& counts, int type, int length) {
    const bool in = type == 1 || type == 3;
    const bool out = type == 2 || type == 4;
    counts.incoming += in;
    counts.outgoing += out;
    counts.missed += type == 5;
    if (length > 0) {
        (in ? counts.talkIn : counts.talkOut) += (in || out) ? length : 0;
        counts.timed += 1;
    }
}

struct Call {
    int id;
    int key; // index into the numbers seen
    int type;
    int length;
    bool inRange;
    qint64 time; // seconds, read only for missed calls and calls out
};

struct Number {
    CallCounts counts;
    int newestId = 0;
    std::vector<qint64> waiting; // missed calls of the range not yet called back
};

} // namespace

void CallFiguresTable::BeginRead() {
    const auto lock = connection_.Lock();
    connection_.Prepare("begin").Run();
}

void CallFiguresTable::EndRead() {
    const auto lock = connection_.Lock();
    connection_.Prepare("commit").Run();
}

std::pair<qint64, qint64> CallFiguresTable::CountCalls(const QString& from, const QString& to) {
    SqlStatement count = connection_.Prepare(
        "select ifnull(sum(case when day>=substr(?1,1,10) and day<substr(?2,1,10) then "
        "incoming+outgoing+missed end),0), ifnull(sum(incoming+outgoing+missed),0) from "
        "table_log_hour");
    count.Bind(1, from).Bind(2, to);
    if (!count.Next()) {
        return {0, 0};
    }
    // Bounded: the figures are only a guide to the reading.
    return {std::clamp<qint64>(count.Int64(0), 0, 1 << 24), count.Int64(1)};
}

CallFigures CallFiguresTable::Figures(const QDate& first, const QDate& last) {
    CallFigures figures;
    figures.first = first;
    figures.last = last;
    if (!first.isValid() || !last.isValid() || last < first) {
        return figures;
    }
    figures.byDay.resize(std::size_t(first.daysTo(last) + 1));
    const auto lock = connection_.Lock();
    SqlStatement rows = connection_.Prepare(
        "select day, hour, incoming, outgoing, missed, talk_in, talk_out, timed from "
        "table_log_hour where day>=? and day<=?");
    rows.Bind(1, DayText(first)).Bind(2, DayText(last));
    QString dayText;
    qint64 dayIndex = -1;
    while (rows.Next()) {
        const QString day = rows.Text(0);
        if (day != dayText) {
            dayText = day;
            dayIndex = first.daysTo(QDate::fromString(day, QStringLiteral("yyyy/MM/dd")));
        }
        CallCounts counts;
        counts.incoming = rows.Int(2);
        counts.outgoing = rows.Int(3);
        counts.missed = rows.Int(4);
        counts.talkIn = rows.Int64(5);
        counts.talkOut = rows.Int64(6);
        counts.timed = rows.Int(7);
        // A day written oddly (not a date) still counts in the range's total.
        if (dayIndex >= 0 && dayIndex < qint64(figures.byDay.size())) {
            figures.byDay[std::size_t(dayIndex)].Add(counts);
        }
        const int hour = rows.Int(1);
        if (hour >= 0 && hour < 24) {
            figures.byHour[std::size_t(hour)].Add(counts);
        }
        figures.total.Add(counts);
    }
    return figures;
}

CallBacks CallFiguresTable::Backs(const QDate& first, const QDate& last, int limit) {
    CallBacks backs;
    if (!first.isValid() || !last.isValid() || last < first) {
        return backs;
    }
    // A missed call is still called back when that happens within a month after the range.
    constexpr int kCallBackDays = 31;
    const QString end = DayText(last.addDays(1));
    std::vector<Call> calls;
    std::vector<Number> numbers;
    QHash<QString, int> keys;
    {
        const QString from = DayText(first);
        const QString to = DayText(last.addDays(1 + kCallBackDays));
        const auto lock = connection_.Lock();
        const auto [dated, all] = CountCalls(from, to);
        // Through the time index each row costs a lookup in the table: past a fifth of the
        // log, reading the whole table in its order is several times quicker.
        SqlStatement rows = connection_.Prepare(
            dated * 5 > all
                ? "select id, phone, type, length, date_time from table_log where +date_time>=? "
                  "and +date_time<?"
                : "select id, phone, type, length, date_time from table_log where date_time>=? "
                  "and date_time<?");
        rows.Bind(1, from).Bind(2, to);
        keys.reserve(qsizetype(dated));
        calls.reserve(std::size_t(dated));
        while (rows.Next()) {
            const QString key = NumberKey(rows.Text(1));
            if (key.isEmpty()) {
                continue;
            }
            auto at = keys.constFind(key);
            if (at == keys.constEnd()) {
                at = keys.insert(key, int(numbers.size()));
                numbers.emplace_back();
            }
            const QString time = rows.Text(4);
            const int type = rows.Int(2);
            Call call{rows.Int(0), *at, type, rows.IsNull(3) ? -1 : rows.Int(3), time < end, 0};
            if (type == 2 || type == 4 || (type == 5 && call.inRange)) {
                call.time = WallSeconds(time);
            }
            calls.push_back(call);
        }
    }
    // The log's order is the order the calls happened in, whatever the clock said.
    const auto earlier = [](const Call& a, const Call& b) {
        return a.id < b.id;
    };
    if (!std::is_sorted(calls.begin(), calls.end(), earlier)) {
        std::sort(calls.begin(), calls.end(), earlier);
    }
    std::vector<qint64> waits;
    for (const Call& call : calls) {
        Number& number = numbers[std::size_t(call.key)];
        if (call.inRange) {
            Count(number.counts, call.type, call.length);
            number.newestId = call.id;
            if (call.type == 5) {
                ++backs.missed;
                number.waiting.push_back(call.time);
            }
        }
        if (call.type == 2 || call.type == 4) {
            for (const qint64 missedAt : number.waiting) {
                waits.push_back(std::max<qint64>(0, call.time - missedAt));
            }
            number.waiting.clear();
        }
    }
    backs.calledBack = int(waits.size());
    if (!waits.empty()) {
        std::sort(waits.begin(), waits.end());
        const std::size_t middle = waits.size() / 2;
        backs.medianSeconds = int(
            waits.size() % 2 == 1 ? waits[middle] : (waits[middle - 1] + waits[middle] + 1) / 2);
    }

    std::vector<int> order;
    for (int i = 0; i < int(numbers.size()); ++i) {
        if (numbers[std::size_t(i)].newestId > 0) {
            order.push_back(i);
        }
    }
    const auto busier = [&numbers](int a, int b) {
        const Number& x = numbers[std::size_t(a)];
        const Number& y = numbers[std::size_t(b)];
        return x.counts.Total() != y.counts.Total() ? x.counts.Total() > y.counts.Total()
                                                    : x.newestId > y.newestId;
    };
    const std::size_t shown = std::min(order.size(), std::size_t(std::max(0, limit)));
    std::partial_sort(order.begin(), order.begin() + std::ptrdiff_t(shown), order.end(), busier);
    const auto lock = connection_.Lock();
    SqlStatement newest = connection_.Prepare("select phone, name from table_log where id=?");
    for (std::size_t i = 0; i < shown; ++i) {
        const Number& number = numbers[std::size_t(order[i])];
        BusyNumber busy;
        busy.calls = number.counts;
        newest.Bind(1, number.newestId);
        if (newest.Next()) {
            busy.number = newest.Text(0);
            const QString name = newest.Text(1);
            busy.name = name == busy.number ? QString() : name;
        }
        newest.Reset();
        backs.busiest.push_back(busy);
    }
    return backs;
}

bool CallFiguresTable::ForEachCall(const QDate& first, const QDate& last,
                                   const std::function<bool(const CallRow&)>& row) {
    const auto lock = connection_.Lock();
    SqlStatement rows = connection_.Prepare(
        "select date_time, name, phone, type, length from table_log where date_time>=? and "
        "date_time<? order by date_time, id");
    rows.Bind(1, DayText(first)).Bind(2, DayText(last.addDays(1)));
    CallRow call;
    while (rows.Next()) {
        call.dateTime = rows.Text(0);
        call.phone = rows.Text(2);
        const QString name = rows.Text(1);
        call.name = name == call.phone ? QString() : name;
        call.type = rows.Int(3);
        call.length = rows.IsNull(4) ? -1 : rows.Int(4);
        if (!row(call)) {
            return false;
        }
    }
    return true;
}

} // namespace tamberlink
