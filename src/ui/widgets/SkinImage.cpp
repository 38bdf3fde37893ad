#include "ui/widgets/SkinImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmapCache>
#include <QRegularExpression>

namespace tamberlink {

QString SkinFolder() {
    static const QString folder = [] {
        const QDir programDir(QCoreApplication::applicationDirPath());
        const QString beside = programDir.filePath(QStringLiteral("Res"));
        if (QFileInfo(beside).isDir()) {
            return beside;
        }
        return QDir::cleanPath(programDir.filePath(QStringLiteral("../share/tamberlink/Res")));
    }();
    return folder;
}

QPixmap SkinPicture(const QString& file) {
    if (file.isEmpty()) {
        return {};
    }
    const QString key = QStringLiteral("skin:") + file;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap.load(QDir(SkinFolder()).filePath(file));
        if (!pixmap.isNull()) {
            QPixmapCache::insert(key, pixmap);
        }
    }
    return pixmap;
}

void ForgetSkinPicture(const QString& file) {
    QPixmapCache::remove(QStringLiteral("skin:") + file);
}

namespace {

// "l,t,r,b" to a rectangle with exclusive right and bottom; a null rectangle when malformed.
QRect ParseRect(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return {};
    }
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) {
            return {};
        }
    }
    return QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1));
}

// Nine-slice drawing: corners at their size, edges stretched one way, centre both ways.
void DrawNineSlice(QPainter& painter, const QRect& target, const QPixmap& pixmap,
                   const QRect& source, const QMargins& c) {
    const int sx[4] = {source.left(), source.left() + c.left(), source.right() + 1 - c.right(),
                       source.right() + 1};
    const int sy[4] = {source.top(), source.top() + c.top(), source.bottom() + 1 - c.bottom(),
                       source.bottom() + 1};
    const int tx[4] = {target.left(), target.left() + c.left(), target.right() + 1 - c.right(),
                       target.right() + 1};
    const int ty[4] = {target.top(), target.top() + c.top(), target.bottom() + 1 - c.bottom(),
                       target.bottom() + 1};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRect from(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
            const QRect to(QPoint(tx[col], ty[row]), QPoint(tx[col + 1] - 1, ty[row + 1] - 1));
            if (from.isValid() && to.isValid()) {
                painter.drawPixmap(to, pixmap, from);
            }
        }
    }
}

} // namespace

SkinImage SkinImage::Parse(const QString& description) {
    SkinImage image;
    const QString text = description.trimmed();
    if (!text.contains(QLatin1Char('='))) {
        image.file = text;
        return image;
    }
    static const QRegularExpression attribute(QStringLiteral("(\\w+)\\s*=\\s*'([^']*)'"));
    for (auto it = attribute.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(1).toLower();
        const QString value = m.captured(2);
        if (name == QLatin1String("file")) {
            image.file = value;
        } else if (name == QLatin1String("dest")) {
            image.dest = ParseRect(value);
        } else if (name == QLatin1String("source")) {
            image.source = ParseRect(value);
        } else if (name == QLatin1String("corner")) {
            const QRect r = ParseRect(value);
            if (!r.isNull()) {
                // ParseRect made right and bottom exclusive; undo that for plain margins.
                image.corner = QMargins(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
            }
        }
    }
    return image;
}

void SkinImage::Draw(QPainter& painter, const QRect& target) const {
    const QPixmap pixmap = SkinPicture(file);
    if (pixmap.isNull() || !target.isValid()) {
        return;
    }
    const QRect from = source.isValid() ? source.intersected(pixmap.rect()) : pixmap.rect();
    const QRect to = dest.isValid() ? dest.translated(target.topLeft()) : target;
    if (from.isEmpty() || to.isEmpty()) {
        return;
    }
    if (!corner.isNull() && from.width() > corner.left() + corner.right() &&
        from.height() > corner.top() + corner.bottom()) {
        DrawNineSlice(painter, to, pixmap, from, corner);
        return;
    }
    painter.drawPixmap(to, pixmap, from);
}

} // namespace tamberlink
