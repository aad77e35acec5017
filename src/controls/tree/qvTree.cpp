#include "controls/tree/qvTree.h"

#include "controls/tree/qvTreeModel.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FolderOps.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"
#include "platform/system/ChangeWatch.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace qv
{

const QString qvTree::ComputerKey = QStringLiteral("R1");

namespace
{

QColor bgr(quint32 v)
{
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

const QColor DisabledGrey(100, 100, 100);

} // namespace

// Commits a label edit through the control, which may refuse the new name.
class qvTreeDelegate : public QStyledItemDelegate
{
public:
    qvTreeDelegate(qvTree *owner) : QStyledItemDelegate(owner), m_owner(owner)
    {
        connect(this, &QAbstractItemDelegate::closeEditor, owner, [this] {
            if (!m_committed)
                m_owner->labelEditEnded();
            m_committed = false;
        });
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        m_committed = false;
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        m_committed = true;
        auto *line = qobject_cast<QLineEdit *>(editor);
        if (!line)
            return;
        // Read before the rename: a change of the node's data refills an open editor.
        const QString typed = line->text();
        bool cancel = false;
        m_owner->tvwDir_AfterLabelEdit(m_owner->m_model->itemFromIndex(index), typed, &cancel);
        if (!cancel && index.isValid() && index.model() == model) {
            QStandardItem *item = m_owner->m_model->itemFromIndex(index);
            item->setText(typed.trimmed());
        }
    }

private:
    qvTree *m_owner;
    mutable bool m_committed = false;
};

qvTree::qvTree(QWidget *parent) : QWidget(parent)
{
    qRegisterMetaType<QStandardItem *>();
    m_model = new qvTreeModel(this);
    m_view = new qvTreeView(this);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new qvTreeDelegate(this));
    m_view->setHeaderHidden(true);
    m_view->setUniformRowHeights(true);
    m_view->setIconSize(QSize(16, 16));
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_view->header()->setStretchLastSection(false);
    setOLEDropMode(m_oleDropMode);
    setOLEDragMode(m_oleDragMode);
    applyTreeStyle();
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { onCurrentChanged(current); });
    connect(m_view, &QTreeView::expanded, this,
            [this](const QModelIndex &i) { tvwDir_Expand(m_model->itemFromIndex(i)); });
    connect(m_view, &QTreeView::collapsed, this,
            [this](const QModelIndex &i) { tvwDir_Collapse(m_model->itemFromIndex(i)); });
    connect(m_view, &QTreeView::clicked, this, [this](const QModelIndex &i) {
        emit Click();
        m_inRenameModus = false;
        // A click on the node that was already selected is a node click too.
        QStandardItem *n = m_model->itemFromIndex(i);
        if (n && m_lastButton == 1 && !m_keyBeforePress.isEmpty() &&
            qvTreeModel::key(n) == m_keyBeforePress && n == selectedNode())
            tvwDir_NodeClick(n);
    });

    m_tmr1.setInterval(1000);
    m_tmrDragScroll.setInterval(200);
    m_tmrNodeExpand.setInterval(1000);
    connect(&m_tmr1, &QTimer::timeout, this, [this] { tmr1_Timer(); });
    connect(&m_tmrDragScroll, &QTimer::timeout, this, [this] { tmrDragScroll_Timer(); });
    connect(&m_tmrNodeExpand, &QTimer::timeout, this, [this] { tmrNodeExpand_Timer(); });
    setAutoFillBackground(false);
    layoutView();
}

qvTree::~qvTree()
{
    closeWatch();
}

// ---------------------------------------------------------------------------
// Path helpers

QString qvTree::FolderName(const QString &path)
{
    return qv::WinPath(path).lastFolder();
}

QString qvTree::ParentPath(const QString &path)
{
    const qv::WinPath folder(path);
    return folder.isDriveRoot() ? QString() : folder.withoutTrailingSeparator().parent().text();
}

QString qvTree::StripTrailingBackslash(const QString &path)
{
    return qv::WinPath(path).withoutTrailingSeparator().text();
}

bool qvTree::isFolder(const QString &path) const
{
    if (path.size() < 3 || path.at(1) != u':')
        return false;
    return qv::folderExists(path);
}

// Listings read only the kind of each entry (no stat per file in a large folder);
// a link is looked at to tell whether it leads to a folder, which it is then listed as.
qv::DirEntry qvTree::withLinkKind(const QString &folder, const qv::DirEntry &entry)
{
    if (!entry.isLink)
        return entry;
    qv::DirEntry e = entry;
    if (qv::folderExists(folder + e.name))
        e.attributes = (e.attributes & ~quint32(qv::Attr::Normal)) | qv::Attr::Directory;
    return e;
}

bool qvTree::isVisibleFolder(quint32 attributes) const
{
    if (!(attributes & qv::Attr::Directory))
        return false;
    bool visible = true;
    if (attributes & qv::Attr::Hidden)
        visible = m_showHidden;
    if (attributes & qv::Attr::System)
        visible = m_showSystem;
    return visible;
}

// ---------------------------------------------------------------------------
// Properties

bool qvTree::Enabled() const
{
    return m_view->isEnabled();
}

void qvTree::setEnabled(bool e)
{
    applyColours(e);
}

void qvTree::setAppearance(int a)
{
    m_appearance = a;
    m_view->setFrameShape(a == 0 ? QFrame::NoFrame : QFrame::StyledPanel);
}

void qvTree::setShowHidden(bool v)
{
    m_showHidden = v;
    if (m_started && m_model->rowCount() > 0) {
        Refresh();
        if (QStandardItem *s = selectedNode())
            setGetPath(qvTreeModel::key(s));
        UpdateSelectedImage();
    }
}

void qvTree::setShowSystem(bool v)
{
    m_showSystem = v;
    if (m_started && m_model->rowCount() > 0) {
        Refresh();
        if (QStandardItem *s = selectedNode())
            setGetPath(qvTreeModel::key(s));
        UpdateSelectedImage();
    }
}

QString qvTree::GoToPath() const
{
    throw PlatformError(393, QStringLiteral("Get not permitted at run time"));
}

void qvTree::setGoToPath(const QString &path)
{
    if (m_given)
        return;
    m_goToPath = isFolder(path) ? path : m_path;
    // A window opens its folder while it loads, before anything is shown, and reads
    // Path straight after: the tree is built then.
    if (!m_started) {
        m_started = true;
        UserControl_Show();
        return;
    }
    General_zDirekteTil(m_goToPath);
}

void qvTree::setRootFolder(const QString &folder)
{
    const QString f = folder.trimmed();
    if (!f.isEmpty() && !isFolder(f)) {
        qv::msgBox(QStringLiteral("Skriv inn en gyldig RootFolder."), qv::Buttons::OK, qv::Icon::Critical);
        return;
    }
    m_rootFolder = f.toLower();
}

void qvTree::setShowTreeLines(bool v)
{
    m_showTreeLines = v;
    applyTreeStyle();
}

void qvTree::applyTreeStyle()
{
    m_view->setRootIsDecorated(true);
    m_view->setIndentation(m_showTreeLines ? 19 : 16);
    m_view->viewport()->update();
}

void qvTree::setOLEDragMode(int m)
{
    m_oleDragMode = m;
    m_view->setDragEnabled(m == 1);
}

void qvTree::setOLEDropMode(int m)
{
    m_oleDropMode = m;
    m_view->setAcceptDrops(m == 1);
    m_view->viewport()->setAcceptDrops(m == 1);
}

void qvTree::setBorder(bool v)
{
    m_border = v;
    layoutView();
}

void qvTree::setBorderColor(quint32 c)
{
    m_borderColor = c;
    update();
}

void qvTree::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QColor c = (m_borderColor & 0x80000000u) ? palette().color(QPalette::Button) : bgr(m_borderColor);
    p.fillRect(rect(), c);
}

void qvTree::resizeEvent(QResizeEvent *)
{
    layoutView();
}

void qvTree::layoutView()
{
    if (m_border)
        m_view->setGeometry(1, 1, qMax(0, width() - 2), qMax(0, height() - 2));
    else
        m_view->setGeometry(0, 0, width(), height());
}

void qvTree::setGetPath(const QString &p)
{
    if (p != m_getPath) {
        m_path = p;
        QStandardItem *s = selectedNode();
        m_subFolderCount = s ? s->rowCount() : 0;
        QString path = p, previous = m_getPath;
        int shift = m_lastShift;
        emit PathChange(path, previous, shift);
    }
    if (p.left(1).toLower() != m_getPath.left(1).toLower()) {
        m_drive = qvTreeModel::key(selectedNode()).left(2);
        m_driveIndex = m_drive.isEmpty() ? 0 : int(m_driveLettersPublic.indexOf(m_drive.at(0).toUpper())) + 1;
        emit DriveChange();
    }
    m_getPath = p.toLower();
}

// ---------------------------------------------------------------------------
// Queries

QStandardItem *qvTree::selectedNode() const
{
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? m_model->itemFromIndex(i) : nullptr;
}

QStandardItem *qvTree::node(const QString &key) const
{
    return m_model->node(key);
}

QString qvTree::NodeText() const
{
    QStandardItem *s = selectedNode();
    return s ? s->text() : QString();
}

QString qvTree::NodeText2() const
{
    return m_mouseUpText.isEmpty() ? NodeText() : m_mouseUpText;
}

long qvTree::CountElements(int Include)
{
    long files = 0;
    const long folders = General_zFindSubDirNum(m_path, files);
    switch (Include) {
    case 0:
        return folders + files;
    case 1:
        return files;
    case 2:
        return folders;
    default:
        return -1;
    }
}

QString qvTree::DriveName(const QString &DriveLetter) const
{
    if (DriveLetter.isEmpty())
        return {};
    const QString entry = driveListEntry(DriveLetter.at(0));
    return entry.isEmpty() ? QString() : entry.mid(2);
}

QStandardItem *qvTree::GetHighlightNode() const
{
    return m_model->node(m_model->dropHighlight());
}

QStandardItem *qvTree::GetMouseDownNode() const
{
    return m_model->node(m_mouseDownKey);
}

QString qvTree::volumeLabel(QChar letter) const
{
    const qv::Drive *d = qv::DriveTable::current().drive(letter.toUpper());
    return d ? d->label : QString();
}

// The drive list's entry: "c: [label]", or the share in brackets for a network drive.
QString qvTree::driveListEntry(QChar letter) const
{
    const qv::Drive *d = qv::DriveTable::current().drive(letter.toUpper());
    if (!d || !d->mounted)
        return {};
    const QString inside = d->type == qv::DriveType::Network ? d->share : d->label;
    return QString(letter.toLower()) + QStringLiteral(": [") + inside + u']';
}

QString qvTree::driveImage(int type)
{
    switch (type) {
    case 2:
        return QStringLiteral("diskett");
    case 3:
        return QStringLiteral("harddisk");
    case 4:
        return QStringLiteral("nettverk");
    case 5:
        return QStringLiteral("cdrom");
    case 6:
        return QStringLiteral("ramdisk");
    default:
        return QStringLiteral("ukjent");
    }
}

// ---------------------------------------------------------------------------
// Commands

void qvTree::freeze(bool frozen)
{
    m_view->setUpdatesEnabled(!frozen);
}

void qvTree::Refresh()
{
    if (!m_view->isEnabled() || m_given)
        return;
    freeze(true);
    General_zFinnDisker();
    General_zDirekteTil(m_getPath);
    m_tmr1.start();
    freeze(false);
}

void qvTree::CollapsAll()
{
    if (m_given) {
        for (QStandardItem *n : m_model->allNodes())
            m_view->collapse(n->index());
        return;
    }
    if (m_path.isEmpty())
        m_path = QStringLiteral("c:\\");
    freeze(true);
    for (QStandardItem *n : m_model->allNodes())
        m_view->collapse(n->index());
    General_zDirekteTil(m_path);
    freeze(false);
}

// The view moves its current node off a removed one; that is no click.
void qvTree::removeNodeQuietly(const QString &key)
{
    const bool was = std::exchange(m_programmatic, true);
    try {
        m_model->removeNode(key);
    } catch (...) {
        m_programmatic = was;
        throw;
    }
    m_programmatic = was;
}

void qvTree::RemoveNode(const QString &nKey)
{
    try {
        removeNodeQuietly(nKey);
    } catch (const PlatformError &) {
    }
}

// ---------------------------------------------------------------------------
// Selection

void qvTree::expandNode(QStandardItem *n)
{
    if (n && !m_view->isExpanded(n->index()))
        m_view->expand(n->index()); // raises Expand, which loads the next level
}

void qvTree::selectNode(QStandardItem *n)
{
    if (!n)
        return;
    QList<QStandardItem *> ancestors;
    for (QStandardItem *p = n->parent(); p; p = p->parent())
        ancestors.prepend(p);
    for (QStandardItem *a : ancestors)
        expandNode(a);
    const bool was = std::exchange(m_programmatic, true);
    m_view->setCurrentIndex(n->index());
    m_programmatic = was;
    m_model->setSelectedKey(qvTreeModel::key(n));
}

void qvTree::onCurrentChanged(const QModelIndex &current)
{
    QStandardItem *n = current.isValid() ? m_model->itemFromIndex(current) : nullptr;
    m_model->setSelectedKey(qvTreeModel::key(n));
    if (m_programmatic || !n || !m_started)
        return;
    tvwDir_NodeClick(n);
}

// After a node was removed, the node the view now has current counts as selected.
void qvTree::reselectCurrent()
{
    QStandardItem *s = selectedNode();
    m_model->setSelectedKey(qvTreeModel::key(s));
    if (s)
        selectNode(s);
}

// ---------------------------------------------------------------------------
// Start-up

void qvTree::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (!m_started) {
        m_started = true;
        UserControl_Show();
    }
}

void qvTree::UserControl_Show()
{
    try {
        applyTreeStyle();
        General_zFinnDisker();
        if (!m_rootFolder.isEmpty() && !isFolder(m_rootFolder)) {
            qv::msgBox("Finner ikke " + m_rootFolder +
                           "\nDu må taste inn en gyldig bane til en mappe som finnes.",
                       qv::Buttons::OK, qv::Icon::Critical);
            return;
        }
        if (!m_goToPath.isEmpty()) {
            General_zDirekteTil(m_goToPath);
        } else if (!m_rootFolder.isEmpty()) {
            const QString root = StripTrailingBackslash(m_rootFolder);
            if (QStandardItem *r = m_model->node(root))
                selectNode(r);
            setGetPath(root);
        } else {
            if (QStandardItem *c = m_model->node(QStringLiteral("c:\\")))
                selectNode(c);
            setGetPath(QStringLiteral("c:\\"));
        }
        // As the Enabled setter does: recycle-bin nodes lose their colour here.
        applyColours(m_view->isEnabled());
        armWatch(m_getPath);
    } catch (const PlatformError &e) {
        LogTreeError(QStringLiteral("UserControl_Show"), e.number(), e.description(), false);
    }
}

void qvTree::applyColours(bool enabled)
{
    m_view->setEnabled(enabled);
    const QColor colour = enabled ? QColor(Qt::black) : DisabledGrey;
    for (QStandardItem *n : m_model->allNodes()) {
        const QString img = qvTreeModel::image(n);
        const bool hidden = img == u"HiddenClosed" || img == u"HiddenOpen";
        m_model->setForeColor(n, enabled && hidden ? bgr(HiddenColour) : colour);
    }
}

// ---------------------------------------------------------------------------
// Loading

void qvTree::General_zFinnDisker()
{
    m_tmr1.stop();
    try {
        m_model->clearNodes();
        m_driveLetters.clear();
        m_cdLetters.clear();
        if (m_rootFolder.isEmpty()) {
            QStandardItem *computer = m_model->addNode(
                QString(), ComputerKey, QStringLiteral("Min datamaskin"), QStringLiteral("stasjoner"));
            m_model->setTag(computer, ComputerKey);
            for (int i = 0; i < 26; ++i) {
                const QChar letter(u'A' + i);
                const qv::Drive *d = qv::DriveTable::current().drive(letter);
                if (!d || !d->mounted)
                    continue;
                const QString root = qv::WinPath::driveRootOf(letter);
                m_driveLetters += letter;
                const bool floppy = letter == u'A' || letter == u'B';
                const int type = floppy ? 2 : int(d->type);
                if (type == 5)
                    m_cdLetters += letter;
                QStandardItem *n = nullptr;
                try {
                    n = m_model->addNode(ComputerKey, root.toLower(), root.left(2), driveImage(type));
                } catch (const PlatformError &e) {
                    if (e.number() != qvTreeModel::ErrDuplicateKey)
                        throw;
                    continue;
                }
                m_model->setSorted(n);
                m_model->setTag(n, QStringLiteral("Root"));
                if (floppy)
                    continue;
                if (type == 4) {
                    const QString entry = driveListEntry(letter);
                    if (!entry.isEmpty())
                        n->setText(root.left(2) + u' ' + entry.mid(4, entry.size() - 5));
                } else {
                    n->setText(root.left(2) + u' ' + volumeLabel(letter));
                }
                General_zFinnMapper(root);
            }
            m_driveCount = int(m_driveLetters.size());
            m_driveLettersPublic = m_driveLetters;
            m_path.clear();
        } else {
            const QString key = StripTrailingBackslash(m_rootFolder);
            const QString label = m_rootFolderText.isEmpty() ? FolderName(m_rootFolder) : m_rootFolderText;
            QStandardItem *r = m_model->addNode(QString(), key, label, QStringLiteral("OpenFolder"));
            selectNode(r);
            setGetPath(key);
            m_model->setSorted(r);
            m_model->setTag(r, QStringLiteral("Root"));
            General_zFinnMapper(key);
        }
        m_tmr1.start();
    } catch (const PlatformError &e) {
        LogTreeError(QStringLiteral("General_zFinnDisker"), e.number(), e.description(), true);
    }
}

void qvTree::General_zFinnMapper(const QString &path)
{
    const QString parentKey = path.toLower();
    const QString list = qv::WinPath(path).withTrailingSeparator().text();
    // A link to a folder is shown but never entered, so every walk ends.
    if (QStandardItem *p = m_model->node(parentKey); p && p->data(qvTreeModel::LinkRole).toBool())
        return;
    bool missingParent = false;
    try {
        qv::forEachDirEntry(
            list, QStringLiteral("*.*"),
            [&](const qv::DirEntry &entry) {
                if (entry.name == u"." || entry.name == u"..")
                    return true;
                const qv::DirEntry e = withLinkKind(list, entry);
                if (!isVisibleFolder(e.attributes))
                    return true;
                const QString name =
                    e.name.left(e.name.indexOf(QChar(0)) < 0 ? e.name.size() : e.name.indexOf(QChar(0)));
                const QString key = (list + name).toLower();
                const QString lower = name.toLower();
                try {
                    QStandardItem *n = nullptr;
                    if (lower == u"recycled" || lower == u"$recycle.bin") {
                        n = m_model->addNode(parentKey, key, name, QStringLiteral("bosskorg"));
                        m_model->setTag(n, QStringLiteral("Bosskorg"));
                        m_model->setForeColor(n, bgr(HiddenColour));
                    } else if (e.attributes & qv::Attr::Hidden) {
                        n = m_model->addNode(parentKey, key, name, QStringLiteral("HiddenClosed"));
                        m_model->setForeColor(n, bgr(HiddenColour));
                    } else {
                        n = m_model->addNode(parentKey, key, name, QStringLiteral("ClosedFolder"));
                    }
                    n->setData(e.isLink, qvTreeModel::LinkRole);
                } catch (const PlatformError &err) {
                    if (err.number() == qvTreeModel::ErrNoSuchNode) {
                        missingParent = true;
                        return false;
                    }
                    if (err.number() != qvTreeModel::ErrDuplicateKey &&
                        err.number() != qvTreeModel::ErrNotSet)
                        throw;
                }
                return true;
            },
            qv::ListDetail::Kinds);
    } catch (const PlatformError &e) {
        LogTreeError(QStringLiteral("General_zFinnMapper"), e.number(), e.description(), true);
        return;
    }
    // A folder that came after its parent's level was read: rebuild, but only once
    // the walk that asked has ended, as the rebuild replaces every node.
    if (missingParent && !m_refreshQueued) {
        m_refreshQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_refreshQueued = false;
                Refresh();
            },
            Qt::QueuedConnection);
    }
}

int qvTree::General_zFindSubDirNum(const QString &path, long &fileCount)
{
    const QString p = qv::WinPath(path).withTrailingSeparator().text();
    m_subFolderNames = QStringList{QString()};
    m_subFolderLinks.clear();
    fileCount = 0;
    if (QStandardItem *n = m_model->node(StripTrailingBackslash(path).toLower());
        n && n->data(qvTreeModel::LinkRole).toBool())
        return 0;
    if (p.size() < 3 || p.at(1) != u':')
        return 0;
    long total = 0, dirs = 0;
    int visible = 0;
    try {
        qv::forEachDirEntry(
            p, QStringLiteral("*"),
            [&](const qv::DirEntry &entry) {
                if (entry.name == u"." || entry.name == u"..")
                    return true;
                const qv::DirEntry e = withLinkKind(p, entry);
                ++total;
                if (e.attributes & qv::Attr::Directory)
                    ++dirs;
                if (isVisibleFolder(e.attributes)) {
                    m_subFolderNames.last() = e.name;
                    m_subFolderNames.append(QString());
                    m_subFolderLinks.push_back(e.isLink);
                    ++visible;
                }
                return true;
            },
            qv::ListDetail::Kinds);
    } catch (const PlatformError &e) {
        LogTreeError(QStringLiteral("General_zFindSubDirNum"), e.number(), e.description(), false);
    }
    fileCount = total - dirs;
    return visible;
}

void qvTree::tvwDir_Expand(QStandardItem *n)
{
    if (!n)
        return;
    emit Expand(n);
    m_inRenameModus = false;
    if (m_given)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const QString key = qvTreeModel::key(n);
        const qv::WinPath base = qv::WinPath(key.toLower()).withTrailingSeparator();
        long files = 0;
        const int count = key == ComputerKey ? 0 : General_zFindSubDirNum(key, files);
        const QStringList names = m_subFolderNames;
        const std::vector<bool> links = m_subFolderLinks;
        for (int i = 0; i < count && i < names.size(); ++i) {
            if (i < int(links.size()) && links[size_t(i)])
                continue;
            General_zFinnMapper((base / names.at(i)).text());
        }
        if (m_model->node(key) == n) {
            if (key != ComputerKey)
                m_model->setSorted(n);
            MarkSharedChildren(n);
        }
    } catch (const PlatformError &e) {
        if (e.number() != 9 && e.number() != 35605)
            LogTreeError(QStringLiteral("tvwDir_Expand"), e.number(), e.description(), false);
    }
    QApplication::restoreOverrideCursor();
}

// Folders shared on the network: the host has no shares a folder could carry, so
// no folder is marked; the walk stays for hosts that can tell.
void qvTree::MarkSharedChildren(QStandardItem *) {}

void qvTree::tvwDir_Collapse(QStandardItem *n)
{
    if (!n)
        return;
    emit Collapse(n);
    m_inRenameModus = false;
    // Collapsing a parent of the selection moves the selection to the parent.
    QModelIndex cur = m_view->currentIndex();
    if (cur.isValid() && m_model->itemFromIndex(cur) != n) {
        for (QModelIndex p = cur.parent(); p.isValid(); p = p.parent()) {
            if (p == n->index()) {
                selectNode(n);
                break;
            }
        }
    }
    QStandardItem *s = selectedNode();
    if (m_given) {
        if (s && qvTreeModel::key(s).mid(1) != m_path)
            givenNodeClick(s);
        return;
    }
    if (s && isFolder(qvTreeModel::key(s))) {
        setGetPath(qvTreeModel::key(s));
        m_path = qvTreeModel::key(s);
    }
}

void qvTree::tvwDir_NodeClick(QStandardItem *n)
{
    m_inRenameModus = false;
    if (m_given) {
        givenNodeClick(n);
        return;
    }
    const QString key = qvTreeModel::key(n);
    if (key == ComputerKey)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_tmr1.stop();
    m_path = key;
    try {
        const qv::Result<quint32> read = qv::fileAttributes(key);
        const quint32 attributes = read ? read.value() : 0;
        if (!read) {
            const int num = read.error().number;
            if (num == qv::Err::FileNotFound || num == qv::Err::PathNotFound) {
                qv::msgBox(key + QStringLiteral(" finnes ikke."), qv::Buttons::OK, qv::Icon::Critical);
                removeNodeQuietly(key);
                n = nullptr;
            } else if (num == qv::Err::PathFileAccess || num == qv::Err::InvalidCall ||
                       num == qv::Err::PermissionDenied || num == qv::Err::DeviceUnavailable) {
                qv::msgBox(key + QStringLiteral(" er ikke tilgjengelig."), qv::Buttons::OK,
                           qv::Icon::Critical);
            } else {
                read.error().raise();
            }
        }
        if (attributes & qv::Attr::Directory) {
            if (m_lastButton == 1) {
                if (n->text() == u"A:" || n->text() == u"B:") {
                    n->setText(n->text() + u' ' + volumeLabel(n->text().at(0)));
                    General_zFinnMapper(key);
                }
                setGetPath(key);
                UpdateSelectedImage();
                m_view->viewport()->update();
                int shift = m_lastShift;
                emit NodeClick(n, shift);
            }
        } else if (key.size() == 3) {
            if (QStandardItem *prev = m_model->node(m_previousKey))
                selectNode(prev);
            if (!m_previousKey.isEmpty())
                setGetPath(m_previousKey);
        } else if (key.size() >= 4) {
            if (qv::driveReady(key.at(0))) {
                if (QStandardItem *d = m_model->node(key.left(3)))
                    selectNode(d);
                setGetPath(key.left(3));
            } else {
                if (QStandardItem *prev = m_model->node(m_previousKey))
                    selectNode(prev);
                if (!m_previousKey.isEmpty())
                    setGetPath(m_previousKey);
            }
        }
        armWatch(qvTreeModel::key(selectedNode()));
    } catch (const PlatformError &e) {
        LogTreeError(QStringLiteral("tvwDir_NodeClick"), e.number(), e.description(), false);
    }
    QApplication::restoreOverrideCursor();
    m_tmr1.start();
    m_lastShift = 0;
}

void qvTree::General_zDirekteTil(QString p)
{
    p = StripTrailingBackslash(p);
    if (p.trimmed().isEmpty())
        p = QStringLiteral("c:\\");
    freeze(true);
    try {
        const QStringList chain = qv::WinPath(p).folderChain();
        for (qsizetype step = 0; step < 50 && step < chain.size(); ++step) {
            const QString &prefix = chain.at(step);
            const bool last = step == chain.size() - 1;
            QStandardItem *n = m_model->node(prefix.toLower());
            if (!n) {
                if (m_rootFolder.isEmpty()) {
                    QString a = prefix, b = prefix;
                    int shift = m_lastShift;
                    emit PathChange(a, b, shift);
                }
            } else {
                selectNode(n);
                if (last) {
                    expandNode(n);
                    m_view->scrollTo(n->index());
                }
            }
        }
    } catch (const PlatformError &e) {
        freeze(false);
        if (e.number() == qvTreeModel::ErrBadKey)
            return;
        LogTreeError(QStringLiteral("General_zDirekteTil"), e.number(), e.description(), false);
        return;
    }
    freeze(false);
    setGetPath(p);
    UpdateSelectedImage();
    m_path = p.toLower();
}

void qvTree::UpdateSelectedImage()
{
    QStandardItem *s = selectedNode();
    if (!s)
        return;
    const QString img = qvTreeModel::image(s);
    if (img == u"OpenFolder" || img == u"ClosedFolder") {
        m_model->setSelectedImage(s, QStringLiteral("OpenFolder"));
        m_model->setForeColor(s, Qt::black);
    } else if (img == u"SharedClosed" || img == u"SharedOpen") {
        m_model->setSelectedImage(s, QStringLiteral("SharedOpen"));
        m_model->setForeColor(s, Qt::black);
    } else if (img == u"HiddenClosed" || img == u"HiddenOpen") {
        m_model->setSelectedImage(s, QStringLiteral("HiddenOpen"));
        m_model->setForeColor(s, bgr(HiddenColour));
    } else if (img == u"SharedHiddenClosed" || img == u"SharedHiddenOpen") {
        m_model->setSelectedImage(s, QStringLiteral("SharedHiddenOpen"));
        m_model->setForeColor(s, bgr(HiddenColour));
    }
}

// ---------------------------------------------------------------------------
// Mouse

void qvTree::viewMouseDown(QMouseEvent *e)
{
    const int button = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 4;
    int shift = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (e->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (e->modifiers() & Qt::AltModifier)
        shift |= 4;
    m_lastShift = shift;
    m_lastButton = button;
    QStandardItem *s = selectedNode();
    m_keyBeforePress = qvTreeModel::key(s);
    if (s && qvTreeModel::key(s) != ComputerKey)
        m_previousKey = qvTreeModel::key(s);
    const QModelIndex at = m_view->indexAt(e->position().toPoint());
    const QString key = at.isValid() ? qvTreeModel::key(m_model->itemFromIndex(at)) : QString();
    m_mouseDownKey = isFolder(key) ? key : QString();
    emit MouseDown(button, shift, float(e->position().x()), float(e->position().y()));
}

void qvTree::viewMouseUp(QMouseEvent *e)
{
    const int button = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 4;
    int shift = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (e->modifiers() & Qt::ControlModifier)
        shift |= 2;
    m_lastShift = shift;
    m_mouseUpText = NodeText();
    // A right click leaves the selection and the path where they were.
    if (button == 2) {
        if (QStandardItem *prev = m_model->node(m_previousKey)) {
            selectNode(prev);
            m_path = m_previousKey;
        }
    }
    emit MouseUp(button, shift, float(e->position().x()), float(e->position().y()));
    m_mouseUpText.clear();
}

// ---------------------------------------------------------------------------
// The view

qvTreeView::qvTreeView(qvTree *owner) : QTreeView(owner), m_owner(owner)
{
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

bool qvTreeView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (trigger == QAbstractItemView::AllEditTriggers || trigger == QAbstractItemView::EditKeyPressed ||
        trigger == QAbstractItemView::SelectedClicked) {
        if (!m_owner->tvwDir_BeforeLabelEdit())
            return false;
    }
    return QTreeView::edit(index, trigger, event);
}

// Dotted lines joining each node to its parent and its next sibling, under the
// expanders, when the tree shows lines.
void qvTreeView::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    if (m_owner->m_showTreeLines) {
        const int indent = indentation();
        painter->save();
        painter->setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
        const int cy = rect.top() + rect.height() / 2;
        const int ownLeft = rect.right() + 1 - indent;
        const int cx = ownLeft + indent / 2;
        const bool hasNext = index.sibling(index.row() + 1, 0).isValid();
        painter->drawLine(cx, rect.top(), cx, hasNext ? rect.bottom() : cy);
        painter->drawLine(cx, cy, rect.right(), cy);
        int x = ownLeft - indent;
        for (QModelIndex a = index.parent(); a.isValid(); a = a.parent(), x -= indent) {
            if (a.sibling(a.row() + 1, 0).isValid())
                painter->drawLine(x + indent / 2, rect.top(), x + indent / 2, rect.bottom());
        }
        painter->restore();
    }
    QTreeView::drawBranches(painter, rect, index);
}

void qvTreeView::mousePressEvent(QMouseEvent *e)
{
    m_owner->viewMouseDown(e);
    QTreeView::mousePressEvent(e);
}

void qvTreeView::mouseReleaseEvent(QMouseEvent *e)
{
    QTreeView::mouseReleaseEvent(e);
    m_owner->viewMouseUp(e);
}

void qvTreeView::mouseMoveEvent(QMouseEvent *e)
{
    const int button = (e->buttons() & Qt::LeftButton) ? 1 : (e->buttons() & Qt::RightButton) ? 2 : 0;
    emit m_owner->MouseMove(button, m_owner->m_lastShift, float(e->position().x()), float(e->position().y()));
    QTreeView::mouseMoveEvent(e);
}

void qvTreeView::mouseDoubleClickEvent(QMouseEvent *e)
{
    QTreeView::mouseDoubleClickEvent(e);
    emit m_owner->DblClick();
}

void qvTreeView::keyPressEvent(QKeyEvent *e)
{
    // Moving through the tree with the keys is a left-button choice of the node.
    m_owner->m_lastButton = 1;
    emit m_owner->KeyDown(e->key(), int(e->modifiers() & Qt::ShiftModifier ? 1 : 0));
    if (!e->text().isEmpty())
        emit m_owner->KeyPress(e->text().at(0).unicode());
    QTreeView::keyPressEvent(e);
}

void qvTreeView::keyReleaseEvent(QKeyEvent *e)
{
    emit m_owner->KeyUp(e->key(), int(e->modifiers() & Qt::ShiftModifier ? 1 : 0));
    QTreeView::keyReleaseEvent(e);
}

} // namespace qv
