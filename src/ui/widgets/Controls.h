#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLineEdit;
class QTextEdit;
class QWidget;

namespace tamberlink {

// Helpers for controls, whether a skin made them or code did.

// The text a button, label or edit shows; empty for other controls.
QString ControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

// Places `control` inside `parent` at a fixed position and size (a floating control) and
// shows it.
void SetFloat(QWidget* control, QWidget* parent, const QRect& geometry);

// Alignment for the skins' text-style numbers: bit 0 centres, bit 1 right-aligns, bit 3
// puts the text at the bottom; otherwise text is left-aligned and centred vertically.
Qt::Alignment TextAlignment(int textStyle);

// A long text as list rows show it: longer than `keep` characters (UTF-16 units), its first
// `keep` characters and "..." (one fewer where the cut would halve a surrogate pair);
// otherwise the whole text.
QString ShortenText(const QString& text, int keep);

// Lets `edit` take digits only, at most `maxLength` of them: a pasted number keeps its
// digits, and "+86", blanks and dashes fall away before the length is counted.
void SetNumberInput(QLineEdit* edit, int maxLength);

// A plain-text editor named `name` made in code to fill `container` (font 0, border size 1,
// wrapped lines, no arrows on its scroll bar).
QTextEdit* FillWithTextEdit(QWidget* container, const QString& name);

// The text on one line: line breaks and tabs become blanks.
QString OneLine(QString text);

// The skins' numbered fonts: 0 body, 1 dialog text, 2 small, 3 large, 4 number box.
QFont SkinFont(int index);

// A background picture (skin image description; the whole picture, stretched) for any
// control; for CButtonUI its own background picture.
void SetBkImage(QWidget* control, const QString& description);
QString GetBkImage(const QWidget* control);

// Per-control looks that the stylesheet leaves alone: text colour and edit borders.
void SetTextColor(QWidget* control, const QColor& color);
void SetEditBorder(QWidget* edit, int size, const QColor& border, const QColor& focusBorder);
// Inner padding of an edit, in pixels: left, top, right, bottom.
void SetEditPadding(QWidget* edit, int left, int top, int right, int bottom);

} // namespace tamberlink
