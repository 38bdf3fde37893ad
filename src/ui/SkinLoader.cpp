#include "ui/SkinLoader.h"

#include "ui/CButtonUI.h"
#include "ui/COptionUI.h"
#include "ui/SkinImage.h"
#include "ui/UiLog.h"

#include <QDir>
#include <QFile>
#include <QUiLoader>
#include <QVBoxLayout>

namespace tamberlink {

namespace {

class Loader : public QUiLoader {
public:
    explicit Loader(const SkinLoader::ControlFactory& createControl)
        : createControl_(createControl) {}

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* widget = nullptr;
        if (createControl_) {
            widget = createControl_(className, parent);
        }
        if (widget == nullptr) {
            if (className == QLatin1String("CButtonUI")) {
                widget = new CButtonUI(parent);
            } else if (className == QLatin1String("COptionUI")) {
                widget = new COptionUI(parent);
            } else if (availableWidgets().contains(className)) {
                return QUiLoader::createWidget(className, parent, name);
            } else {
                qCDebug(lcUi) << "no control class" << className << "for" << name;
                widget = new QWidget(parent);
            }
        }
        widget->setObjectName(name);
        return widget;
    }

private:
    const SkinLoader::ControlFactory& createControl_;
};

} // namespace

QWidget* SkinLoader::Load(const QString& skinFile, QWidget* parent,
                          const ControlFactory& createControl) {
    QFile file(QDir(SkinFolder()).filePath(skinFile));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcUi) << "cannot open skin" << file.fileName();
        return nullptr;
    }
    Loader loader(createControl);
    loader.setWorkingDirectory(QDir(SkinFolder()));
    QWidget* form = loader.load(&file, parent);
    if (form == nullptr) {
        qCWarning(lcUi) << "cannot load skin" << skinFile << loader.errorString();
        return nullptr;
    }
    if (parent != nullptr) {
        auto* layout = parent->layout();
        if (layout == nullptr) {
            layout = new QVBoxLayout(parent);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
        }
        layout->addWidget(form);
    }
    return form;
}

} // namespace tamberlink
