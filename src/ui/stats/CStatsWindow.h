#pragma once

#include "app/StatsExport.h"
#include "store/CallFigures.h"
#include "ui/settings/CSettingBaseUI.h"
#include "ui_dlg_stats.h"

#include <QDate>
#include <QPointer>

class QChartView;
class QFileDialog;

namespace tamberlink {

class CallStatistics;

// "统计": the calls of a day, a week (Monday to Sunday), a month or a range of the user's
// choosing: calls in, out and missed, the answered share, talk time in and out, the average
// length, missed calls called back and the median time until then, charts by hour of day and
// by day, and the busiest numbers. The figures are worked out off the UI thread; the charts
// show as soon as the counts are there, the busiest numbers and calls back when they follow.
// "导出 Excel" and "导出 CSV" write the figures and the range's calls.
class CStatsWindow : public CSettingBaseUI {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{21, 11};
    enum class Span { Day, Week, Month, Custom };

    CStatsWindow(QWidget* parent, AppCore& core);
    ~CStatsWindow() override;

    QWidget* BuildForm() override { return SetUpDialogForm(ui_); }
    const Ui::dlg_stats& Form() const { return ui_; }

    // Shows the span around `day`; a custom span keeps its length and starts there.
    void ShowSpan(Span span, const QDate& day);
    void ShowRange(const QDate& first, const QDate& last);
    QDate First() const { return first_; }
    QDate Last() const { return last_; }
    // Writes the shown range to `path` in the background; false when an export is running.
    bool ExportTo(const QString& path, StatsExport::Format format);

    const CallFigures& Figures() const { return figures_; }
    const CallBacks& Backs() const { return backs_; }
    // Figures and busiest numbers of the newest request shown.
    bool FiguresShown() const { return figuresShown_; }
    bool BacksShown() const { return backsShown_; }
    bool Exporting() const { return exporting_; }

signals:
    void FiguresChanged();
    void BacksChanged();
    void ExportDone(bool ok);

protected:
    void InitContent() override;

private:
    void Step(int direction);
    void Reload();
    void ShowFigures(int request, const CallFigures& figures);
    void ShowBacks(int request, const CallBacks& backs);
    void ShowCounts();
    void DrawHours();
    void DrawDays();
    void ChooseFile(StatsExport::Format format);
    void OnExported(const QString& path, bool ok, const QString& error);

    Ui::dlg_stats ui_;
    CallStatistics* statistics_ = nullptr;
    QChartView* hours_ = nullptr;
    QChartView* days_ = nullptr;
    QPointer<QFileDialog> fileDialog_;
    Span span_ = Span::Day;
    QDate first_;
    QDate last_;
    int request_ = 0;
    CallFigures figures_;
    CallBacks backs_;
    bool figuresShown_ = false;
    bool backsShown_ = false;
    bool exporting_ = false;
};

} // namespace tamberlink
