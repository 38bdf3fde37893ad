"""Works out a call log's figures for a range of days straight from table_log, for the
statistics tests to compare with: python3 call_figures.py DATABASE FIRST LAST (yyyy/mm/dd)."""
import datetime
import json
import re
import sqlite3
import statistics
import sys

path, first, last = sys.argv[1:4]
db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
day0 = datetime.datetime.strptime(first, "%Y/%m/%d").date()
day1 = datetime.datetime.strptime(last, "%Y/%m/%d").date()
end = (day1 + datetime.timedelta(days=1)).strftime("%Y/%m/%d")

total = dict(incoming=0, outgoing=0, missed=0, talk_in=0, talk_out=0, timed=0)
by_hour = [dict(total) for _ in range(24)]
by_day = [dict(total) for _ in range((day1 - day0).days + 1)]
for when, kind, length in db.execute(
        "select date_time, type, length from table_log where date_time >= ? and date_time < ?",
        (first, end)):
    moment = datetime.datetime.strptime(when, "%Y/%m/%d %H:%M:%S")
    for bucket in (total, by_hour[moment.hour], by_day[(moment.date() - day0).days]):
        if kind in (1, 3):
            bucket["incoming"] += 1
            bucket["talk_in"] += length or 0
        elif kind in (2, 4):
            bucket["outgoing"] += 1
            bucket["talk_out"] += length or 0
        elif kind == 5:
            bucket["missed"] += 1
        if (length or 0) > 0:
            bucket["timed"] += 1


def key(number):
    plus = number.strip().startswith("+")
    digits = re.sub(r"\D", "", number)
    if plus and digits.startswith("86"):
        digits = digits[2:]
    elif not plus and digits.startswith("0086"):
        digits = digits[4:]
    return digits.lstrip("0")


# Every call from the range's start on, in the order it was logged.
calls = db.execute("select id, phone, type, date_time from table_log where date_time >= ? "
                   "order by id", (first,)).fetchall()
counts, newest, waiting, waits, missed = {}, {}, {}, [], 0
for ident, phone, kind, when in calls:
    k = key(phone)
    if not k:
        continue
    moment = datetime.datetime.strptime(when, "%Y/%m/%d %H:%M:%S").timestamp()
    if when < end:
        counts[k] = counts.get(k, 0) + 1
        newest[k] = ident
        if kind == 5:
            missed += 1
            waiting.setdefault(k, []).append(moment)
    if kind in (2, 4):
        waits += [max(0, moment - m) for m in waiting.pop(k, [])]
busiest = sorted(counts, key=lambda k: (-counts[k], -newest[k]))[:10]
print(json.dumps(dict(
    total=total, by_hour=by_hour, by_day=by_day, missed=missed, called_back=len(waits),
    median=round(statistics.median(waits)) if waits else -1,
    busiest=[[db.execute("select phone from table_log where id=?", (newest[k],)).fetchone()[0],
              counts[k]] for k in busiest])))
