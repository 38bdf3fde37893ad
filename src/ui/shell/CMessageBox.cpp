#include "ui/shell/CMessageBox.h"

#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/Controls.h"

#include <QLabel>

namespace tamberlink {

QWidget* CMessageBox::BuildForm() {
    QWidget* form = SetUpForm(ui_);
    SetCaption(ui_.LayoutTitle);
    return form;
}

namespace {
constexpr int kLabelTop = 60;
constexpr int kLabelHeight = 30;
constexpr int kButtonTop = 120;
} // namespace

CMessageBox::CMessageBox(QWidget* parent)
    : WindowImplBase(parent) {}

CMessageBox* CMessageBox::ShowText(QPointer<CMessageBox>& open, QWidget* mainWindow,
                                   const QString& text) {
    CMessageBox* box = IfOpen(open);
    if (box == nullptr) {
        box = open =
            OpenWindow<CMessageBox>(mainWindow, QStringLiteral("Tamberlink提醒"), kPosition);
    }
    box->SetText(text);
    box->raise();
    return box;
}

void CMessageBox::InitWindow() {
    SetBkImage(ui_.LayoutTitle, QStringLiteral("bgHead.png"));
    if (auto* title = ui_.labelTitle) {
        title->setText(windowTitle());
    }
    QWidget* content = ui_.LayoutContent;
    label_ = new QLabel(content);
    label_->setFont(SkinFont(1));
    SetTextColor(label_, QColor(0xFF000000u));
    label_->setAlignment(TextAlignment(1));
    label_->setWordWrap(true);
    label_->setTextFormat(Qt::PlainText);
    label_->setContentsMargins(12, 0, 12, 0);
    PlaceLabel();
    auto* ok = new CSettingButton(content);
    ok->Setup(content, 125, kButtonTop, QStringLiteral("确定"));
    connect(ok, &QAbstractButton::clicked, this, &CMessageBox::Close);
}

// One line of text sits at (0, 60), 30 pixels high. A notice too long for one line wraps,
// growing the label around that line so that no text is cut off.
void CMessageBox::PlaceLabel() {
    QWidget* content = label_->parentWidget();
    const int width = content->width();
    const int needed = label_->heightForWidth(width);
    const int height = qBound(kLabelHeight, needed, kButtonTop - 8);
    const int top = qMax(8, kLabelTop - (height - kLabelHeight) / 2);
    SetFloat(label_, content, QRect(0, top, width, qMin(height, kButtonTop - 4 - top)));
}

void CMessageBox::SetText(const QString& text) {
    if (label_ == nullptr) {
        return;
    }
    label_->setText(text);
    PlaceLabel();
}

QString CMessageBox::GetText() const {
    return label_ != nullptr ? label_->text() : QString();
}

} // namespace tamberlink
