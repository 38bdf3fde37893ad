#include "ui/settings/CSettingProxy.h"

#include "app/AppCore.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace tamberlink {

namespace {

constexpr int kPort = 4;

// A field longer than `keep` characters that sorts after `limit` is cut to `keep`
// characters. Digits only and a fixed maximum length make the text order the number order.
void CutAbove(QLineEdit* edit, int keep, const QString& limit) {
    const QString text = edit->text();
    if (text.size() > keep && text > limit) {
        edit->setText(text.left(keep));
    }
}

} // namespace

CSettingProxy::Fields CSettingProxy::Split(const QString& proxy) {
    Fields fields;
    if (proxy.isEmpty()) {
        return fields;
    }
    qsizetype from = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = proxy.indexOf(QLatin1Char('.'), from);
        if (dot < 0) {
            // Not the a.b.c.d:port this dialog writes: show what there is, nothing invented.
            fields[i] = proxy.mid(from).section(QLatin1Char(':'), 0, 0);
            return fields;
        }
        fields[i] = proxy.mid(from, dot - from);
        from = dot + 1;
    }
    const qsizetype colon = proxy.indexOf(QLatin1Char(':'), from);
    fields[3] = colon < 0 ? proxy.mid(from) : proxy.mid(from, colon - from);
    fields[kPort] = colon < 0 ? QString() : proxy.mid(colon + 1);
    return fields;
}

QString CSettingProxy::Join(const Fields& fields) {
    for (const QString& field : fields) {
        if (field.isEmpty()) {
            return {};
        }
    }
    return QStringList{fields[0], fields[1], fields[2], fields[3]}.join(QLatin1Char('.')) +
           QLatin1Char(':') + fields[kPort];
}

CSettingProxy::CSettingProxy(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("代理设置"), core)
    , initial_(Split(core.Settings().Proxy())) {}

void CSettingProxy::InitContent() {
    AddLabel(QRect(75, 42, 40, 34), QStringLiteral("地址:"));
    AddLabel(QRect(75, 80, 40, 34), QStringLiteral("端口:"));
    for (int i = 0; i < 5; ++i) {
        const bool port = i == kPort;
        const QRect geometry = port ? QRect(115, 80, 100, 34) : QRect(115 + i * 50, 42, 45, 34);
        QLineEdit* edit = AddEdit(geometry, QString());
        edit->setMaxLength(port ? 5 : 3);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        edit->setAlignment(Qt::AlignCenter);
        edits_[i] = edit;
        connect(edit, &QLineEdit::textChanged, this, [this, i] { LimitField(i); });
        // Filled after the limits are set, so a stored text that breaks them is shown cut
        // as typing it would have been.
        edit->setText(initial_[i].left(edit->maxLength()));
        if (i < 3) {
            AddLabel(QRect(geometry.right() + 1, 42, 5, 34), QStringLiteral("."))
                ->setAlignment(Qt::AlignCenter);
        }
    }
    connect(AddButton(125, 150, QStringLiteral("确定")), &QAbstractButton::clicked, this,
            &CSettingProxy::Save);
}

void CSettingProxy::LimitField(int field) {
    if (field == kPort) {
        CutAbove(edits_[field], 4, QStringLiteral("65535"));
    } else {
        CutAbove(edits_[field], 2, QStringLiteral("255"));
    }
}

void CSettingProxy::Save() {
    Fields fields;
    for (int i = 0; i < 5; ++i) {
        fields[i] = edits_[i]->text();
    }
    Core().SetProxy(Join(fields));
    Close();
}

} // namespace tamberlink
