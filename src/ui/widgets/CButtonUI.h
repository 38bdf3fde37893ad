#pragma once

#include <QColor>
#include <QMargins>
#include <QPushButton>

#include "ui/widgets/SkinImage.h"

namespace tamberlink {

// A push button drawn from skin pictures: one picture per state (normal, hot under the
// mouse, pushed, focused, disabled), a background picture beneath them, a foreground picture
// placed with its dest rectangle, and its text with padding, alignment and colours. Without
// state pictures the stylesheet draws the button's face. Pictures are given as skin image
// descriptions (see SkinImage); skins set them through the properties below. The text colour
// is the stylesheet's unless set here; the hot and selected colours, when set, apply under
// the mouse and while checked (stylesheets give them as qproperty-hotTextColor...).
// A double click is one click: its second press does not act again, unless the button
// repeats (a key of the keypad types twice).
class CButtonUI : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString normalImage READ GetNormalImage WRITE SetNormalImage)
    Q_PROPERTY(QString hotImage READ GetHotImage WRITE SetHotImage)
    Q_PROPERTY(QString pushedImage READ GetPushedImage WRITE SetPushedImage)
    Q_PROPERTY(QString focusedImage READ GetFocusedImage WRITE SetFocusedImage)
    Q_PROPERTY(QString disabledImage READ GetDisabledImage WRITE SetDisabledImage)
    Q_PROPERTY(QString selectedImage READ GetSelectedImage WRITE SetSelectedImage)
    Q_PROPERTY(QString bkImage READ GetBkImage WRITE SetBkImage)
    Q_PROPERTY(QString foreImage READ GetForeImage WRITE SetForeImage)
    Q_PROPERTY(QString hotForeImage READ GetHotForeImage WRITE SetHotForeImage)
    Q_PROPERTY(QColor textColor READ GetTextColor WRITE SetTextColor)
    Q_PROPERTY(QColor hotTextColor READ GetHotTextColor WRITE SetHotTextColor)
    Q_PROPERTY(QColor selectedTextColor READ GetSelectedTextColor WRITE SetSelectedTextColor)
    Q_PROPERTY(QString textPadding READ GetTextPaddingText WRITE SetTextPaddingText)
    Q_PROPERTY(int textStyle READ GetTextStyle WRITE SetTextStyle)

public:
    explicit CButtonUI(QWidget* parent = nullptr);

    void SetNormalImage(const QString& image);
    void SetHotImage(const QString& image);
    void SetPushedImage(const QString& image);
    void SetFocusedImage(const QString& image);
    void SetDisabledImage(const QString& image);
    // The picture of a checked button (options and check boxes).
    void SetSelectedImage(const QString& image);
    void SetBkImage(const QString& image);
    void SetForeImage(const QString& image);
    void SetHotForeImage(const QString& image);
    void SetTextColor(const QColor& color);
    void SetHotTextColor(const QColor& color);
    void SetSelectedTextColor(const QColor& color);
    void SetTextPadding(const QMargins& padding);
    void SetTextStyle(int style);
    // Whether the second press of a double click clicks again (off by default).
    void SetRepeatsOnDoubleClick(bool repeats) { repeatsOnDoubleClick_ = repeats; }

    QString GetNormalImage() const { return normal_; }
    QString GetHotImage() const { return hot_; }
    QString GetPushedImage() const { return pushed_; }
    QString GetFocusedImage() const { return focused_; }
    QString GetDisabledImage() const { return disabled_; }
    QString GetSelectedImage() const { return selected_; }
    QString GetBkImage() const { return bk_; }
    QString GetForeImage() const { return fore_; }
    QString GetHotForeImage() const { return hotFore_; }
    QColor GetTextColor() const { return textColor_; }
    QColor GetHotTextColor() const { return hotTextColor_; }
    QColor GetSelectedTextColor() const { return selectedTextColor_; }
    QMargins GetTextPadding() const { return padding_; }
    int GetTextStyle() const { return textStyle_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString GetTextPaddingText() const;
    void SetTextPaddingText(const QString& text);
    QString StateImage() const;
    void Changed();

    QString normal_, hot_, pushed_, focused_, disabled_, selected_, bk_, fore_, hotFore_;
    QColor TextColorNow() const;

    QColor textColor_, hotTextColor_, selectedTextColor_;
    QMargins padding_;
    int textStyle_ = 0x1; // centred
    bool repeatsOnDoubleClick_ = false;
};

} // namespace tamberlink
