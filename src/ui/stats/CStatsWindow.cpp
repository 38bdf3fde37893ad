#include "ui/stats/CStatsWindow.h"

#include "app/AppCore.h"
#include "app/CallStatistics.h"

#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QVBoxLayout>

#include <QValueAxis>
#include <algorithm>

namespace tamberlink {
namespace {

const QColor kInColor(0x2f, 0x80, 0xed);
const QColor kOutColor(0x27, 0xae, 0x60);
const QColor kMissedColor(0xeb, 0x57, 0x57);

QChartView* ChartIn(QWidget* frame) {
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QChartView(frame);
    view->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view);
    return view;
}

QChart* NewChart(const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

// A value axis from 0 that ends on a whole number of calls.
QValueAxis* CountAxis(int most) {
    auto* axis = new QValueAxis;
    axis->setRange(0, std::max(1, most));
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->applyNiceNumbers();
    return axis;
}

QString ShareText(double share) {
    return share < 0 ? QStringLiteral("—") : QString::number(share * 100, 'f', 1) + u'%';
}

QString DaysText(const QDate& first, const QDate& last) {
    const QString format = QStringLiteral("yyyy年M月d日");
    return first == last ? first.toString(format)
                         : first.toString(format) + QStringLiteral(" 至 ") + last.toString(format);
}

} // namespace

CStatsWindow::CStatsWindow(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("统计"), core) {}

CStatsWindow::~CStatsWindow() = default;

void CStatsWindow::InitContent() {
    statistics_ = new CallStatistics(Core().UserDatabasePath(), this);
    connect(statistics_, &CallStatistics::FiguresReady, this, &CStatsWindow::ShowFigures);
    connect(statistics_, &CallStatistics::BacksReady, this, &CStatsWindow::ShowBacks);
    connect(statistics_, &CallStatistics::ExportFinished, this, &CStatsWindow::OnExported);

    hours_ = ChartIn(ui_.ChartHours);
    days_ = ChartIn(ui_.ChartDays);

    const std::pair<QAbstractButton*, Span> spans[] = {{ui_.ButtonDay, Span::Day},
                                                       {ui_.ButtonWeek, Span::Week},
                                                       {ui_.ButtonMonth, Span::Month},
                                                       {ui_.ButtonCustom, Span::Custom}};
    for (const auto& [button, span] : spans) {
        connect(button, &QAbstractButton::clicked, this,
                [this, span = span] { ShowSpan(span, first_); });
    }
    connect(ui_.ButtonPrevious, &QAbstractButton::clicked, this, [this] { Step(-1); });
    connect(ui_.ButtonNext, &QAbstractButton::clicked, this, [this] { Step(1); });
    // A date picked by hand makes the range one of the user's own.
    const auto picked = [this] {
        if (ui_.DateFirst->date() != first_ || ui_.DateLast->date() != last_) {
            ShowRange(ui_.DateFirst->date(), ui_.DateLast->date());
        }
    };
    connect(ui_.DateFirst, &QDateEdit::editingFinished, this, picked);
    connect(ui_.DateLast, &QDateEdit::editingFinished, this, picked);

    QTableWidget* table = ui_.TableBusiest;
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels({QStringLiteral("号码"), QStringLiteral("姓名"),
                                      QStringLiteral("次数"), QStringLiteral("呼入/呼出/未接"),
                                      QStringLiteral("通话时长")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(0, 140);
    table->setColumnWidth(1, 120);
    table->setColumnWidth(2, 60);
    table->setColumnWidth(3, 120);

    connect(ui_.ButtonExportXlsx, &QAbstractButton::clicked, this,
            [this] { ChooseFile(StatsExport::Format::Xlsx); });
    connect(ui_.ButtonExportCsv, &QAbstractButton::clicked, this,
            [this] { ChooseFile(StatsExport::Format::Csv); });

    ShowSpan(Span::Day, QDate::currentDate());
}

void CStatsWindow::ShowSpan(Span span, const QDate& day) {
    const QDate anchor = day.isValid() ? day : QDate::currentDate();
    span_ = span;
    switch (span) {
    case Span::Day:
        first_ = last_ = anchor;
        break;
    case Span::Week:
        first_ = anchor.addDays(1 - anchor.dayOfWeek());
        last_ = first_.addDays(6);
        break;
    case Span::Month:
        first_ = QDate(anchor.year(), anchor.month(), 1);
        last_ = first_.addMonths(1).addDays(-1);
        break;
    case Span::Custom: {
        const qint64 length = first_.isValid() && last_.isValid() ? first_.daysTo(last_) : 0;
        first_ = anchor;
        last_ = anchor.addDays(length);
        break;
    }
    }
    Reload();
}

void CStatsWindow::ShowRange(const QDate& first, const QDate& last) {
    span_ = Span::Custom;
    first_ = std::min(first, last);
    last_ = std::max(first, last);
    Reload();
}

void CStatsWindow::Step(int direction) {
    switch (span_) {
    case Span::Day:
    case Span::Week:
        ShowSpan(span_, first_.addDays(span_ == Span::Day ? direction : 7 * direction));
        break;
    case Span::Month:
        ShowSpan(span_, first_.addMonths(direction));
        break;
    case Span::Custom:
        ShowSpan(span_, first_.addDays((first_.daysTo(last_) + 1) * direction));
        break;
    }
}

void CStatsWindow::Reload() {
    const std::pair<QAbstractButton*, Span> spans[] = {{ui_.ButtonDay, Span::Day},
                                                       {ui_.ButtonWeek, Span::Week},
                                                       {ui_.ButtonMonth, Span::Month},
                                                       {ui_.ButtonCustom, Span::Custom}};
    for (const auto& [button, span] : spans) {
        button->setChecked(span == span_);
    }
    const QSignalBlocker blockFirst(ui_.DateFirst);
    const QSignalBlocker blockLast(ui_.DateLast);
    ui_.DateFirst->setDate(first_);
    ui_.DateLast->setDate(last_);
    figuresShown_ = false;
    backsShown_ = false;
    request_ = statistics_->Request(first_, last_);
    if (request_ == 0) {
        ui_.LabelCounts->setText(QStringLiteral("无法读取通话记录"));
        ui_.LabelTimes->clear();
        return;
    }
    ui_.LabelCounts->setText(QStringLiteral("正在统计 %1 …").arg(DaysText(first_, last_)));
    ui_.LabelTimes->clear();
}

void CStatsWindow::ShowFigures(int request, const CallFigures& figures) {
    if (request != request_) {
        return;
    }
    figures_ = figures;
    backs_ = CallBacks();
    figuresShown_ = true;
    ShowCounts();
    DrawHours();
    DrawDays();
    ui_.TableBusiest->setRowCount(0);
    emit FiguresChanged();
}

void CStatsWindow::ShowBacks(int request, const CallBacks& backs) {
    if (request != request_) {
        return;
    }
    backs_ = backs;
    backsShown_ = true;
    ShowCounts();
    QTableWidget* table = ui_.TableBusiest;
    table->setRowCount(int(backs.busiest.size()));
    for (int row = 0; row < int(backs.busiest.size()); ++row) {
        const BusyNumber& busy = backs.busiest[std::size_t(row)];
        const QString cells[] = {busy.number, busy.name, QString::number(busy.calls.Total()),
                                 QStringLiteral("%1/%2/%3")
                                     .arg(busy.calls.incoming)
                                     .arg(busy.calls.outgoing)
                                     .arg(busy.calls.missed),
                                 StatsExport::Duration(busy.calls.talkIn + busy.calls.talkOut)};
        for (int col = 0; col < 5; ++col) {
            table->setItem(row, col, new QTableWidgetItem(cells[col]));
        }
    }
    emit BacksChanged();
}

void CStatsWindow::ShowCounts() {
    const CallCounts& total = figures_.total;
    if (total.Total() == 0) {
        ui_.LabelCounts->setText(QStringLiteral("%1 没有通话").arg(DaysText(first_, last_)));
        ui_.LabelTimes->clear();
        return;
    }
    QString backs = QStringLiteral("未接已回拨 计算中…");
    if (backsShown_) {
        backs = QStringLiteral("未接已回拨 %1/%2").arg(backs_.calledBack).arg(backs_.missed);
        if (backs_.medianSeconds >= 0) {
            backs += QStringLiteral("，回拨用时中位数 %1")
                         .arg(StatsExport::Duration(backs_.medianSeconds));
        }
    }
    ui_.LabelCounts->setText(QStringLiteral("呼入 %1　呼出 %2　未接 %3　接听率 %4　%5")
                                 .arg(total.incoming)
                                 .arg(total.outgoing)
                                 .arg(total.missed)
                                 .arg(ShareText(total.AnsweredShare()), backs));
    ui_.LabelTimes->setText(QStringLiteral("通话时长：呼入 %1　呼出 %2　平均每通 %3")
                                .arg(StatsExport::Duration(total.talkIn),
                                     StatsExport::Duration(total.talkOut),
                                     StatsExport::Duration(total.AverageLength())));
}

void CStatsWindow::DrawHours() {
    QChart* chart = NewChart(QStringLiteral("按时段"));
    auto* in = new QBarSet(QStringLiteral("呼入"));
    auto* out = new QBarSet(QStringLiteral("呼出"));
    auto* missed = new QBarSet(QStringLiteral("未接"));
    in->setColor(kInColor);
    out->setColor(kOutColor);
    missed->setColor(kMissedColor);
    int most = 0;
    for (int hour = 0; hour < 24; ++hour) {
        const CallCounts& counts = figures_.byHour[std::size_t(hour)];
        in->append(counts.incoming);
        out->append(counts.outgoing);
        missed->append(counts.missed);
        most = std::max(most, counts.Total());
    }
    auto* series = new QStackedBarSeries;
    series->append({in, out, missed});
    chart->addSeries(series);
    // 24 bars are too narrow for a label each: the hours are marked every three.
    auto* axisX = new QValueAxis;
    axisX->setRange(-0.5, 23.5);
    axisX->setTickType(QValueAxis::TicksDynamic);
    axisX->setTickAnchor(0);
    axisX->setTickInterval(3);
    axisX->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    QValueAxis* axisY = CountAxis(most);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
    QChart* old = hours_->chart();
    hours_->setChart(chart);
    delete old;
}

void CStatsWindow::DrawDays() {
    QChart* chart = NewChart(QStringLiteral("按日"));
    const std::pair<QString, QColor> kinds[] = {{QStringLiteral("呼入"), kInColor},
                                                {QStringLiteral("呼出"), kOutColor},
                                                {QStringLiteral("未接"), kMissedColor}};
    QLineSeries* series[3];
    for (int i = 0; i < 3; ++i) {
        series[i] = new QLineSeries;
        series[i]->setName(kinds[i].first);
        series[i]->setColor(kinds[i].second);
    }
    int most = 0;
    QList<QPointF> points[3];
    for (std::size_t i = 0; i < figures_.byDay.size(); ++i) {
        const CallCounts& counts = figures_.byDay[i];
        const double x =
            double(QDateTime(figures_.first.addDays(qint64(i)), QTime(12, 0)).toMSecsSinceEpoch());
        points[0].append({x, double(counts.incoming)});
        points[1].append({x, double(counts.outgoing)});
        points[2].append({x, double(counts.missed)});
        most = std::max({most, counts.incoming, counts.outgoing, counts.missed});
    }
    auto* axisX = new QDateTimeAxis;
    axisX->setFormat(figures_.byDay.size() > 62 ? QStringLiteral("yyyy-MM")
                                                : QStringLiteral("MM-dd"));
    axisX->setTickCount(std::clamp(int(figures_.byDay.size()), 2, 7));
    axisX->setRange(QDateTime(figures_.first, QTime(0, 0)),
                    QDateTime(figures_.last, QTime(23, 59, 59)));
    chart->addAxis(axisX, Qt::AlignBottom);
    QValueAxis* axisY = CountAxis(most);
    chart->addAxis(axisY, Qt::AlignLeft);
    for (int i = 0; i < 3; ++i) {
        series[i]->replace(points[i]);
        chart->addSeries(series[i]);
        series[i]->attachAxis(axisX);
        series[i]->attachAxis(axisY);
    }
    QChart* old = days_->chart();
    days_->setChart(chart);
    delete old;
}

void CStatsWindow::ChooseFile(StatsExport::Format format) {
    if (fileDialog_ != nullptr) {
        fileDialog_->raise();
        return;
    }
    const bool xlsx = format == StatsExport::Format::Xlsx;
    const QString name = QStringLiteral("通话统计 %1至%2")
                             .arg(first_.toString(QStringLiteral("yyyyMMdd")),
                                  last_.toString(QStringLiteral("yyyyMMdd")));
    fileDialog_ = new QFileDialog(this, QStringLiteral("导出统计"), QString(),
                                  xlsx ? QStringLiteral("Excel 工作簿 (*.xlsx)")
                                       : QStringLiteral("CSV 文件 (*.csv)"));
    fileDialog_->setAcceptMode(QFileDialog::AcceptSave);
    fileDialog_->setFileMode(QFileDialog::AnyFile);
    fileDialog_->setDefaultSuffix(xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv"));
    fileDialog_->selectFile(name + (xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".csv")));
    fileDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(fileDialog_, &QFileDialog::fileSelected, this,
            [this, format](const QString& path) { ExportTo(path, format); });
    fileDialog_->open();
}

bool CStatsWindow::ExportTo(const QString& path, StatsExport::Format format) {
    // A second click while the file is written writes nothing more.
    if (exporting_ || !statistics_->Export(path, format, first_, last_)) {
        return false;
    }
    exporting_ = true;
    ui_.ButtonExportXlsx->setEnabled(false);
    ui_.ButtonExportCsv->setEnabled(false);
    ui_.LabelStatus->setText(QStringLiteral("正在导出 %1 …").arg(DaysText(first_, last_)));
    return true;
}

void CStatsWindow::OnExported(const QString& path, bool ok, const QString& error) {
    exporting_ = false;
    ui_.ButtonExportXlsx->setEnabled(true);
    ui_.ButtonExportCsv->setEnabled(true);
    ui_.LabelStatus->setText(ok ? QStringLiteral("已导出到 %1").arg(path)
                                : QStringLiteral("导出失败：%1").arg(error));
    emit ExportDone(ok);
}

} // namespace tamberlink
