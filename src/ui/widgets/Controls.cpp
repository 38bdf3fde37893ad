#include "ui/widgets/Controls.h"

#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/SkinImage.h"
#include "util/PhoneNumber.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QValidator>
#include <QVariantMap>

namespace tamberlink {

namespace {

class NumberValidator : public QValidator {
public:
    NumberValidator(int maxLength, QObject* parent)
        : QValidator(parent)
        , maxLength_(maxLength) {}

    State validate(QString& input, int& pos) const override {
        const qsizetype before = input.size();
        input = PhoneNumber::Digits(input).left(maxLength_);
        pos = qBound(0, int(pos - (before - input.size())), int(input.size()));
        return Acceptable;
    }

private:
    int maxLength_;
};

constexpr const char* kStyleProperty = "controlStyle";
constexpr const char* kBkImageProperty = "bkImage";

QString ColorText(const QColor& color) {
    return color.name(QColor::HexArgb);
}

// Keeps each look in its own slot so that setting one keeps the others, then rebuilds the
// control's own stylesheet from all of them.
void SetStylePart(QWidget* control, const QString& slot, const QString& rules) {
    QVariantMap parts = control->property(kStyleProperty).toMap();
    parts.insert(slot, rules);
    control->setProperty(kStyleProperty, parts);
    QString sheet;
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        sheet += it.value().toString();
        sheet += QLatin1Char('\n');
    }
    control->setStyleSheet(sheet);
}

// "Class#name", so that the rules reach this control and none of its children. A control
// without a name is given one.
QString SelectorOf(QWidget* control) {
    if (control->objectName().isEmpty()) {
        control->setObjectName(
            QStringLiteral("control%1").arg(reinterpret_cast<quintptr>(control), 0, 16));
    }
    return QString::fromLatin1(control->metaObject()->className())
               .replace(QStringLiteral("::"), QStringLiteral("--")) +
           QLatin1Char('#') + control->objectName();
}

} // namespace

QString ControlText(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (const auto* rich = qobject_cast<const QTextEdit*>(control)) {
        return rich->toPlainText();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(control)) {
        return plain->toPlainText();
    }
    return {};
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        rich->setPlainText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(text);
    }
}

void SetFloat(QWidget* control, QWidget* parent, const QRect& geometry) {
    if (control == nullptr) {
        return;
    }
    if (control->parentWidget() != parent) {
        control->setParent(parent);
    }
    control->setGeometry(geometry);
    control->show();
}

Qt::Alignment TextAlignment(int textStyle) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (textStyle & 0x1) {
        horizontal = Qt::AlignHCenter;
    } else if (textStyle & 0x2) {
        horizontal = Qt::AlignRight;
    }
    return horizontal | ((textStyle & 0x8) ? Qt::AlignBottom : Qt::AlignVCenter);
}

QString ShortenText(const QString& text, int keep) {
    if (text.size() <= keep) {
        return text;
    }
    // A character made of two UTF-16 units (an emoji) is kept whole or left out, never halved.
    const int cut = keep > 0 && text[keep - 1].isHighSurrogate() ? keep - 1 : keep;
    return text.left(cut) + QStringLiteral("...");
}

void SetNumberInput(QLineEdit* edit, int maxLength) {
    if (edit == nullptr) {
        return;
    }
    // The validator counts the length: a limit of the edit's own would cut a pasted
    // "+86 138..." before its digits are taken.
    edit->setMaxLength(32767);
    edit->setValidator(new NumberValidator(maxLength, edit));
}

QTextEdit* FillWithTextEdit(QWidget* container, const QString& name) {
    auto* edit = new QTextEdit(container);
    edit->setObjectName(name);
    edit->setAcceptRichText(false);
    edit->setFont(SkinFont(0));
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetEditBorder(edit, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    return edit;
}

QString OneLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\t') {
            c = u' ';
        }
    }
    return text;
}

QFont SkinFont(int index) {
    static constexpr int kPixelSizes[] = {13, 14, 12, 16, 24};
    QFont font;
    const bool known = index >= 0 && index < int(std::size(kPixelSizes));
    font.setPixelSize(known ? kPixelSizes[index] : kPixelSizes[0]);
    return font;
}

void SetTextColor(QWidget* control, const QColor& color) {
    if (control == nullptr) {
        return;
    }
    SetStylePart(control, QStringLiteral("color"),
                 QStringLiteral("%1 { color: %2; }").arg(SelectorOf(control), ColorText(color)));
}

void SetBkImage(QWidget* control, const QString& description) {
    if (control == nullptr) {
        return;
    }
    if (auto* button = qobject_cast<CButtonUI*>(control)) {
        button->SetBkImage(description);
        return;
    }
    control->setProperty(kBkImageProperty, description);
    control->setAttribute(Qt::WA_StyledBackground);
    const SkinImage image = SkinImage::Parse(description);
    const QString path = QDir(SkinFolder()).absoluteFilePath(image.file);
    SetStylePart(control, QStringLiteral("bkimage"),
                 image.IsEmpty() ? QString()
                                 : QStringLiteral("%1 { border-image: url(\"%2\") 0 0 0 0 "
                                                  "stretch stretch; }")
                                       .arg(SelectorOf(control), path));
}

QString GetBkImage(const QWidget* control) {
    if (const auto* button = qobject_cast<const CButtonUI*>(control)) {
        return button->GetBkImage();
    }
    return control == nullptr ? QString() : control->property(kBkImageProperty).toString();
}

void SetEditBorder(QWidget* edit, int size, const QColor& border, const QColor& focusBorder) {
    if (edit == nullptr) {
        return;
    }
    const QString selector = SelectorOf(edit);
    SetStylePart(edit, QStringLiteral("border"),
                 QStringLiteral("%1 { border: %2px solid %3; border-radius: 3px; }\n"
                                "%1:focus { border-color: %4; }")
                     .arg(selector)
                     .arg(size)
                     .arg(ColorText(border), ColorText(focusBorder)));
}

void SetEditPadding(QWidget* edit, int left, int top, int right, int bottom) {
    if (edit == nullptr) {
        return;
    }
    SetStylePart(edit, QStringLiteral("padding"),
                 QStringLiteral("%1 { padding: %2px %3px %4px %5px; }")
                     .arg(SelectorOf(edit))
                     .arg(top)
                     .arg(right)
                     .arg(bottom)
                     .arg(left));
}

} // namespace tamberlink
