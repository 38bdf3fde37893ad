#include "app/StatsExport.h"

#include "util/AtomicFile.h"
#include "workbook/XlsxWriter.h"

#include <string>
#include <variant>
#include <vector>

namespace tamberlink {

namespace {

using Value = std::variant<QString, double>;
using Table = std::vector<std::vector<Value>>;

QString ShareText(double share) {
    return share < 0 ? QStringLiteral("—") : QString::number(share * 100, 'f', 1) + u'%';
}

Table Summary(const CallFigures& figures, const CallBacks& backs) {
    const CallCounts& total = figures.total;
    const QString range = figures.first.toString(QStringLiteral("yyyy-MM-dd")) +
                          QStringLiteral(" 至 ") +
                          figures.last.toString(QStringLiteral("yyyy-MM-dd"));
    return {
        {QStringLiteral("时间范围"), range},
        {QStringLiteral("呼入"), double(total.incoming)},
        {QStringLiteral("呼出"), double(total.outgoing)},
        {QStringLiteral("未接"), double(total.missed)},
        {QStringLiteral("接听率"), ShareText(total.AnsweredShare())},
        {QStringLiteral("呼入通话时长（秒）"), double(total.talkIn)},
        {QStringLiteral("呼出通话时长（秒）"), double(total.talkOut)},
        {QStringLiteral("平均通话时长（秒）"), double(total.AverageLength())},
        {QStringLiteral("未接已回拨"), double(backs.calledBack)},
        {QStringLiteral("回拨时间中位数（秒）"),
         backs.medianSeconds < 0 ? Value(QStringLiteral("—")) : Value(double(backs.medianSeconds))},
    };
}

std::vector<Value> CountsRow(const QString& label, const CallCounts& counts) {
    return {label,
            double(counts.incoming),
            double(counts.outgoing),
            double(counts.missed),
            double(counts.talkIn),
            double(counts.talkOut)};
}

std::vector<Value> CountsHeader(const QString& first) {
    return {first,
            QStringLiteral("呼入"),
            QStringLiteral("呼出"),
            QStringLiteral("未接"),
            QStringLiteral("呼入时长（秒）"),
            QStringLiteral("呼出时长（秒）")};
}

Table ByHour(const CallFigures& figures) {
    Table table{CountsHeader(QStringLiteral("时段"))};
    for (int hour = 0; hour < 24; ++hour) {
        table.push_back(CountsRow(QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0')),
                                  figures.byHour[std::size_t(hour)]));
    }
    return table;
}

Table ByDay(const CallFigures& figures) {
    Table table{CountsHeader(QStringLiteral("日期"))};
    for (std::size_t i = 0; i < figures.byDay.size(); ++i) {
        table.push_back(
            CountsRow(figures.first.addDays(qint64(i)).toString(QStringLiteral("yyyy-MM-dd")),
                      figures.byDay[i]));
    }
    return table;
}

Table Busiest(const CallBacks& backs) {
    Table table{{QStringLiteral("号码"), QStringLiteral("姓名"), QStringLiteral("次数"),
                 QStringLiteral("呼入"), QStringLiteral("呼出"), QStringLiteral("未接"),
                 QStringLiteral("通话时长（秒）")}};
    for (const BusyNumber& busy : backs.busiest) {
        table.push_back({busy.number, busy.name, double(busy.calls.Total()),
                         double(busy.calls.incoming), double(busy.calls.outgoing),
                         double(busy.calls.missed),
                         double(busy.calls.talkIn + busy.calls.talkOut)});
    }
    return table;
}

std::vector<Value> CallsHeader() {
    return {QStringLiteral("时间"), QStringLiteral("号码"), QStringLiteral("姓名"),
            QStringLiteral("类型"), QStringLiteral("时长（秒）")};
}

std::vector<Value> CallValues(const CallRow& call) {
    return {call.dateTime, call.phone, call.name, StatsExport::TypeName(call.type),
            call.length < 0 ? Value(QString()) : Value(double(call.length))};
}

void AppendRow(ValueSheet& sheet, int row, const std::vector<Value>& values) {
    for (int col = 0; col < int(values.size()); ++col) {
        ValueSheet::Cell cell;
        cell.col = col;
        if (const auto* text = std::get_if<QString>(&values[std::size_t(col)])) {
            if (text->isEmpty()) {
                continue;
            }
            cell.type = CellType::String;
            cell.text = *text;
        } else {
            cell.type = CellType::Number;
            cell.number = std::get<double>(values[std::size_t(col)]);
        }
        sheet.Append(row, cell);
    }
}

NamedSheet Sheet(const QString& name, const Table& table) {
    NamedSheet sheet{name, {}, {}};
    for (int row = 0; row < int(table.size()); ++row) {
        AppendRow(sheet.cells, row, table[std::size_t(row)]);
    }
    return sheet;
}

// A CSV field: quoted when it holds a separator, a quote or a line break, and when it starts
// with a sign a spreadsheet would take for a formula.
void AppendCsv(std::string& out, const std::vector<Value>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        QString text;
        if (const auto* t = std::get_if<QString>(&values[i])) {
            text = *t;
        } else {
            text = QString::number(std::get<double>(values[i]), 'g', 15);
        }
        const bool formula = !text.isEmpty() && QStringLiteral("=+-@").contains(text.front()) &&
                             std::holds_alternative<QString>(values[i]);
        if (formula) {
            text.prepend(u'\'');
        }
        if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') ||
            text.contains(u'\r')) {
            text = u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
        }
        out += text.toStdString();
    }
    out += "\r\n";
}

} // namespace

QString StatsExport::TypeName(int type) {
    switch (type) {
    case 1:
        return QStringLiteral("手机呼入");
    case 2:
        return QStringLiteral("手机呼出");
    case 3:
        return QStringLiteral("座机呼入");
    case 4:
        return QStringLiteral("座机呼出");
    case 5:
        return QStringLiteral("未接");
    default:
        return QStringLiteral("其他");
    }
}

QString StatsExport::Duration(std::int64_t seconds) {
    const auto two = [](std::int64_t n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    if (seconds >= 3600) {
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(two(seconds / 60 % 60), two(seconds % 60));
    }
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(two(seconds % 60));
}

bool StatsExport::Write(const QString& path, Format format, const CallFigures& figures,
                        const CallBacks& backs, const CallSource& calls, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    const QString unread = QStringLiteral("读取通话记录失败");
    std::string bytes;
    if (format == Format::Csv) {
        bytes = "\xEF\xBB\xBF";
        for (const Table& table :
             {Summary(figures, backs), ByHour(figures), ByDay(figures), Busiest(backs)}) {
            for (const std::vector<Value>& row : table) {
                AppendCsv(bytes, row);
            }
            bytes += "\r\n";
        }
        AppendCsv(bytes, CallsHeader());
        if (!calls([&bytes](const CallRow& call) {
                AppendCsv(bytes, CallValues(call));
                return true;
            })) {
            return fail(unread);
        }
    } else {
        std::vector<NamedSheet> sheets{Sheet(QStringLiteral("概况"), Summary(figures, backs)),
                                       Sheet(QStringLiteral("按小时"), ByHour(figures)),
                                       Sheet(QStringLiteral("按日"), ByDay(figures)),
                                       Sheet(QStringLiteral("最常联系"), Busiest(backs))};
        NamedSheet log{QStringLiteral("通话记录"), {}, {}};
        AppendRow(log.cells, 0, CallsHeader());
        int row = 1;
        if (!calls([&log, &row](const CallRow& call) {
                AppendRow(log.cells, row++, CallValues(call));
                return true;
            })) {
            return fail(unread);
        }
        sheets.push_back(std::move(log));
        QString why;
        if (!XlsxWriter::Build(sheets, bytes, &why)) {
            return fail(why);
        }
    }
    QString why;
    if (!AtomicFile::Write(path, bytes, &why)) {
        return fail(why);
    }
    return true;
}

} // namespace tamberlink
