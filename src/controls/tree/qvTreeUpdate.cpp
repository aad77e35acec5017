// Keeping the tree in step with the disk while it is shown, and the tree's error log.
#include "controls/tree/qvTree.h"

#include "controls/tree/qvTreeModel.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FolderOps.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"
#include "platform/system/ChangeWatch.h"
#include "platform/system/ErrorMessage.h"
#include "platform/system/ErrorRecord.h"

#include <QScopeGuard>
#include <QStringList>

namespace qv
{

namespace
{

const QString TreeLog = QStringLiteral("ERROR_qvTree.txt");
const QString TreeSupportAddress = QStringLiteral("qvtree@qvbackup.no");

QString freshDriveLetters()
{
    QString letters;
    for (int i = 0; i < 26; ++i) {
        const QChar letter(u'A' + i);
        const qv::Drive *d = qv::DriveTable::current().drive(letter);
        if (d && d->mounted)
            letters += letter;
    }
    return letters;
}

} // namespace

void qvTree::armWatch(const QString &key)
{
    closeWatch();
    if (key.size() < 3 || key.at(1) != u':')
        return;
    m_watch = std::make_unique<qv::ChangeWatch>(key);
}

void qvTree::closeWatch()
{
    m_watch.reset();
}

void qvTree::LogTreeError(const QString &procedure, int number, const QString &description, bool silent)
{
    const QString module = QStringLiteral("qvTree");
    qv::appendErrorRecord(TreeLog, module, procedure, number, description);
    if (silent)
        return;
    showErrorMessage(TreeLog, TreeSupportAddress, module, procedure, number, description);
}

void qvTree::tmr1_Timer()
{
    // The wait for a new drive lets events in, among them this timer's next tick.
    if (!m_autoUpdate || m_inTick || m_given)
        return;
    m_inTick = true;
    const auto leave = qScopeGuard([this] { m_inTick = false; });
    // A file that is not found ends only the step that met it.
    const auto step = [](const auto &body) {
        try {
            body();
        } catch (const PlatformError &e) {
            if (e.number() != qv::Err::FileNotFound)
                throw;
        }
    };
    try {
        // 1. the watch (a flag: the wait never blocks)
        bool fired = false;
        step([&] { fired = m_watch && m_watch->takeChanged(); });

        // 2. drives
        step([&] { tickDrives(); });

        // 3. CD media
        step([&] { tickCdMedia(); });

        // 4. the selected folder vanished
        QStandardItem *s = nullptr;
        step([&] {
            s = selectedNode();
            if (s && qvTreeModel::key(s) != ComputerKey && !isFolder(qvTreeModel::key(s))) {
                removeNodeQuietly(qvTreeModel::key(s));
                reselectCurrent();
                s = selectedNode();
                if (s)
                    setGetPath(qvTreeModel::key(s));
            }
        });
        s = selectedNode();
        if (!s || qvTreeModel::key(s) == ComputerKey)
            return;

        // 5. the number of sub-folders of the selected folder
        step([&] { tickSubFolderCount(s, fired); });

        // 6. a child folder renamed or removed outside
        step([&] {
            if (fired && m_view->isExpanded(s->index()) && s->rowCount() > 0) {
                for (int r = 0; r < s->rowCount(); ++r) {
                    if (!isFolder(qvTreeModel::key(s->child(r)))) {
                        Refresh();
                        break;
                    }
                }
            }
        });
    } catch (const PlatformError &e) {
        switch (e.number()) {
        case 91:
        case 75:
        case 76:
        case 35602:
            break;
        default:
            LogTreeError(QStringLiteral("tmr1"), e.number(), e.description(), true);
        }
    }
}

void qvTree::tickDrives()
{
    if (m_rootFolder.isEmpty()) {
        const QString fresh = freshDriveLetters();
        m_driveLettersPublic = fresh;
        m_driveCount = int(fresh.size());
        if (fresh.size() > m_driveLetters.size()) {
            QChar letter;
            for (QChar c : fresh)
                if (!m_driveLetters.contains(c)) {
                    letter = c;
                    break;
                }
            if (!letter.isNull()) {
                const qv::Drive *d = qv::DriveTable::current().drive(letter);
                const int type = d ? int(d->type) : 0;
                const QString image = driveImage(type);
                for (int tries = 0; tries < 199 && !qv::driveReady(letter); ++tries)
                    qv::dialog().processEvents();
                const QString root = qv::WinPath::driveRootOf(letter);
                QStandardItem *n = m_model->addNode(ComputerKey, root.toLower(), root.left(2), image);
                m_model->setSorted(n);
                m_model->setTag(n, QStringLiteral("Root"));
                if (type == 4) {
                    const QString entry = driveListEntry(letter);
                    if (!entry.isEmpty())
                        n->setText(root.left(2) + entry.mid(2));
                } else {
                    n->setText(root.left(2) + u' ' + volumeLabel(letter));
                }
                General_zFinnMapper(root);
                m_driveLetters = fresh;
                emit DriveCountChange();
            }
        } else if (fresh.size() < m_driveLetters.size()) {
            QChar letter;
            for (QChar c : std::as_const(m_driveLetters))
                if (!fresh.contains(c)) {
                    letter = c;
                    break;
                }
            if (!letter.isNull()) {
                const QString root = qv::WinPath::driveRootOf(letter);
                RemoveNode(root.toLower());
                m_driveLetters = fresh;
                if (m_path.left(3).toUpper() == root) {
                    if (QStandardItem *c = m_model->node(QStringLiteral("c:\\")))
                        selectNode(c);
                    setGetPath(QStringLiteral("c:\\"));
                } else {
                    reselectCurrent();
                }
                emit DriveCountChange();
            }
        }
    }
}

void qvTree::tickCdMedia()
{
    m_cdMedia.resize(size_t(m_cdLetters.size()), false);
    for (qsizetype i = 0; i < m_cdLetters.size(); ++i) {
        const QChar letter = m_cdLetters.at(i);
        const QString root = qv::WinPath::driveRootOf(letter);
        const bool ready = qv::driveReady(letter);
        if (ready == m_cdMedia[size_t(i)])
            continue;
        m_cdMedia[size_t(i)] = ready;
        RemoveNode(root.toLower());
        QStandardItem *n =
            m_model->addNode(ComputerKey, root.toLower(), root.left(2), QStringLiteral("cdrom"));
        m_model->setSorted(n);
        m_model->setTag(n, QStringLiteral("Root"));
        if (ready) {
            n->setText(root.left(2) + u' ' + volumeLabel(letter));
            General_zFinnMapper(root);
        } else if (!m_path.isEmpty() && m_path.at(0).toUpper() == letter) {
            if (QStandardItem *c = m_model->node(QStringLiteral("c:\\")))
                selectNode(c);
            setGetPath(QStringLiteral("c:\\"));
        }
        emit DriveCountChange();
    }
}

void qvTree::tickSubFolderCount(QStandardItem *s, bool fired)
{
    const QString key = qvTreeModel::key(s);
    const bool expanded = m_view->isExpanded(s->index());
    m_subFolderCount = s->rowCount();
    const int old = s->rowCount();
    if (expanded || old == 0) {
        int now = old;
        if (fired) {
            long files = 0;
            now = General_zFindSubDirNum(key, files);
            armWatch(key);
        }
        if (now != old) {
            QStringList childKeys;
            for (int r = 0; r < s->rowCount(); ++r)
                childKeys << qvTreeModel::key(s->child(r));
            if (now < old) {
                for (const QString &k : std::as_const(childKeys))
                    if (!isFolder(k))
                        RemoveNode(k);
            } else {
                QStringList childNames;
                for (const QString &k : std::as_const(childKeys))
                    childNames << FolderName(k).toLower();
                const QStringList names = m_subFolderNames;
                for (int i = 0; i < now && i < names.size(); ++i) {
                    const QString &name = names.at(i);
                    if (name.isEmpty() || childNames.contains(name.toLower()))
                        continue;
                    const QString childKey = (qv::WinPath(key) / name).text().toLower();
                    QStandardItem *n = nullptr;
                    try {
                        n = m_model->addNode(key, childKey, name, QStringLiteral("ClosedFolder"));
                    } catch (const PlatformError &e) {
                        if (e.number() != qvTreeModel::ErrDuplicateKey)
                            throw;
                        continue;
                    }
                    if (i < int(m_subFolderLinks.size()))
                        n->setData(bool(m_subFolderLinks[size_t(i)]), qvTreeModel::LinkRole);
                }
                // Toggled twice so the expander is drawn anew; a folder that
                // was closed is opened once, which loads the level below.
                freeze(true);
                for (int i = 0; i < 2; ++i)
                    m_view->setExpanded(s->index(), !m_view->isExpanded(s->index()));
                freeze(false);
            }
            long count = now;
            m_subFolderCount = now;
            emit SubFolderCountChange(count);
        }
    }
}

} // namespace qv
