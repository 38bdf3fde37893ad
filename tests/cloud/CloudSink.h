#pragma once

#include "app/UiSink.h"

#include <QRegularExpression>
#include <QStringList>

#include <string>

namespace tamberlink::test {

// Keeps every call of the cloud flows to the user interface as one text line.
class CloudSink : public UiSink {
public:
    void ShowTip(const QString& text) override { events << QStringLiteral("tip:") + text; }
    void ReloadContacts() override { events << QStringLiteral("reload"); }
    void ShowNewVersion(const std::string& num, const std::string& url) override {
        events << QStringLiteral("newVersion:%1|%2")
                      .arg(QString::fromStdString(num), QString::fromStdString(url));
    }
    void ShowNoNewVersion() override { events << QStringLiteral("noNewVersion"); }
    void ShowCodePicture(int form, const QString& path) override {
        events << QStringLiteral("picture:%1").arg(form);
        picture = path;
    }
    void ShowAccountResult(int result) override {
        events << QStringLiteral("result:%1").arg(result);
    }
    void ShowLoggedIn(const QString& account, const QString& name,
                      const QString& company) override {
        events << QStringLiteral("loggedIn:%1|%2|%3").arg(account, name, company);
    }
    void ShowLoggedOut() override { events << QStringLiteral("loggedOut"); }
    void ShowProgress() override { events << QStringLiteral("progress"); }
    void SetProgressText(const QString& text) override { events << QStringLiteral("text:") + text; }
    void EndProgress() override { events << QStringLiteral("endProgress"); }
    void CloseFeedback() override { events << QStringLiteral("closeFeedback"); }

    bool Has(const QString& event) const { return events.contains(event); }
    qsizetype Count(const QString& event) const { return events.count(event); }
    // The events that start with `prefix`, in order.
    QStringList Starting(const QString& prefix) const {
        return events.filter(
            QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(prefix)));
    }

    QStringList events;
    QString picture; // the last picture file shown
};

} // namespace tamberlink::test
