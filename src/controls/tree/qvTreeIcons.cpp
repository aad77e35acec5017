#include "controls/tree/qvTreeIcons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace qv
{

namespace
{

constexpr int Size = 16;

QPixmap fromStyle(QStyle::StandardPixmap which)
{
    return QApplication::style()->standardIcon(which).pixmap(Size, Size);
}

QPixmap blank()
{
    QPixmap p(Size, Size);
    p.fill(Qt::transparent);
    return p;
}

QPixmap composed(const QPixmap &under, const QPixmap &over, qreal overOpacity = 1.0)
{
    QPixmap p = blank();
    QPainter painter(&p);
    painter.drawPixmap(0, 0, under.scaled(Size, Size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    painter.setOpacity(overOpacity);
    painter.drawPixmap(0, 0, over.scaled(Size, Size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return p;
}

// The share overlay: a small hand-like mark in the lower left corner.
QPixmap shareOverlay()
{
    QPixmap p = blank();
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 140), 1));
    painter.setBrush(QColor(90, 140, 230));
    painter.drawEllipse(QRectF(0.5, 9.5, 6, 6));
    return p;
}

const QHash<QString, QIcon> &icons()
{
    static QHash<QString, QIcon> all;
    if (!all.isEmpty())
        return all;
    const QPixmap closed = fromStyle(QStyle::SP_DirClosedIcon);
    const QPixmap open = fromStyle(QStyle::SP_DirOpenIcon);
    const QPixmap hidden = composed(blank(), closed, 0.5);
    const QPixmap share = shareOverlay();
    auto put = [](const QString &k, const QPixmap &p) { all.insert(k, QIcon(p)); };
    put("diskett", fromStyle(QStyle::SP_DriveFDIcon));
    put("harddisk", fromStyle(QStyle::SP_DriveHDIcon));
    put("nettverk", fromStyle(QStyle::SP_DriveNetIcon));
    put("cdrom", fromStyle(QStyle::SP_DriveCDIcon));
    put("ramdisk", composed(fromStyle(QStyle::SP_DriveHDIcon), fromStyle(QStyle::SP_BrowserReload), 0.6));
    put("bosskorg", fromStyle(QStyle::SP_TrashIcon));
    put("OpenFolder", open);
    put("ClosedFolder", closed);
    put("ukjent", fromStyle(QStyle::SP_MessageBoxQuestion));
    put("stasjoner", fromStyle(QStyle::SP_ComputerIcon));
    put("skrivebord", fromStyle(QStyle::SP_DesktopIcon));
    put("delt", share);
    put("HiddenClosed", hidden);
    put("HiddenOpen", hidden); // a hidden folder looks the same open or closed
    put("SharedClosed", composed(closed, share));
    put("SharedOpen", composed(open, share));
    put("SharedHiddenClosed", composed(hidden, share));
    put("SharedHiddenOpen", composed(hidden, share));
    return all;
}

} // namespace

QIcon qvTreeIcon(const QString &imageKey)
{
    return icons().value(imageKey);
}

} // namespace qv
