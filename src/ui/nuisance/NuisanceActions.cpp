#include "ui/nuisance/NuisanceActions.h"

#include "app/AppCore.h"

namespace tamberlink::nuisance_actions {
namespace {

// One number by name, or how many.
QString Numbers(const QStringList& done) {
    return done.size() == 1 ? done.front() : QStringLiteral("%1 个号码").arg(done.size());
}

// The notice of an action over `numbers`: what was done, then the first refusal.
template <class Act>
int ActOn(AppCore& core, const QStringList& numbers, Act act, const QString& doneText) {
    QStringList done;
    QString refusal;
    for (const QString& number : numbers) {
        if (number.trimmed().isEmpty() || done.contains(number)) {
            continue;
        }
        const NuisanceEdit edit = act(number);
        if (edit.Ok()) {
            done << number;
        } else if (refusal.isEmpty()) {
            refusal = QStringLiteral("%1：%2").arg(number, edit.error);
        }
    }
    QStringList notice;
    if (!done.isEmpty()) {
        notice << doneText.arg(Numbers(done));
    }
    if (!refusal.isEmpty()) {
        notice << refusal;
    }
    if (!notice.isEmpty()) {
        core.ShowTip(notice.join(u'\n'));
    }
    return int(done.size());
}

} // namespace

int BlockCallers(AppCore& core, const QStringList& numbers, const QString& label) {
    const QString name = label.trimmed().isEmpty() ? DefaultLabel() : label;
    return ActOn(
        core, numbers,
        [&core, &name](const QString& number) {
            return core.Nuisance().BlockNumber(number, name, NuisanceAction::Reject);
        },
        QStringLiteral("已拦截 %1，以后的来电将被自动挂断"));
}

int MarkNotNuisance(AppCore& core, const QStringList& numbers) {
    return ActOn(
        core, numbers,
        [&core](const QString& number) {
            return core.Nuisance().AddToWhitelist(number, QStringLiteral("不是骚扰"));
        },
        QStringLiteral("已把 %1 加入白名单，以后总是正常来电"));
}

} // namespace tamberlink::nuisance_actions
