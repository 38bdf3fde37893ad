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

QStringList CDialogTempContact::RequiredControls() const {
    return {QStringLiteral("labelTitle"),       QStringLiteral("LabelName"),
            QStringLiteral("LabelPhone"),       QStringLiteral("ComboStatus"),
            QStringLiteral("ContainerRemarks"), QStringLiteral("ButtonSave"),
            QStringLiteral("btnClosed")};
}

void CDialogTempContact::InitWindow() {
    SetControlText(FindControl(QStringLiteral("labelTitle")), windowTitle());
    for (const char* name : {"LabelName", "LabelPhone"}) {
        FindControl<QLabel>(QString::fromLatin1(name))->setTextFormat(Qt::PlainText);
    }
    SetControlText(FindControl(QStringLiteral("LabelName")), contact_.name);
    SetControlText(FindControl(QStringLiteral("LabelPhone")), contact_.number);

    status_ = FindControl<QComboBox>(QStringLiteral("ComboStatus"));
    for (int status = 0; status < TempContact::kStatusCount; ++status) {
        status_->addItem(TempContact::StatusText(status));
    }
    const bool known = contact_.status >= 0 && contact_.status < TempContact::kStatusCount;
    status_->setCurrentIndex(known ? contact_.status : 0);

    // The remark box is made here, as large as its container.
    QWidget* container = FindControl(QStringLiteral("ContainerRemarks"));
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    remark_ = new QTextEdit(container);
    remark_->setObjectName(QStringLiteral("EditRemarks"));
    remark_->setAcceptRichText(false);
    remark_->setPlainText(contact_.remark);
    layout->addWidget(remark_);

    ConnectClicked(QStringLiteral("ButtonSave"), this, &CDialogTempContact::Save);
    ConnectClicked(QStringLiteral("ButtonCancel"), this, &CDialogTempContact::Close);
}

void CDialogTempContact::Save() {
    if (!save_ || save_(contact_.row, status_->currentIndex(), remark_->toPlainText())) {
        Close();
    }
}

} // namespace tamberlink
