#pragma once

#include "app/AppConfig.h"
#include "app/AppCore.h"
#include "app/BoxLink.h"
#include "app/UiSink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace tamberlink::test {

inline QString BuiltDataFolder() {
    return QString::fromUtf8(TAMBERLINK_BIN_DIR "/Data");
}

// A core's configuration for tests: files under `documents`, the local API on any free port,
// and a cloud service on a closed local port, so that the start-up version check never leaves
// the machine.
inline AppConfig TestConfig(const QString& documents, const QString& dataFolder) {
    return AppConfig{documents, dataFolder, 0, QStringLiteral("http://127.0.0.1:9/"),
                     documents + QStringLiteral("/cookies")};
}

// Runs the event loop until `done` holds or the deadline passes; returns `done()`.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

// Records what the core asked of the user interface, and on which thread.
class RecordingSink : public UiSink {
public:
    void ShowTip(const QString& text) override { Record(QStringLiteral("tip:") + text); }
    void SetRecordingAnimation(bool playing) override {
        Record(QStringLiteral("animation:") + QString::number(playing));
    }
    void ReloadContacts() override { Record(QStringLiteral("ReloadContacts")); }
    // Records the question, "ask:ORIGIN:PURPOSE"; the test answers it through the core with
    // the id TakeQuestion gives.
    bool AskOriginConsent(const OriginConsent::Question& question) override {
        {
            std::lock_guard lock(mutex_);
            questions_.push_back(question);
        }
        Record(QStringLiteral("ask:%1:%2").arg(question.origin).arg(int(question.purpose)));
        return true;
    }
    void CloseOriginQuestion(std::uint64_t question) override {
        {
            std::lock_guard lock(mutex_);
            std::erase_if(questions_, [&](const auto& q) { return q.id == question; });
        }
        Record(QStringLiteral("closed:%1").arg(question));
    }
    void OfferDial(const QString& number) override {
        Record(QStringLiteral("offer-dial:") + number);
    }
    void OfferSms(const QStringList& numbers, const QString& content) override {
        Record(QStringLiteral("offer-sms:%1:%2").arg(numbers.join(u','), content));
    }
    // Records "confirm:QUESTION"; AcceptConfirmation says yes to the last one.
    void ConfirmRequest(const QString& question, std::function<void()> accept) override {
        {
            std::lock_guard lock(mutex_);
            accept_ = std::move(accept);
        }
        Record(QStringLiteral("confirm:") + question);
    }
    void AcceptConfirmation() {
        std::function<void()> accept;
        {
            std::lock_guard lock(mutex_);
            accept = std::exchange(accept_, nullptr);
        }
        if (accept) {
            accept();
        }
    }
    // The questions put and neither taken nor closed since.
    std::size_t OpenQuestions() const {
        std::lock_guard lock(mutex_);
        return questions_.size();
    }
    // The id of the open question for `origin` and `purpose`, taken off the list to be
    // answered; 0 when there is none.
    std::uint64_t TakeQuestion(const QString& origin, ApiPurpose purpose) {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(questions_.begin(), questions_.end(), [&](const auto& q) {
            return q.origin == origin && q.purpose == purpose;
        });
        if (it == questions_.end()) {
            return 0;
        }
        const std::uint64_t id = it->id;
        questions_.erase(it);
        return id;
    }

    // Records the table changes `core` announces by signal as well.
    void Follow(AppCore& core) {
        QObject::connect(&core, &AppCore::CallLogChanged, &core,
                         [this] { Record(QStringLiteral("ReloadCallLog")); });
        QObject::connect(&core, &AppCore::ContactsChanged, &core,
                         [this] { Record(QStringLiteral("ReloadContacts")); });
        QObject::connect(&core, &AppCore::ContactsAdded, &core,
                         [this](const std::vector<ContactRecord>& contacts) {
                             QStringList phones;
                             for (const ContactRecord& contact : contacts) {
                                 phones << contact.phone;
                             }
                             Record(QStringLiteral("added:") + phones.join(u','));
                         });
        QObject::connect(&core, &AppCore::NoteListChanged, &core,
                         [this] { Record(QStringLiteral("ReloadNoteList")); });
        QObject::connect(&core, &AppCore::CallLogRowsChanged, &core,
                         [this](const std::vector<int>& ids) {
                             Record(QStringLiteral("CallLogRows:") + Ids(ids));
                         });
        QObject::connect(&core, &AppCore::NoteRowsChanged, &core,
                         [this](const std::vector<int>& ids) {
                             Record(QStringLiteral("NoteRows:") + Ids(ids));
                         });
        QObject::connect(&core, &AppCore::NoteReminderDue, &core, [this](int noteId) {
            Record(QStringLiteral("reminder:") + QString::number(noteId));
        });
        QObject::connect(&core, &AppCore::SmsListChanged, &core,
                         [this] { Record(QStringLiteral("ReloadSmsList")); });
        QObject::connect(&core, &AppCore::TemplateListChanged, &core,
                         [this] { Record(QStringLiteral("ReloadTemplateList")); });
    }

    QStringList Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    bool AllOnUiThread() const {
        std::lock_guard lock(mutex_);
        return offUiThread_ == 0;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

    static QString Ids(const std::vector<int>& ids) {
        QStringList texts;
        for (int id : ids) {
            texts << QString::number(id);
        }
        return texts.join(u',');
    }

private:
    void Record(const QString& event) {
        std::lock_guard lock(mutex_);
        events_ << event;
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            ++offUiThread_;
        }
    }

    mutable std::mutex mutex_;
    QStringList events_;
    std::vector<OriginConsent::Question> questions_;
    std::function<void()> accept_;
    int offUiThread_ = 0;
};

// A telephone box that keeps every frame written to it.
class FakeBox : public BoxLink {
public:
    bool IsConnected() const override { return connected; }
    bool Write(const QByteArray& frame) override {
        frames.push_back(frame.toHex(' ').toUpper());
        return connected;
    }

    bool connected = true;
    std::vector<QByteArray> frames;
};

} // namespace tamberlink::test
