#include "ui/widgets/SkinForm.h"

#include <QEvent>
#include <QPointer>
#include <QFrame>
#include <QVBoxLayout>

#include <map>
#include <vector>

namespace tamberlink {

namespace {

// Keeps the controls of one container that name the container's edges they hold to in their
// "anchors" property ("right", "left,right", "top,bottom", ...; left and top when none is
// named in a direction) at their distance from those edges as the container is resized: a
// control held to both edges of a direction grows with the container, one held to the right
// or bottom alone moves with that edge.
class Anchors : public QObject {
public:
    explicit Anchors(QWidget* container)
        : QObject(container)
        , base_(container->size()) {
        container->installEventFilter(this);
    }

    void Add(QWidget* control, const QString& edges) {
        const QStringList names = edges.split(u',', Qt::SkipEmptyParts);
        const auto has = [&names](const char* edge) {
            return names.contains(QLatin1String(edge), Qt::CaseInsensitive);
        };
        Anchored anchored{control,      control->geometry(), has("left"),
                          has("right"), has("top"),          has("bottom")};
        anchored.left = anchored.left || !anchored.right;
        anchored.top = anchored.top || !anchored.bottom;
        anchored_.push_back(anchored);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            const QSize size = static_cast<QWidget*>(watched)->size();
            const int dx = size.width() - base_.width();
            const int dy = size.height() - base_.height();
            for (const Anchored& a : anchored_) {
                if (a.control == nullptr) {
                    continue;
                }
                QRect geometry = a.geometry;
                geometry.setRight(geometry.right() + (a.right ? dx : 0));
                geometry.setLeft(geometry.left() + (a.left ? 0 : dx));
                geometry.setBottom(geometry.bottom() + (a.bottom ? dy : 0));
                geometry.setTop(geometry.top() + (a.top ? 0 : dy));
                a.control->setGeometry(geometry);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct Anchored {
        QPointer<QWidget> control;
        QRect geometry; // at the container's size in the skin
        bool left, right, top, bottom;
    };

    QSize base_;
    std::vector<Anchored> anchored_;
};

}

namespace SkinForm {

void Anchor(QWidget* form) {
    std::map<QWidget*, Anchors*> containers;
    for (QWidget* control : form->findChildren<QWidget*>()) {
        const QString edges = control->property("anchors").toString();
        if (edges.isEmpty() || control->parentWidget() == nullptr) {
            continue;
        }
        Anchors*& anchors = containers[control->parentWidget()];
        if (anchors == nullptr) {
            anchors = new Anchors(control->parentWidget());
        }
        anchors->Add(control, edges);
    }
}

QFrame* Frame(QWidget* host) {
    auto* frame = new QFrame(host);
    auto* layout = host->layout();
    if (layout == nullptr) {
        layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    layout->addWidget(frame);
    return frame;
}

} // namespace SkinForm

} // namespace tamberlink
