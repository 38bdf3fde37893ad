#pragma once

#include "ui/widgets/WindowImplBase.h"

#include <QObject>
#include <QPointer>

#include <string>

namespace tamberlink {

class AppCore;
class CContactSync;
class CSettingFeedback;
class CSettingGrade;
class CSettingIP;
class CSettingNuisance;
class CStatsWindow;
class CSettingOrigins;
class CDoNotCallList;
class CSettingWebhooks;
class CSettingPrefix;
class CSettingProxy;
class CSettingQuery;
class CSettingUpdate;

// The settings dialogs of the main menu over the main window, each open at most once: a
// second request leaves the open one as it is. Once the program is closing nothing opens.
class SettingWindows : public QObject {
    Q_OBJECT

public:
    SettingWindows(QWidget* host, AppCore& core);

    // Each opens its dialog, or returns the one open (nullptr once the program is closing).
    // The extension or area code (CSettingPrefix::Mode).
    CSettingPrefix* OpenPrefix(int mode);
    CSettingIP* OpenIP();
    CSettingProxy* OpenProxy();
    CSettingQuery* OpenQuery();
    CSettingOrigins* OpenOrigins();
    CDoNotCallList* OpenDoNotCall();
    CSettingNuisance* OpenNuisance();
    // "统计": the call log's figures.
    CStatsWindow* OpenStats();
    CSettingWebhooks* OpenWebhooks();
    CContactSync* OpenContactSync();
    CSettingUpdate* OpenUpdate();
    CSettingFeedback* OpenFeedback();
    CSettingGrade* OpenGrade();

    // The version check's answer, shown in "版本更新" (opened for it).
    void ShowVersion(bool newer, const std::string& num = {}, const std::string& url = {});
    // The feedback has been taken.
    void CloseFeedback();
    // The firmware upgrade's progress in its window; false when that window is not open.
    bool ShowUpgradeStatus(const QString& text);

    void Stop() { stopped_ = true; }

private:
    // Opens a T titled `title` unless `tracked` is open; returns the open one.
    template <class T, class... Args>
    T* Open(QPointer<T>& tracked, const QString& title, Args&&... args);

    QWidget* host_;
    AppCore& core_;
    QPointer<CSettingPrefix> prefix_;
    QPointer<CSettingIP> ip_;
    QPointer<CSettingProxy> proxy_;
    QPointer<CSettingQuery> query_;
    QPointer<CSettingOrigins> origins_;
    QPointer<CDoNotCallList> doNotCall_;
    QPointer<CSettingNuisance> nuisance_;
    QPointer<CStatsWindow> stats_;
    QPointer<CSettingWebhooks> webhooks_;
    QPointer<CContactSync> contactSync_;
    QPointer<CSettingUpdate> update_;
    QPointer<CSettingFeedback> feedback_;
    QPointer<CSettingGrade> grade_;
    bool stopped_ = false;
};

} // namespace tamberlink
