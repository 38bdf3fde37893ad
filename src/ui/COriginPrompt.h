#pragma once

#include "localapi/ApiHost.h"
#include "ui/CSettingBaseUI.h"

class QLabel;

namespace tamberlink {

// "网页访问请求": a web page asks to use Tamberlink through the local API. "允许" and
// "拒绝" answer for every page of its origin, and the answer is remembered (the settings
// change it later); closing the prompt answers nothing, and the request at hand is refused.
// A window of its own above the others, centred on the screen and not activated, so that
// typing meant for the page cannot answer it; one per origin.
class COriginPrompt : public CSettingBaseUI {
    Q_OBJECT

public:
    COriginPrompt(const QString& origin, ApiPurpose purpose);
    ~COriginPrompt() override;

    // Shows the question for `origin`, reusing a prompt open for it. Returns the prompt, or
    // nullptr when its skin cannot be loaded.
    static COriginPrompt* Ask(const QString& origin, ApiPurpose purpose);
    // The prompt open for `origin`, or nullptr.
    static COriginPrompt* Find(const QString& origin);
    // Closes every prompt, answering nothing.
    static void CloseAll();
    // "拨打电话", "发送短信", ...: what the page wants, as the question names it.
    static QString PurposeText(ApiPurpose purpose);

    QString Origin() const { return origin_; }
    QString QuestionText() const;

    QString GetWindowClassName() const override { return QStringLiteral("COriginPrompt"); }

signals:
    void Answered(const QString& origin, bool allowed);
    void Dismissed(const QString& origin);

protected:
    void InitWindow() override;
    void OnCloseClicked() override;

private:
    void Answer(bool allowed);

    QString origin_;
    ApiPurpose purpose_;
    QLabel* question_ = nullptr;
};

} // namespace tamberlink
