#include "ui/settings/CSettingWebhooks.h"

#include "app/AppCore.h"
#include "ui/settings/WebhookListModel.h"
#include "ui/widgets/Controls.h"

#include <QDateTime>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>

namespace tamberlink {
namespace {

QString StateName(DeliveryState state) {
    switch (state) {
    case DeliveryState::Queued:
        return QStringLiteral("排队");
    case DeliveryState::Delivered:
        return QStringLiteral("已送达");
    case DeliveryState::Failed:
        return QStringLiteral("失败");
    }
    return {};
}

constexpr int kButtonWidth = 64;

} // namespace

CSettingWebhooks::CSettingWebhooks(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("Webhooks"), core) {}

void CSettingWebhooks::InitContent() {
    url_ = AddEdit(QRect(10, 6, 268, 28), QString());
    url_->setObjectName(QStringLiteral("EditWebhookUrl"));
    url_->setPlaceholderText(QStringLiteral("https://..."));
    QAbstractButton* add = AddButton(284, 2, QStringLiteral("添加"));
    add->resize(kButtonWidth, add->height());
    connect(add, &QAbstractButton::clicked, this, &CSettingWebhooks::Add);
    connect(url_, &QLineEdit::returnPressed, this, &CSettingWebhooks::Add);

    list_ = new QListView(Content());
    list_->setObjectName(QStringLiteral("ListWebhooks"));
    SetFloat(list_, Content(), QRect(10, 40, 338, 108));
    model_ = new WebhookListModel(list_);
    delegate_ = ShowRows<WebhookListDelegate>(*list_, *model_);
    connect(delegate_, &WebhookListDelegate::ButtonReleased, this, [this](int row, int) {
        if (model_->IsEntryRow(row)) {
            model_->SetChecked(row, !model_->IsChecked(row));
        }
    });
    log_ = new QPlainTextEdit(Content());
    log_->setObjectName(QStringLiteral("WebhookLog"));
    log_->setReadOnly(true);
    SetFloat(log_, Content(), QRect(10, 40, 338, 108));
    log_->hide();

    // An edit, so that a secret longer than the line can be scrolled, selected and copied.
    message_ = new QLineEdit(Content());
    message_->setObjectName(QStringLiteral("WebhookMessage"));
    message_->setReadOnly(true);
    message_->setFrame(false);
    SetFloat(message_, Content(), QRect(10, 150, 338, 22));

    const std::pair<QString, std::function<void()>> buttons[] = {
        {QStringLiteral("暂停"),
         [this] {
             SetPaused(true);
         }},
        {QStringLiteral("恢复"),
         [this] {
             SetPaused(false);
         }},
        {QStringLiteral("新密钥"),
         [this] {
             ChangeSecret();
         }},
        {QStringLiteral("删除"),
         [this] {
             RemoveChecked();
         }},
    };
    int x = 10;
    for (const auto& [text, action] : buttons) {
        QAbstractButton* button = AddButton(x, 176, text);
        button->resize(kButtonWidth, button->height());
        connect(button, &QAbstractButton::clicked, this, action);
        listButtons_ << button;
        x += kButtonWidth + 4;
    }
    logButton_ = AddButton(x, 176, QStringLiteral("记录"));
    logButton_->resize(kButtonWidth, logButton_->height());
    connect(logButton_, &QAbstractButton::clicked, this, &CSettingWebhooks::ToggleLog);
    redeliver_ = AddButton(10, 176, QStringLiteral("重发"));
    redeliver_->resize(kButtonWidth, redeliver_->height());
    redeliver_->hide();
    connect(redeliver_, &QAbstractButton::clicked, this, &CSettingWebhooks::Redeliver);
    Reload();
}

QString CSettingWebhooks::Message() const {
    return message_->text();
}

QString CSettingWebhooks::LogText() const {
    return logOf_ != 0 ? log_->toPlainText() : QString();
}

void CSettingWebhooks::Reload() {
    const std::vector<int> checked = model_->IdsOf(model_->CheckedRows());
    model_->Load(Core().Webhooks().Endpoints());
    for (int row = 0; row < model_->EntryCount(); ++row) {
        if (std::find(checked.begin(), checked.end(), model_->Entry(row)->id) != checked.end()) {
            model_->SetChecked(row, true);
        }
    }
}

void CSettingWebhooks::Add() {
    const WebhookService::Added added = Core().Webhooks().AddEndpoint(url_->text(), {});
    if (added.id == 0) {
        message_->setText(added.error);
        return;
    }
    url_->clear();
    message_->setText(QStringLiteral("密钥（只显示这一次）：") + added.secret);
    Reload();
}

int CSettingWebhooks::FirstChecked() {
    const std::vector<int> ids = model_->IdsOf(model_->CheckedRows());
    if (ids.empty()) {
        message_->setText(QStringLiteral("请先勾选一个Webhook"));
        return 0;
    }
    return ids.front();
}

void CSettingWebhooks::SetPaused(bool paused) {
    for (int id : model_->IdsOf(model_->CheckedRows())) {
        if (paused) {
            Core().Webhooks().Pause(id);
        } else {
            Core().Webhooks().Resume(id);
        }
    }
    Reload();
}

void CSettingWebhooks::ChangeSecret() {
    if (const int id = FirstChecked()) {
        const QString secret = Core().Webhooks().NewSecret(id);
        message_->setText(secret.isEmpty() ? QStringLiteral("新密钥未能保存")
                                           : QStringLiteral("新密钥（只显示这一次）：") + secret);
    }
}

void CSettingWebhooks::RemoveChecked() {
    const std::vector<int> ids = model_->IdsOf(model_->CheckedRows());
    model_->SetAllChecked(false);
    for (int id : ids) {
        Core().Webhooks().RemoveEndpoint(id);
    }
    Reload();
}

void CSettingWebhooks::ToggleLog() {
    if (logOf_ != 0) {
        logOf_ = 0;
        log_->hide();
        redeliver_->hide();
        list_->show();
        for (QAbstractButton* button : listButtons_) {
            button->show();
        }
        logButton_->setText(QStringLiteral("记录"));
        Reload();
        return;
    }
    if (const int id = FirstChecked()) {
        logOf_ = id;
        list_->hide();
        for (QAbstractButton* button : listButtons_) {
            button->hide();
        }
        log_->show();
        redeliver_->show();
        logButton_->setText(QStringLiteral("返回"));
        ShowLog(id);
    }
}

void CSettingWebhooks::ShowLog(int id) {
    QStringList lines;
    for (const WebhookDeliveryRecord& record : Core().Webhooks().DeliveryLog(id)) {
        lines << QStringLiteral("%1  %2 #%3  %4  HTTP %5  %6次  %7")
                     .arg(QDateTime::fromSecsSinceEpoch(record.updated)
                              .toString(QStringLiteral("MM-dd HH:mm:ss")),
                          record.eventType)
                     .arg(record.eventId)
                     .arg(StateName(record.state))
                     .arg(record.status)
                     .arg(record.attempts)
                     .arg(record.reply);
    }
    log_->setPlainText(lines.isEmpty() ? QStringLiteral("还没有发送记录") : lines.join(u'\n'));
}

void CSettingWebhooks::Redeliver() {
    int count = 0;
    const std::vector<WebhookDeliveryRecord> log = Core().Webhooks().DeliveryLog(logOf_);
    // Oldest first, so that they go out in the order of their events.
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        if (it->state == DeliveryState::Failed && Core().Webhooks().Redeliver(it->id)) {
            ++count;
        }
    }
    message_->setText(QStringLiteral("已重新排队%1条失败的发送").arg(count));
    ShowLog(logOf_);
}

} // namespace tamberlink
