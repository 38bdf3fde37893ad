#include "ui/shell/QtTranslations.h"

#include "ui/widgets/UiLog.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tamberlink {

QtTranslations::QtTranslations(const QLocale& locale) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // The widgets' texts, then those of the multimedia player the recordings play in.
    for (const char* catalog : {"qtbase", "qtmultimedia"}) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(locale, QString::fromLatin1(catalog), QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator.get())) {
            translators_.push_back(std::move(translator));
        } else if (translators_.empty()) {
            qCDebug(lcUi) << "no Qt translation for" << locale.name() << "in" << folder;
            return;
        }
    }
}

QtTranslations::~QtTranslations() {
    for (const auto& translator : translators_) {
        QCoreApplication::removeTranslator(translator.get());
    }
}

} // namespace tamberlink
