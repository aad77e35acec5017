#pragma once
#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <memory>

#include "platform/files/FileSystem.h"
#include <vector>

class QMimeData;
class QStandardItem;

namespace qv
{
class ChangeWatch;
class qvTreeModel;
class qvTree;

// The tree view inside qvTree: hands its mouse, key, edit and drag events to the control.
class qvTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit qvTreeView(qvTree *owner);
    using QTreeView::edit;
    void scrollOneLine(int direction); // 0 up, 1 down, 2 left, 3 right

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dragLeaveEvent(QDragLeaveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    qvTree *m_owner;
};

// The directory tree: the computer with its drives, or one RootFolder, and the folders
// below them, loaded one level ahead of what is open.
class qvTree : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(int Appearance READ Appearance WRITE setAppearance)
    Q_PROPERTY(bool ShowHidden READ ShowHidden WRITE setShowHidden)
    Q_PROPERTY(bool ShowSystem READ ShowSystem WRITE setShowSystem)
    Q_PROPERTY(QString GoToPath READ storedGoToPath WRITE setGoToPath)
    Q_PROPERTY(QString RootFolder READ RootFolder WRITE setRootFolder)
    Q_PROPERTY(bool AllowRenaming READ AllowRenaming WRITE setAllowRenaming)
    Q_PROPERTY(QString RootFolderText READ RootFolderText WRITE setRootFolderText)
    Q_PROPERTY(bool ShowTreeLines READ ShowTreeLines WRITE setShowTreeLines)
    Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE setAutoUpdate)
    Q_PROPERTY(int OLEDragMode READ OLEDragMode WRITE setOLEDragMode)
    Q_PROPERTY(int OLEDropMode READ OLEDropMode WRITE setOLEDropMode)
    Q_PROPERTY(bool Border READ Border WRITE setBorder)
    Q_PROPERTY(quint32 BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(QString GetPath READ GetPath WRITE setGetPath)

public:
    static constexpr quint32 HiddenColour = 0x967158; // BGR
    static const QString ComputerKey;                 // "R1"

    explicit qvTree(QWidget *parent = nullptr);
    ~qvTree() override;

    // Properties
    bool Enabled() const;
    void setEnabled(bool e);
    int Appearance() const { return m_appearance; }
    void setAppearance(int a);
    bool ShowHidden() const { return m_showHidden; }
    void setShowHidden(bool v);
    bool ShowSystem() const { return m_showSystem; }
    void setShowSystem(bool v);
    QString storedGoToPath() const { return m_goToPath; }
    // Reading GoToPath at run time is refused (error 393), as writing is what it is for.
    QString GoToPath() const;
    void setGoToPath(const QString &path);
    QString RootFolder() const { return m_rootFolder; }
    void setRootFolder(const QString &folder);
    bool AllowRenaming() const { return m_allowRenaming; }
    void setAllowRenaming(bool v) { m_allowRenaming = v; }
    QString RootFolderText() const { return m_rootFolderText; }
    void setRootFolderText(const QString &t) { m_rootFolderText = t.trimmed(); }
    bool ShowTreeLines() const { return m_showTreeLines; }
    void setShowTreeLines(bool v);
    bool AutoUpdate() const { return m_autoUpdate; }
    void setAutoUpdate(bool v) { m_autoUpdate = v; }
    int OLEDragMode() const { return m_oleDragMode; }
    void setOLEDragMode(int m);
    int OLEDropMode() const { return m_oleDropMode; }
    void setOLEDropMode(int m);
    bool Border() const { return m_border; }
    void setBorder(bool v);
    quint32 BorderColor() const { return m_borderColor; }
    void setBorderColor(quint32 c);
    QString GetPath() const { return m_getPath; }
    void setGetPath(const QString &path);

    // Queries
    QString Path() const { return m_path; }
    QString DriveLetters() const { return m_driveLettersPublic; }
    QString DriveCount() const { return QString::number(m_driveCount); }
    QString Drive() const { return m_drive; }
    int DriveIndex() const { return m_driveIndex; }
    int SubFolderCount() const { return m_subFolderCount; }
    QString NodeText() const;
    QString NodeText2() const;
    bool InRenameModus() const { return m_inRenameModus; }
    long CountElements(int Include);
    QString DriveName(const QString &DriveLetter) const;
    QStandardItem *GetHighlightNode() const;
    QStandardItem *GetMouseDownNode() const;

    // Commands
    void Refresh();
    void CollapsAll();
    void RemoveNode(const QString &nKey);
    long CreateNewFolder();
    void DeleteSelectedFolder(bool HindreBekreft, bool SlettPermanent);
    int RenameSelectedFolder();
    void SetRenameVar(bool bValue) { m_inRenameModus = bValue; }

    // Shows the given folders in place of the disks: one top node captioned rootText,
    // below it every folder of folders ("Brev/Gamle": names with "/" between them; the
    // parents need not be listed). No disk is read or watched, and Path() is the
    // selected folder in the same form ("" for the top node). Calling it again
    // replaces the folders.
    void ShowFolders(const QString &rootText, const QStringList &folders);
    bool ShowsGivenFolders() const { return m_given; }
    // The node of a given folder ("" for the top node); nullptr when it is not shown.
    QStandardItem *givenNode(const QString &folder) const;

    // Parts for tests and the window that holds the tree.
    qvTreeView *treeView() const { return m_view; }
    qvTreeModel *model() const { return m_model; }
    QStandardItem *selectedNode() const;
    QStandardItem *node(const QString &key) const;
    QTimer &updateTimer() { return m_tmr1; }
    void runUpdateTick() { tmr1_Timer(); }
    QStringList SubFolderNames() const { return m_subFolderNames; }

    // The tree's own error log: the record goes to "ERROR_qvTree.txt" in the program
    // folder and, unless silent, the error message is shown.
    void LogTreeError(const QString &procedure, int number, const QString &description, bool silent);

    // Path helpers of the tree's key rules.
    static QString FolderName(const QString &path);
    static QString ParentPath(const QString &path);
    static QString StripTrailingBackslash(const QString &path);

signals:
    void AfterLabelEdit(int &Cancel, QString &NewString);
    void BeforeLabelEdit(int &Cancel);
    void Click();
    void DblClick();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, float x, float y);
    void MouseMove(int Button, int Shift, float x, float y);
    void MouseUp(int Button, int Shift, float x, float y);
    void Collapse(QStandardItem *Node);
    void Expand(QStandardItem *Node);
    void NodeClick(QStandardItem *Node, int &Shift);
    void DriveChange();
    void DriveCountChange();
    void SubFolderCountChange(long &SubFolderCount);
    void PathChange(QString &Path, QString &PreviousPath, int &Shift);
    void OLECompleteDrag(int &Effect);
    void OLESetData(QMimeData *Data, int &DataFormat);
    void OLEStartDrag(QMimeData *Data, int &AllowedEffects);
    void OLEDragDrop(const QMimeData *Data, int &Effect, int Button, int Shift, float x, float y);
    void OLEDragOver(const QMimeData *Data, int &Effect, int Button, int Shift, float x, float y, int State);

protected:
    void showEvent(QShowEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    friend class qvTreeView;
    friend class qvTreeDelegate;

    // Start-up and browsing
    void UserControl_Show();
    void General_zFinnDisker();
    void General_zFinnMapper(const QString &path);
    int General_zFindSubDirNum(const QString &path, long &fileCount);
    void General_zDirekteTil(QString path);
    void tvwDir_Expand(QStandardItem *n);
    void tvwDir_Collapse(QStandardItem *n);
    void tvwDir_NodeClick(QStandardItem *n);
    void UpdateSelectedImage();
    void MarkSharedChildren(QStandardItem *n);
    void applyColours(bool enabled);
    void applyTreeStyle();
    void layoutView();
    bool isFolder(const QString &path) const;
    bool isVisibleFolder(quint32 attributes) const;
    static qv::DirEntry withLinkKind(const QString &folder, const qv::DirEntry &entry);
    void selectNode(QStandardItem *n);
    void removeNodeQuietly(const QString &key); // throws 35601
    void expandNode(QStandardItem *n);
    void reselectCurrent();
    void onCurrentChanged(const QModelIndex &current);
    void freeze(bool frozen);
    void givenNodeClick(QStandardItem *n);

    // Mouse and keys from the view
    void viewMouseDown(QMouseEvent *e);
    void viewMouseUp(QMouseEvent *e);

    // Editing
    bool tvwDir_BeforeLabelEdit();
    void tvwDir_AfterLabelEdit(QStandardItem *edited, QString newString, bool *cancel);
    void labelEditEnded();
    bool General_zEndreFilnavn(const QString &oldPath, QString newPath);

    // Dragging
    void dragOver(QDropEvent *e, int state);
    void dragDrop(QDropEvent *e);
    void tmrDragScroll_Timer();
    void tmrNodeExpand_Timer();

    // Updates
    void tmr1_Timer();
    // The steps of the tick that stand on their own.
    void tickDrives();
    void tickCdMedia();
    void tickSubFolderCount(QStandardItem *s, bool fired);
    void armWatch(const QString &key);
    void closeWatch();
    QString driveListEntry(QChar letter) const;
    QString volumeLabel(QChar letter) const;
    static QString driveImage(int type);

    qvTreeView *m_view = nullptr;
    qvTreeModel *m_model = nullptr;
    QTimer m_tmr1, m_tmrDragScroll, m_tmrNodeExpand;
    std::unique_ptr<qv::ChangeWatch> m_watch;

    bool m_started = false;
    bool m_given = false;        // ShowFolders: the nodes are the program's, not the disks'
    bool m_programmatic = false; // selection changes made by the control raise no click
    bool m_refreshQueued = false;
    bool m_inTick = false;
    int m_appearance = 1;
    bool m_showHidden = false, m_showSystem = false, m_allowRenaming = false, m_showTreeLines = false;
    bool m_autoUpdate = true, m_border = true;
    int m_oleDragMode = 0, m_oleDropMode = 1;
    quint32 m_borderColor = 0x8000000F;
    QString m_goToPath, m_rootFolder, m_rootFolderText;

    QString m_getPath, m_path;
    QString m_driveLetters, m_driveLettersPublic, m_cdLetters;
    int m_driveCount = 0;
    QString m_drive;
    int m_driveIndex = 0;
    int m_subFolderCount = 0;
    QStringList m_subFolderNames{QString()};
    std::vector<bool> m_subFolderLinks;
    QString m_previousKey, m_keyBeforePress;
    int m_lastButton = 1, m_lastShift = 0;
    QString m_mouseDownKey;
    QString m_mouseUpText;
    bool m_inRenameModus = false;
    std::vector<bool> m_cdMedia;
    int m_scrollDirection = 0;
    QString m_hoverKey;
};

} // namespace qv
