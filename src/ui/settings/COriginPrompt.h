#pragma once

#include "app/OriginConsent.h"
#include "ui/settings/CSettingBaseUI.h"

#include <cstdint>

class QLabel;

namespace tamberlink {

// "网页访问请求": a web page asks to use Tamberlink through the local API for one purpose.
// "允许" and "拒绝" answer for every page of its origin and that purpose, and the answer is
// remembered (the settings change it later); closing the prompt answers nothing, and the
// requests at hand are refused. A window of its own above the others, centred on the screen
// and not activated, so that typing meant for the page cannot answer it. The questions come
// one at a time; a prompt goes when nobody waits for its answer any more.
class COriginPrompt : public CSettingBaseUI {
    Q_OBJECT

public:
    explicit COriginPrompt(const OriginConsent::Question& question);
    ~COriginPrompt() override;

    // Shows the question, reusing a prompt open for it. Returns the prompt, or nullptr when
    // its skin cannot be loaded.
    static COriginPrompt* Ask(const OriginConsent::Question& question);
    // The prompt open for the question `id`, or for a question of `origin`; nullptr if none.
    static COriginPrompt* Find(std::uint64_t id);
    static COriginPrompt* Find(const QString& origin);
    // Closes every prompt, answering nothing.
    static void CloseAll();
    // "拨打电话", "发送短信", ...: what the page wants, as the question names it.
    static QString PurposeText(ApiPurpose purpose);

    QString Origin() const { return question_.origin; }
    QString QuestionText() const;

signals:
    void Answered(std::uint64_t question, bool allowed);
    void Dismissed(std::uint64_t question);

protected:
    void InitContent() override;
    void OnCloseClicked() override;

private:
    void Answer(bool allowed);

    OriginConsent::Question question_;
    QLabel* text_ = nullptr;
};

} // namespace tamberlink
