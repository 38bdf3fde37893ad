#include "ui/widgets/CButtonUI.h"

#include "ui/widgets/Controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace tamberlink {

CButtonUI::CButtonUI(QWidget* parent)
    : QPushButton(parent) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void CButtonUI::Changed() {
    updateGeometry();
    update();
}

void CButtonUI::SetNormalImage(const QString& image) {
    normal_ = image;
    Changed();
}
void CButtonUI::SetHotImage(const QString& image) {
    hot_ = image;
    Changed();
}
void CButtonUI::SetPushedImage(const QString& image) {
    pushed_ = image;
    Changed();
}
void CButtonUI::SetFocusedImage(const QString& image) {
    focused_ = image;
    Changed();
}
void CButtonUI::SetDisabledImage(const QString& image) {
    disabled_ = image;
    Changed();
}
void CButtonUI::SetSelectedImage(const QString& image) {
    selected_ = image;
    Changed();
}
void CButtonUI::SetBkImage(const QString& image) {
    bk_ = image;
    Changed();
}
void CButtonUI::SetForeImage(const QString& image) {
    fore_ = image;
    Changed();
}
void CButtonUI::SetHotForeImage(const QString& image) {
    hotFore_ = image;
    Changed();
}
void CButtonUI::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}
void CButtonUI::SetHotTextColor(const QColor& color) {
    hotTextColor_ = color;
    update();
}
void CButtonUI::SetSelectedTextColor(const QColor& color) {
    selectedTextColor_ = color;
    update();
}
void CButtonUI::SetTextPadding(const QMargins& padding) {
    padding_ = padding;
    Changed();
}
void CButtonUI::SetTextStyle(int style) {
    textStyle_ = style;
    update();
}

QString CButtonUI::GetTextPaddingText() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(padding_.left())
        .arg(padding_.top())
        .arg(padding_.right())
        .arg(padding_.bottom());
}

void CButtonUI::SetTextPaddingText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() == 4) {
        SetTextPadding(
            QMargins(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt()));
    }
}

QString CButtonUI::StateImage() const {
    if (!isEnabled()) {
        return disabled_.isEmpty() ? normal_ : disabled_;
    }
    if (isDown() && !pushed_.isEmpty()) {
        return pushed_;
    }
    if (isChecked() && !selected_.isEmpty()) {
        return selected_;
    }
    if (underMouse() && !hot_.isEmpty()) {
        return hot_;
    }
    if (hasFocus() && !focused_.isEmpty()) {
        return focused_;
    }
    return normal_;
}

QSize CButtonUI::sizeHint() const {
    const QPixmap picture = SkinPicture(SkinImage::Parse(normal_).file);
    if (!picture.isNull()) {
        return picture.size();
    }
    QSize hint = QPushButton::sizeHint();
    const SkinImage fore = SkinImage::Parse(fore_);
    if (fore.dest.isValid()) {
        hint = hint.expandedTo(QSize(fore.dest.right() + 1, fore.dest.bottom() + 1));
    }
    return hint.grownBy(padding_);
}

void CButtonUI::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect area = rect();
    if (normal_.isEmpty()) {
        // No state pictures: the stylesheet's face, with its hover and pressed looks.
        QStyleOptionButton option;
        initStyleOption(&option);
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    }
    SkinImage::Parse(bk_).Draw(painter, area);
    SkinImage::Parse(StateImage()).Draw(painter, area);
    const bool hot = underMouse() && isEnabled();
    SkinImage::Parse(hot && !hotFore_.isEmpty() ? hotFore_ : fore_).Draw(painter, area);

    if (text().isEmpty()) {
        return;
    }
    painter.setPen(TextColorNow());
    painter.setFont(font());
    painter.drawText(area.marginsRemoved(padding_), int(TextAlignment(textStyle_)), text());
}

QColor CButtonUI::TextColorNow() const {
    if (!isEnabled()) {
        return palette().color(QPalette::Disabled, QPalette::ButtonText);
    }
    if (isChecked() && selectedTextColor_.isValid()) {
        return selectedTextColor_;
    }
    if (underMouse() && hotTextColor_.isValid()) {
        return hotTextColor_;
    }
    return textColor_.isValid() ? textColor_ : palette().color(QPalette::ButtonText);
}

void CButtonUI::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    update();
}

void CButtonUI::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    update();
}

void CButtonUI::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt makes the second press of a double click a press of its own; an action under way
    // (a dial, a backup) must not start twice.
    if (repeatsOnDoubleClick_) {
        QPushButton::mouseDoubleClickEvent(event);
    } else {
        event->accept();
    }
}

} // namespace tamberlink
