#include "ui/calllist/CDialogTempContact.h"

#include "ui/widgets/Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace tamberlink {

CDialogTempContact::CDialogTempContact(QWidget* parent, const TempContact& contact,
                                       SaveFunction save)
    : WindowImplBase(parent)
    , contact_(contact)
    , save_(std::move(save)) {}

void CDialogTempContact::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    for (QLabel* label : {ui_.LabelName, ui_.LabelPhone}) {
        label->setTextFormat(Qt::PlainText);
    }
    SetControlText(ui_.LabelName, contact_.name);
    SetControlText(ui_.LabelPhone, contact_.number);

    status_ = ui_.ComboStatus;
    for (int status = 0; status < TempContact::kStatusCount; ++status) {
        status_->addItem(TempContact::StatusText(status));
    }
    const bool known = contact_.status >= 0 && contact_.status < TempContact::kStatusCount;
    status_->setCurrentIndex(known ? contact_.status : 0);

    // The remark box is made here, as large as its container.
    QWidget* container = ui_.ContainerRemarks;
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    remark_ = new QTextEdit(container);
    remark_->setObjectName(QStringLiteral("EditRemarks"));
    remark_->setAcceptRichText(false);
    remark_->setPlainText(contact_.remark);
    layout->addWidget(remark_);

    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, &CDialogTempContact::Save);
    connect(ui_.ButtonCancel, &QAbstractButton::clicked, this, &CDialogTempContact::Close);
}

void CDialogTempContact::Save() {
    if (!save_ || save_(contact_.row, status_->currentIndex(), remark_->toPlainText())) {
        Close();
    }
}

} // namespace tamberlink
