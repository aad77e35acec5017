// Filling the file list: manual rows, the folder listing, icons, the re-read of rows
// and the automatic update.
#include "controls/filelist/qvFileList.h"

#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListIcons.h"
#include "controls/filelist/qvFileListModel.h"
#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"
#include "platform/system/ChangeWatch.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QSet>
#include <QTimer>
#include <QTreeView>
#include <optional>

namespace qv
{

using namespace qvFileListFormat;
using qv::qvKontrollerFelles::ToQColor;
using qv::qvKontrollerFelles::TranslateColor;

namespace
{

constexpr int DeferIconsAbove = 400;

bool isDots(const QString &n)
{
    return n == QLatin1String(".") || n == QLatin1String("..");
}

// The directory entry of one path, as a listing of its folder gives it.
std::optional<qv::DirEntry> entryOf(const QString &fullPath)
{
    const qv::WinPath path(fullPath);
    const QString folder = path.parent().text(), name = path.fileName();
    if (folder.isEmpty() || name.isEmpty())
        return std::nullopt;
    std::optional<qv::DirEntry> found;
    qv::forEachDirEntry(folder, name, [&](const qv::DirEntry &e) {
        if (e.name.compare(name, Qt::CaseInsensitive) != 0)
            return true;
        found = e;
        return e.name != name; // an exact match ends the search
    });
    return found;
}

// The last-write time of a path itself (UTC); invalid when it has none.
QDateTime fileDateOf(const QString &windowsPath)
{
    const std::optional<QString> host = qv::DriveTable::current().toHost(windowsPath);
    if (!host)
        return {};
    const QFileInfo info(*host);
    return info.exists() ? info.lastModified().toUTC() : QDateTime();
}

bool shownByAttributes(quint32 a, bool showHidden, bool showSystem)
{
    if (a & qv::Attr::System)
        return showSystem;
    if (a & qv::Attr::Hidden)
        return showHidden;
    return true;
}

} // namespace

QColor qvFileList::rowColor(const QString &attr, qint64 itemColor) const
{
    if (attr.contains(u'h'))
        return ToQColor(HiddenRowColor);
    if (itemColor == NoColor)
        return {};
    return ToQColor(TranslateColor(OleColor(itemColor), palette()));
}

// One row from a directory entry; without an entry, a folder that could not be read.
void qvFileList::appendRow(const QString &fullPath, const qv::DirEntry *e, qint64 itemColor)
{
    const quint32 attributes = e ? e->attributes : quint32(qv::Attr::Directory);
    const bool folder = attributes & qv::Attr::Directory;
    qvFileListModel::Row r;
    r.tag = fullPath;
    r.text = shownText(fullPath);
    r.sub[0] =
        folder && !m_showFileType ? QStringLiteral("Mappe") : typeText(fullPath, folder, m_showFileType);
    r.sub[1] = folder ? QString() : sizeText(e->size, m_fileDecimals);
    r.sub[2] = timeText(e ? e->lastWriteUtc : QDateTime());
    r.sub[3] = attributeText(attributes);
    r.color = rowColor(r.sub[3], itemColor);
    r.dimmed = attributes & qv::Attr::Hidden;
    r.link = e && e->isLink;
    m_model->append(std::move(r));
}

// ---- manual filling

void qvFileList::Clear()
{
    m_tmr2->stop();
    m_dropHighlight = 0;
    m_model->clear();
}

bool qvFileList::AddItem(const QString &sFilnavn, const QString &sEgen, const QString &sStorrelse,
                         const QString &sDato, const QString &sAttr, qint64 lItemColor)
{
    // The rows come in the caller's order: no column claims to sort them.
    if (m_sorted || arrowColumn() >= 0)
        hideSortArrow();
    m_sorted = false;
    qvFileListModel::Row r;
    r.text = shownText(sFilnavn);
    r.tag = sFilnavn;
    r.sub[0] = sEgen;
    r.sub[1] = sStorrelse;
    r.sub[2] = sDato;
    r.sub[3] = sAttr;
    r.color = rowColor(sAttr, lItemColor);
    r.dimmed = sAttr.contains(u'h');
    m_model->append(std::move(r));
    return false;
}

void qvFileList::AddFile(const QString &sFile, int lIndex, bool AutoRefresh, qint64 lItemColor)
{
    Q_UNUSED(lIndex); // rows are always appended; the sort places them
    try {
        const std::optional<qv::DirEntry> e = entryOf(sFile);
        if (!e)
            return;
        appendRow(sFile, &*e, lItemColor);
        placeNewRow();
        if (AutoRefresh && m_loadFileIcons != 0) {
            m_model->flush();
            if (m_model->count() > DeferIconsAbove)
                m_tmr2->start(1);
            else
                General_zFyllBildelisterEnkle(sFile);
        }
    } catch (const qv::PlatformError &err) {
        if (err.number() == qv::Err::FileNotFound || err.number() == qv::Err::PathNotFound)
            return;
        logError(QStringLiteral("General_AddFile"), err.number(), err.description());
    }
}

void qvFileList::Refresh()
{
    if (m_fillMode == 0) {
        General_zFyllListe();
        return;
    }
    m_model->flush();
    activeView()->viewport()->update();
}

void qvFileList::setPath(const QString &path)
{
    const bool changed =
        qv::WinPath(path).withTrailingSeparator() != qv::WinPath(m_path).withTrailingSeparator();
    m_path = path;
    General_zFyllListe();
    rearmWatch();
    if (changed)
        emit PathChange();
}

void qvFileList::rearmWatch()
{
    m_watch.reset();
    if (m_fillMode == 0 && m_autoUpdate && !m_path.isEmpty())
        m_watch = std::make_unique<qv::ChangeWatch>(m_path);
}

// A row added while the list keeps itself sorted goes to its place in the order.
void qvFileList::placeNewRow()
{
    m_model->flush();
    if (m_sorted)
        m_model->sortRows(m_sortColumn, m_sortDescending, [this](const qvFileListModel::Row &r) {
            return m_showFolders && m_sortColumn == 0 && r.sub[3].contains(u'd');
        });
}

// ---- the folder listing

void qvFileList::General_zFyllListe()
{
    if (m_fillMode == 1) {
        m_model->flush();
        activeView()->viewport()->update();
        return;
    }
    m_filled = true;
    setUpdatesEnabled(false);
    Clear();
    m_subFolders.clear();
    m_subFolderCount = 0;
    m_path = qv::WinPath(m_path).withTrailingSeparator().text();
    m_model->clearIcons();
    try {
        if (m_showFolders) {
            General_zFindSubFolders(m_path);
            General_zFyllListeDir();
        }
        QStringList patterns = m_pattern.split(u';', Qt::SkipEmptyParts);
        if (patterns.isEmpty())
            patterns << QStringLiteral("*.*");
        for (const QString &pattern : patterns) {
            qv::forEachDirEntry(m_path, pattern.trimmed(), [&](const qv::DirEntry &e) {
                if (isDots(e.name) || (e.attributes & qv::Attr::Directory))
                    return true;
                if (!shownByAttributes(e.attributes, m_showHidden, m_showSystem))
                    return true;
                if (m_hideKRMB && extensionOf(e.name) == QLatin1String("KRMB"))
                    return true;
                appendRow(m_path + e.name, &e, NoColor);
                return true;
            });
        }
    } catch (const qv::PlatformError &err) {
        const int n = err.number();
        if (n != qv::Err::DeviceUnavailable && n != qv::Err::PathNotFound &&
            n != qv::Err::InvalidPropertyValue)
            logError(QStringLiteral("General_zFyllListe"), n, err.description());
    }
    m_model->flush();
    m_sorted = true;
    // The listing comes in the host's directory order; the list shows it sorted, with
    // the folders above the files when they are listed.
    m_model->sortRows(m_sortColumn, m_sortDescending, [this](const qvFileListModel::Row &r) {
        return m_showFolders && m_sortColumn == 0 && r.sub[3].contains(u'd');
    });
    if (m_sortColumn == 0 && m_showFolders) {
        showSortArrow(0, !m_sortDescending);
    }
    if (m_loadFileIcons != 0) {
        if (m_view != 3 || m_model->count() <= DeferIconsAbove)
            General_zFyllBildelister();
        else
            m_tmr2->start(1);
    }
    if (m_autoColumnWidth)
        AutoColWidth();
    if (m_model->count() > 1) {
        selection()->clearSelection();
        selection()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    }
    setUpdatesEnabled(true);
}

int qvFileList::General_zFindSubFolders(const QString &folder)
{
    m_subFolders.clear();
    try {
        qv::forEachDirEntry(
            folder, QStringLiteral("*"),
            [&](const qv::DirEntry &e) {
                if (isDots(e.name) || !(e.attributes & qv::Attr::Directory))
                    return true;
                if (shownByAttributes(e.attributes, m_showHidden, m_showSystem))
                    m_subFolders << e.name;
                return true;
            },
            qv::ListDetail::Kinds);
    } catch (const qv::PlatformError &err) {
        logError(QStringLiteral("General_zFindSubFolders"), err.number(), err.description(), false,
                 QStringLiteral("zFindSubFolders"));
    }
    m_subFolderCount = int(m_subFolders.size());
    return m_subFolderCount;
}

void qvFileList::General_zFyllListeDir()
{
    for (const QString &name : std::as_const(m_subFolders)) {
        try {
            const QString full = m_path + name;
            const std::optional<qv::DirEntry> e = entryOf(full);
            appendRow(full, e ? &*e : nullptr, NoColor);
        } catch (const qv::PlatformError &err) {
            static const QSet<int> dropped = {5, 9, 52, 53, 75, 419, 481};
            if (!dropped.contains(err.number()))
                logError(QStringLiteral("General_zFyllListeDir"), err.number(), err.description());
        }
    }
}

void qvFileList::General_zFyllListeEnkle(const QString &fullPath)
{
    try {
        const std::optional<qv::DirEntry> e = entryOf(fullPath);
        if (!e || (e->attributes & qv::Attr::Directory))
            return;
        if (!shownByAttributes(e->attributes, m_showHidden, m_showSystem))
            return;
        if (m_hideKRMB && extensionOf(e->name) == QLatin1String("KRMB"))
            return;
        appendRow(fullPath, &*e, NoColor);
        placeNewRow();
        if (m_loadFileIcons != 0)
            General_zFyllBildelisterEnkle(fullPath);
    } catch (const qv::PlatformError &err) {
        logError(QStringLiteral("General_zFyllListeEnkle"), err.number(), err.description());
    }
}

// ---- icons

void qvFileList::loadIconsFor(int row)
{
    const qvFileListModel::Row &r = m_model->row(row);
    // A ghosted or linked look is not the type's look: it gets a key of its own.
    const bool folder = r.sub[3].contains(u'd');
    QString key = qvFileListIcons::keyFor(r.tag, r.sub[0], folder);
    if (r.dimmed)
        key += QStringLiteral("|h");
    if (r.link)
        key += QStringLiteral("|l");
    if (!m_model->hasIcons(key)) {
        const auto icons = qvFileListIcons::iconsFor(r.tag, folder, r.dimmed, r.link);
        m_model->setIcons(key, icons.small, icons.large);
    }
    m_model->setIconKey(row, key);
}

void qvFileList::General_zFyllBildelister()
{
    m_model->setShowIcons(m_loadFileIcons == 1 || m_loadFileIcons == 3,
                          m_loadFileIcons == 2 || m_loadFileIcons == 3);
    for (int i = 0; i < m_model->count(); ++i)
        loadIconsFor(i);
}

void qvFileList::General_zFyllBildelisterEnkle(const QString &fullPath)
{
    for (int i = 0; i < m_model->count(); ++i)
        if (m_model->row(i).tag.compare(fullPath, Qt::CaseInsensitive) == 0) {
            loadIconsFor(i);
            return;
        }
}

void qvFileList::loadIconsAround()
{
    const int n = m_model->count();
    if (n == 0 || m_loadFileIcons == 0) {
        m_tmr2->stop();
        return;
    }
    m_model->flush();
    const QModelIndex top = m_tree->indexAt(QPoint(1, 1));
    const int first = top.isValid() ? top.row() : 0;
    const int page = std::max(1, GetVisibleCount());
    const int from = std::max(0, first - 24), to = std::min(n - 1, first + page + 24);
    for (int i = from; i <= to; ++i)
        if (m_model->row(i).iconKey.isEmpty())
            loadIconsFor(i);
}

// ---- re-reading rows

void qvFileList::General_zSjekkListe()
{
    m_model->flush();
    const int n = m_model->count();
    int from = 0, to = n - 1;
    if (m_view == 3 && n > 0) {
        const QModelIndex top = m_tree->indexAt(QPoint(1, 1));
        from = top.isValid() ? top.row() : 0;
        to = std::min(n - 1, from + std::max(1, GetVisibleCount()) - 1);
    }
    for (int i = from; i <= to; ++i) {
        try {
            const qvFileListModel::Row &r = m_model->row(i);
            const std::optional<qv::DirEntry> e = entryOf(r.tag);
            if (!e) {
                // Not in its folder's listing: the path's own file date, when it has
                // one. A file gone since it was listed keeps its row as it was; a
                // sort is no reason for an error message.
                const QDateTime date = fileDateOf(r.tag);
                if (date.isValid() && timeText(date) != r.sub[2])
                    m_model->setSub(i, 3, timeText(date));
                continue;
            }
            const QString time = timeText(e->lastWriteUtc);
            if (time != r.sub[2])
                m_model->setSub(i, 3, time);
            if (!(e->attributes & qv::Attr::Directory)) {
                const QString size = sizeText(e->size, m_fileDecimals);
                if (size != r.sub[1])
                    m_model->setSub(i, 2, size);
            }
            const QString attr = attributeText(e->attributes);
            if (attr != r.sub[3]) {
                m_model->setSub(i, 4, attr);
                m_model->setColor(i, attr.contains(u'h') ? ToQColor(HiddenRowColor) : QColor(Qt::black));
                m_model->setDimmed(i, attr.contains(u'h'));
                if (m_loadFileIcons != 0) {
                    m_model->setIconKey(i, QString());
                    loadIconsFor(i);
                }
            }
        } catch (const qv::PlatformError &err) {
            logError(QStringLiteral("General_zSjekkListe"), err.number(), err.description());
            return;
        }
    }
}

void qvFileList::autoUpdateTick()
{
    if (m_fillMode != 0 || !m_autoUpdate || !m_watch || !m_watch->takeChanged())
        return;
    General_zSjekkListe();
    // What the folder now holds, by the same rules as the fill.
    QStringList onDisk;
    QStringList patterns = m_pattern.split(u';', Qt::SkipEmptyParts);
    if (patterns.isEmpty())
        patterns << QStringLiteral("*.*");
    for (const QString &pattern : patterns)
        qv::forEachDirEntry(m_path, pattern.trimmed(), [&](const qv::DirEntry &e) {
            if (!isDots(e.name) && !(e.attributes & qv::Attr::Directory) &&
                shownByAttributes(e.attributes, m_showHidden, m_showSystem) &&
                !(m_hideKRMB && extensionOf(e.name) == QLatin1String("KRMB")))
                onDisk << e.name;
            return true;
        });
    // Folder rows are not files: compare the files with the file rows only.
    int fileRows = 0;
    QSet<QString> listed;
    for (int i = 0; i < m_model->count(); ++i) {
        const qvFileListModel::Row &r = m_model->row(i);
        if (!r.sub[3].contains(u'd')) {
            ++fileRows;
            listed.insert(r.tag.toLower());
        }
    }
    if (onDisk.size() > fileRows) {
        if (onDisk.size() - fileRows < 100)
            for (const QString &name : std::as_const(onDisk))
                if (!listed.contains((m_path + name).toLower()))
                    General_zFyllListeEnkle(m_path + name);
    } else if (onDisk.size() < fileRows) {
        for (int i = m_model->count() - 1; i >= 0; --i) {
            const qvFileListModel::Row &r = m_model->row(i);
            if (!r.sub[3].contains(u'd') && !qv::fileExists(r.tag))
                m_model->removeAt(i);
        }
    }
}

} // namespace qv
