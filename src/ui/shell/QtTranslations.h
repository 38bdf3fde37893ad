#pragma once

#include <QLocale>
#include <QTranslator>

#include <memory>
#include <vector>

namespace tamberlink {

// Qt's own texts in the user's language: the file dialogs, the edit menu of every text box,
// the buttons of Qt's message boxes. They come from Qt's translation files (Debian's
// qt6-translations-l10n) and stay installed while this object lives.
class QtTranslations {
public:
    explicit QtTranslations(const QLocale& locale = QLocale::system());
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // Whether Qt's translation of its base texts was found for the locale.
    bool Loaded() const { return !translators_.empty(); }

private:
    std::vector<std::unique_ptr<QTranslator>> translators_;
};

} // namespace tamberlink
