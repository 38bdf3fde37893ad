#include "ui/notes/CNotepadTime.h"

#include "util/TextCodec.h"

#include <QDate>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace tamberlink {

namespace {

struct FieldSpec {
    QLineEdit* Ui::dlg_notepad_time::*edit;
    int maxLength;
    const char16_t* limit; // the highest value the box takes; none for the year
};

constexpr FieldSpec kFields[] = {
    {&Ui::dlg_notepad_time::EditYear, 4, nullptr}, {&Ui::dlg_notepad_time::EditMonth, 2, u"12"},
    {&Ui::dlg_notepad_time::EditDay, 2, u"31"},    {&Ui::dlg_notepad_time::EditHour, 2, u"23"},
    {&Ui::dlg_notepad_time::EditMinute, 2, u"59"}, {&Ui::dlg_notepad_time::EditSecond, 2, u"59"},
};

} // namespace

CNotepadTime::CNotepadTime(QWidget* parent, const QDateTime& now)
    : WindowImplBase(parent)
    , now_(now) {}

void CNotepadTime::InitWindow() {
    const QDate date = now_.date();
    const QTime time = now_.time();
    const int values[] = {date.year(), date.month(),  date.day(),
                          time.hour(), time.minute(), time.second()};
    for (int i = 0; i < kFieldCount; ++i) {
        QLineEdit* edit = ui_.*kFields[i].edit;
        edit->setMaxLength(kFields[i].maxLength);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        edit->setText(QString::number(values[i]));
        edits_[size_t(i)] = edit;
        connect(edit, &QLineEdit::textChanged, this, [this, i] { LimitField(i); });
    }
    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, &CNotepadTime::Save);
    connect(ui_.ButtonNoRemind, &QAbstractButton::clicked, this, &CNotepadTime::NoReminder);
    connect(ui_.btnMin, &QAbstractButton::clicked, this, [this] { window()->showMinimized(); });
}

void CNotepadTime::LimitField(int field) {
    const FieldSpec& spec = kFields[field];
    if (spec.limit == nullptr) {
        return;
    }
    // Digits only and at most two of them: the text order is the number order.
    QLineEdit* edit = edits_[size_t(field)];
    const QString limit = QString::fromUtf16(spec.limit);
    if (edit->text().size() >= 2 && edit->text() > limit) {
        edit->setText(limit);
    }
}

QString CNotepadTime::JoinedText() const {
    QStringList parts;
    for (QLineEdit* edit : edits_) {
        const QString text = edit->text();
        parts << (text.size() == 1 ? QStringLiteral("0") + text : text);
    }
    return parts[Year] + u'-' + parts[Month] + u'-' + parts[Day] + u' ' + parts[Hour] + u':' +
           parts[Minute] + u':' + parts[Second];
}

void CNotepadTime::Save() {
    // The fixed-position parse needs every box filled and a four-digit year; a date that
    // does not exist would otherwise roll over into another day.
    bool complete = edits_[Year]->text().size() == 4;
    for (QLineEdit* edit : edits_) {
        complete = complete && !edit->text().isEmpty();
    }
    const std::int64_t seconds = complete ? TextToTime(WideToUtf8(JoinedText())) : -1;
    const QDate date(edits_[Year]->text().toInt(), edits_[Month]->text().toInt(),
                     edits_[Day]->text().toInt());
    if (!complete || !date.isValid() || seconds < 0) {
        emit Tip(QStringLiteral("请填写正确的提醒时间"));
        return;
    }
    emit TimeChosen(seconds);
    Close();
}

void CNotepadTime::NoReminder() {
    emit TimeCleared();
    Close();
}

} // namespace tamberlink
