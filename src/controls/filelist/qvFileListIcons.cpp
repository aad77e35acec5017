#include "controls/filelist/qvFileListIcons.h"

#include "controls/filelist/qvFileListFormat.h"
#include "platform/paths/WinPath.h"

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>

namespace qv::qvFileListIcons
{

QString keyFor(const QString &fullPath, const QString &typeText, bool isFolder)
{
    static const QStringList own = {"EXE", "ICO", "CUR", "LNK", "SCF", "SCR",
                                    "MSC", "ANI", "PIF", "URL", "ZIP"};
    const QString ext = qvFileListFormat::extensionOf(qv::WinPath(fullPath).fileName());
    if (isFolder || ext.isEmpty() || own.contains(ext) || typeText == QLatin1String("Filmappe"))
        return u'%' + fullPath.toLower();
    return u'#' + ext + u'#';
}

namespace
{

QIcon typeIcon(const QString &fullPath, bool isFolder)
{
    static const QFileIconProvider provider;
    if (isFolder)
        return provider.icon(QAbstractFileIconProvider::Folder);
    static const QMimeDatabase db;
    const QString name = qv::WinPath(fullPath).fileName();
    const QMimeType type = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon;
    if (type.isValid()) {
        icon = QIcon::fromTheme(type.iconName());
        if (icon.isNull())
            icon = QIcon::fromTheme(type.genericIconName());
    }
    return icon.isNull() ? provider.icon(QAbstractFileIconProvider::File) : icon;
}

QPixmap drawn(const QIcon &icon, int size, bool dimmed, bool isLink)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (dimmed)
        p.setOpacity(0.5);
    icon.paint(&p, QRect(0, 0, size, size));
    p.setOpacity(1.0);
    if (isLink) {
        // The shortcut arrow in the lower left corner.
        const int s = size / 2;
        const QRectF box(0, size - s, s, s);
        p.fillRect(box, Qt::white);
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        QPainterPath arrow;
        arrow.moveTo(box.left() + s * 0.25, box.bottom() - s * 0.2);
        arrow.quadTo(box.left() + s * 0.3, box.top() + s * 0.35, box.right() - s * 0.25, box.top() + s * 0.3);
        p.setPen(QPen(QColor(0, 0, 160), std::max(1.0, s / 6.0)));
        p.drawPath(arrow);
    }
    return pm;
}

} // namespace

Pair iconsFor(const QString &fullPath, bool isFolder, bool dimmed, bool isLink)
{
    const QIcon base = typeIcon(fullPath, isFolder);
    return {QIcon(drawn(base, 16, dimmed, isLink)), QIcon(drawn(base, 32, dimmed, isLink))};
}

} // namespace qv::qvFileListIcons
