#include "ui/shell/CTipDialog.h"

#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QPointer>

namespace tamberlink {

CTipDialog::CTipDialog(QWidget* parent, const QString& text, std::function<void()> onOk,
                       const QString& title)
    : CSettingBaseUI(parent, title)
    , text_(text)
    , onOk_(std::move(onOk)) {}

void CTipDialog::InitContent() {
    auto* tip = ui_.LabelTip;
    tip->setTextFormat(Qt::PlainText);
    tip->setAlignment(TextAlignment(1));
    tip->setText(text_);
    connect(ui_.ButtonOK, &QAbstractButton::clicked, this, &CTipDialog::Confirm);
    connect(ui_.ButtonCancel, &QAbstractButton::clicked, this, &CTipDialog::Close);
}

void CTipDialog::Confirm() {
    // Closed first: the action may open another dialog or end the program.
    Close();
    if (onOk_) {
        onOk_();
    }
}

CTipDialog* AskOnPage(QWidget* page, const QString& text, std::function<void()> onOk) {
    return OpenWindow<CTipDialog>(page->window(), QStringLiteral("提示"), QPoint(180, 200), text,
                                  [page = QPointer<QWidget>(page), onOk = std::move(onOk)] {
                                      if (page != nullptr) {
                                          onOk();
                                      }
                                  });
}

} // namespace tamberlink
