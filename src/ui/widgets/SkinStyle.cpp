#include "ui/widgets/SkinStyle.h"

#include "ui/widgets/SkinImage.h"
#include "ui/widgets/UiLog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>

namespace tamberlink {

bool ApplySkinStyle(QApplication& app) {
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Droid Sans Fallback"), QStringLiteral("sans-serif")});
    font.setPixelSize(13);
    QApplication::setFont(font);

    QFile file(QDir(SkinFolder()).filePath(QStringLiteral("style.qss")));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcUi) << "cannot read" << file.fileName();
        return false;
    }
    QString sheet = QString::fromUtf8(file.readAll());
    sheet.replace(QStringLiteral("@RES@"), QDir(SkinFolder()).absolutePath());
    app.setStyleSheet(sheet);
    return true;
}

} // namespace tamberlink
