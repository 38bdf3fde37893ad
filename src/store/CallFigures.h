#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace tamberlink {

// Calls in (answered on the landline or the phone), out, and missed, with their talk time in
// seconds; calls whose length is unknown add no talk time.
struct CallCounts {
    int incoming = 0;
    int outgoing = 0;
    int missed = 0;
    std::int64_t talkIn = 0;
    std::int64_t talkOut = 0;
    int timed = 0; // calls with a known length above zero

    int Total() const { return incoming + outgoing + missed; }
    // The share of the calls that rang here that were answered; -1 when none rang.
    double AnsweredShare() const;
    // Seconds per call of known length; 0 when there is none.
    int AverageLength() const;
    void Add(const CallCounts& other);
};

// The figures of the days from `first` to `last`, both counted.
struct CallFigures {
    QDate first;
    QDate last;
    CallCounts total;
    std::array<CallCounts, 24> byHour{}; // by the hour of day the calls began
    std::vector<CallCounts> byDay;       // one for each day of the range, in order
};

// A number as the log wrote it in any of its forms, with its calls in the range.
struct BusyNumber {
    QString number; // as the newest of its calls wrote it
    QString name;   // the contact's name at that call; empty when none was known
    CallCounts calls;
};

// What needs the calls themselves: the busiest numbers, and the missed calls of the range that
// were called back (the first call out to the number after the missed one, however long after
// the range it came), with the median time until then.
struct CallBacks {
    int missed = 0;
    int calledBack = 0;
    int medianSeconds = -1; // -1 when none was called back
    std::vector<BusyNumber> busiest;
};

// One call of the range as the export writes it.
struct CallRow {
    QString dateTime;
    QString name;
    QString phone;
    int type = 0;
    int length = -1; // seconds; -1 while unknown
};

// The key under which a number's calls count together: its digits without a country code of
// +86 or 0086 and without leading zeros, so that "+86 10 1234-5678" and "010 12345678" are one.
// Empty for a withheld number.
QString NumberKey(const QString& number);

} // namespace tamberlink
