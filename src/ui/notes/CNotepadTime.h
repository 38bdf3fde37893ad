#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_notepad_time.h"

#include <QDateTime>

#include <memory>

#include <array>
#include <cstdint>

class QLineEdit;

namespace tamberlink {

// "设置笔记提醒时间": the reminder time of a note in six boxes (year, month, day, hour, minute,
// second), filled with the current local time. A month, day, hour, minute or second typed
// beyond its limit (12, 31, 23, 59, 59) becomes the limit. "确定" hands the moment on as
// seconds since 1970; "不提醒" hands on that the note has no reminder. A date that does not
// exist, or a box left empty, is refused with a notice.
class CNotepadTime : public WindowImplBase {
    Q_OBJECT

public:
    enum Field { Year, Month, Day, Hour, Minute, Second, kFieldCount };

    explicit CNotepadTime(QWidget* parent, const QDateTime& now = QDateTime::currentDateTime());

    QLineEdit* Edit(Field field) const { return edits_[field]; }
    // The boxes joined as "YYYY-MM-DD hh:mm:ss", one-character texts given a leading "0".
    QString JoinedText() const;

    QWidget* BuildForm() override { return SetUpForm(ui_); }

signals:
    void TimeChosen(std::int64_t seconds);
    void TimeCleared();
    // A notice for the user (the core's message box).
    void Tip(const QString& text);

protected:
    void InitWindow() override;

private:
    void LimitField(int field);
    void Save();
    void NoReminder();

    QDateTime now_;
    std::array<QLineEdit*, kFieldCount> edits_{};
    Ui::dlg_notepad_time ui_;
};

} // namespace tamberlink
