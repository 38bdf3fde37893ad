#pragma once

#include <QMargins>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// The folder that holds the skins, the stylesheet and the pictures: "Res" beside the
// program, or the installed share/tamberlink/Res.
QString SkinFolder();

// A picture of the skin folder, loaded once and kept in the pixmap cache. A null pixmap
// when the file is missing or unreadable.
QPixmap SkinPicture(const QString& file);
// Drops a picture from the cache, so that a file written anew is read again.
void ForgetSkinPicture(const QString& file);

// A picture as skins and code describe it: a bare file name ("bgHead.png") or attributes
// "file='x.png' dest='l,t,r,b' source='l,t,r,b' corner='l,t,r,b'". `dest` places the
// picture inside the control (right and bottom exclusive), `source` takes a part of the
// picture (frames of a strip), `corner` keeps that many pixels of each edge unstretched.
struct SkinImage {
    QString file;
    QRect dest;
    QRect source;
    QMargins corner;

    static SkinImage Parse(const QString& description);
    bool IsEmpty() const { return file.isEmpty(); }

    // Draws into `target`, the control's rectangle; an empty picture draws nothing.
    void Draw(QPainter& painter, const QRect& target) const;
};

} // namespace tamberlink
