#pragma once
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/CTooltip.h"

#include <QStringList>
#include <QWidget>
#include <memory>

class QTreeView;
class QListView;
class QTimer;
class QMimeData;
class QMouseEvent;
class QItemSelectionModel;
class QAbstractItemView;

namespace qv
{
class ChangeWatch;
struct DirEntry;
class qvFileListModel;
class qvFileListSource;

// The file list: the entries of one folder (automatic mode) or the rows a program
// adds (manual mode), in report, icon or list view, with folders kept above files
// when sorted by name. Rows are numbered from 1 in display order; each row's tag is
// its full Windows path.
class qvFileList : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QFont Font READ Font WRITE setFontProperty)
    Q_PROPERTY(int Appearance READ Appearance WRITE setAppearance)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool ShowHidden READ ShowHidden WRITE setShowHidden)
    Q_PROPERTY(bool ShowSystem READ ShowSystem WRITE setShowSystem)
    Q_PROPERTY(QString Pattern READ Pattern WRITE setPattern)
    Q_PROPERTY(QString Path READ Path WRITE setPath)
    Q_PROPERTY(int FileDecimals READ FileDecimals WRITE setFileDecimals)
    Q_PROPERTY(bool FullRowSelect READ FullRowSelect WRITE setFullRowSelect)
    Q_PROPERTY(bool HideColumnHeaders READ HideColumnHeaders WRITE setHideColumnHeaders)
    Q_PROPERTY(int View READ View WRITE setView)
    Q_PROPERTY(int FlatHeader READ FlatHeader WRITE setFlatHeader)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE setMultiSelect)
    Q_PROPERTY(bool AutoColumnWidth READ AutoColumnWidth WRITE setAutoColumnWidth)
    Q_PROPERTY(bool ShowFolders READ ShowFolders WRITE setShowFolders)
    Q_PROPERTY(bool Border READ Border WRITE setBorder)
    Q_PROPERTY(quint32 BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(int ColumnWidth1 READ ColumnWidth1 WRITE setColumnWidth1)
    Q_PROPERTY(int ColumnWidth2 READ ColumnWidth2 WRITE setColumnWidth2)
    Q_PROPERTY(int ColumnWidth3 READ ColumnWidth3 WRITE setColumnWidth3)
    Q_PROPERTY(int ColumnWidth4 READ ColumnWidth4 WRITE setColumnWidth4)
    Q_PROPERTY(int ColumnWidth5 READ ColumnWidth5 WRITE setColumnWidth5)
    Q_PROPERTY(int LoadFileIcons READ LoadFileIcons WRITE setLoadFileIcons)
    Q_PROPERTY(bool ShowFullPath READ ShowFullPath WRITE setShowFullPath)
    Q_PROPERTY(int FillMode READ FillMode WRITE setFillMode)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)
    Q_PROPERTY(bool HideKRMBfiles READ HideKRMBfiles WRITE setHideKRMBfiles)
    Q_PROPERTY(int LabelEdit READ LabelEdit WRITE setLabelEdit)
    Q_PROPERTY(int OLEDragMode READ OLEDragMode WRITE setOLEDragMode)
    Q_PROPERTY(int OLEDropMode READ OLEDropMode WRITE setOLEDropMode)
    Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE setAutoUpdate)
    Q_PROPERTY(bool ShowFileType READ ShowFileType WRITE setShowFileType)
    Q_PROPERTY(QString qvToolTip READ qvToolTip WRITE setQvToolTip)
    Q_PROPERTY(QString qvToolTipHeader READ qvToolTipHeader WRITE setQvToolTipHeader)
    Q_PROPERTY(int qvToolTipDelayTime READ qvToolTipDelayTime WRITE setQvToolTipDelayTime)
    Q_PROPERTY(int qvToolTipTime READ qvToolTipTime WRITE setQvToolTipTime)
    Q_PROPERTY(int qvToolTipIcon READ qvToolTipIcon WRITE setQvToolTipIcon)
    Q_PROPERTY(int qvToolTipStyle READ qvToolTipStyle WRITE setQvToolTipStyle)

public:
    using OleColor = qv::qvKontrollerFelles::OleColor;
    // No colour passed: the palette's text colour.
    static constexpr qint64 NoColor = -1;
    static const QString ErrorFile; // "ERROR_qvFileList.txt"

    explicit qvFileList(QWidget *parent = nullptr);
    ~qvFileList() override;

    // ---- filling
    void Clear();
    bool AddItem(const QString &sFilnavn, const QString &sEgen, const QString &sStorrelse,
                 const QString &sDato, const QString &sAttr, qint64 lItemColor = NoColor);
    // Shows source's rows in place of the list's, in the source's order, holding none of
    // their texts (manual mode); source lives until Clear or the next call.
    void ShowRows(const qvFileListSource *source);
    void AddFile(const QString &sFile, int lIndex = 0, bool AutoRefresh = true, qint64 lItemColor = NoColor);
    void Refresh();

    // ---- queries and changes (rows 1-based)
    // Include 0 all rows, 1 files, 2 folders; -1 for any other. The size text is
    // filled unless it is a single blank.
    int GetCount(int Include = 0, QString *TotalFileSize = nullptr, bool TotalFileSizeByte = false) const;
    int GetSelectedCount(QString *SelectedFileSize = nullptr, bool TotalFileSizeByte = false) const;
    QString GetFile(int lIndex) const;
    QString GetFileName(int lIndex) const;
    QString GetFilePath(int lIndex) const;
    // The row of the ShowRows source shown as lIndex (0-based); -1 for a row added
    // otherwise or none.
    int SourceRow(int lIndex) const;
    QString GetItem(int column, int lIndex) const;
    bool ChangeItem(int column, int lIndex, const QString &text, const QString &fullPath = {});
    void UpdateItem(int lIndex, bool bOnlyIcon = false);
    void RemoveFile(int lIndex, bool SelectNextFile = false);
    void RemoveSelectedFiles();
    bool ListSelectAll(bool SelectReverse = false);
    bool ListSelect(int lIndex, bool bSelect = true, bool bEnsureVisible = false);
    bool ListSelectClear();
    bool ListFind(const QString &sFile, bool bEnsureVisible = false);
    bool ListItemExist(const QString &sFile) const;
    int GetFileIndex(const QString &sFile) const;
    bool IsSelected(int lIndex) const;
    int GetSelectedIndex() const;
    // Appends every selected path + NUL, then one NUL; 1, or -1 when nothing was selected.
    int GetSelectedFilesString(QString &SelectedFiles) const;
    void GetSelectedFilesCollection(QStringList &SelectedFiles, bool OnlyFilename = false) const;
    int GetColumnWidth(const QString &ColumnKey) const;
    void SetColumnWidth(const QString &ColumnKey, int ColumnWidth);
    void AutoColWidth();
    void SortColumn(int lColumnIndex, int eDirection);
    OleColor ItemColor(int lIndex) const;
    int HitTest(int x, int y) const; // row number, 0 for none
    int GetHighlightItem() const { return m_dropHighlight; }
    int GetVisibleCount() const;
    QString GetParentFolder() const;
    void StartLabelEdit();
    bool IsDragActive() const { return m_dragActive; }
    void qvToolTipDestroy();

    // Sort state (0-based column, 0 ascending / 1 descending).
    int sortColumn() const { return m_sortColumn; }
    int sortDirection() const { return m_sortDescending ? 1 : 0; }
    // The column showing an arrow (-1: none) and whether it points up.
    int arrowColumn() const;
    bool arrowUp() const;

    // ---- properties
    QFont Font() const { return font(); }
    void setFontProperty(const QFont &f) { setFont(f); }
    int Appearance() const { return m_appearance; }
    void setAppearance(int v);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int v);
    bool ShowHidden() const { return m_showHidden; }
    void setShowHidden(bool on) { m_showHidden = on; }
    bool ShowSystem() const { return m_showSystem; }
    void setShowSystem(bool on) { m_showSystem = on; }
    QString Pattern() const { return m_pattern; }
    void setPattern(const QString &p) { m_pattern = p; }
    QString Path() const { return m_path; }
    void setPath(const QString &path);
    int FileDecimals() const { return m_fileDecimals; }
    void setFileDecimals(int d) { m_fileDecimals = d; }
    bool FullRowSelect() const { return m_fullRowSelect; }
    void setFullRowSelect(bool on);
    bool HideColumnHeaders() const { return m_hideColumnHeaders; }
    void setHideColumnHeaders(bool on);
    int View() const { return m_view; }
    void setView(int view);
    int FlatHeader() const { return m_flatHeader; }
    void setFlatHeader(int v);
    bool MultiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on);
    bool AutoColumnWidth() const { return m_autoColumnWidth; }
    void setAutoColumnWidth(bool on) { m_autoColumnWidth = on; }
    bool ShowFolders() const { return m_showFolders; }
    void setShowFolders(bool on) { m_showFolders = on; }
    bool Border() const { return m_border; }
    void setBorder(bool on);
    OleColor BorderColor() const { return m_borderColor; }
    void setBorderColor(OleColor c);
    int ColumnWidth1() const { return columnWidthAt(0); }
    int ColumnWidth2() const { return columnWidthAt(1); }
    int ColumnWidth3() const { return columnWidthAt(2); }
    int ColumnWidth4() const { return columnWidthAt(3); }
    int ColumnWidth5() const { return columnWidthAt(4); }
    void setColumnWidth1(int w) { setColumnWidthAt(0, w); }
    void setColumnWidth2(int w) { setColumnWidthAt(1, w); }
    void setColumnWidth3(int w) { setColumnWidthAt(2, w); }
    void setColumnWidth4(int w) { setColumnWidthAt(3, w); }
    void setColumnWidth5(int w) { setColumnWidthAt(4, w); }
    int LoadFileIcons() const { return m_loadFileIcons; }
    void setLoadFileIcons(int v);
    bool ShowFullPath() const { return m_showFullPath; }
    void setShowFullPath(bool on);
    int FillMode() const { return m_fillMode; }
    void setFillMode(int mode) { m_fillMode = mode; }
    bool Enabled() const { return isEnabled(); }
    void setEnabledProperty(bool on) { setEnabled(on); }
    bool HideKRMBfiles() const { return m_hideKRMB; }
    void setHideKRMBfiles(bool on) { m_hideKRMB = on; }
    int LabelEdit() const { return m_labelEdit; }
    void setLabelEdit(int v);
    int OLEDragMode() const { return m_oleDragMode; }
    void setOLEDragMode(int v);
    int OLEDropMode() const { return m_oleDropMode; }
    void setOLEDropMode(int v);
    bool AutoUpdate() const { return m_autoUpdate; }
    void setAutoUpdate(bool on) { m_autoUpdate = on; }
    bool ShowFileType() const { return m_showFileType; }
    void setShowFileType(bool on) { m_showFileType = on; }
    QString qvToolTip() const { return m_tipProps.text; }
    void setQvToolTip(const QString &t);
    QString qvToolTipHeader() const { return m_tipProps.header; }
    void setQvToolTipHeader(const QString &t);
    int qvToolTipDelayTime() const { return m_tipProps.delay; }
    void setQvToolTipDelayTime(int ms);
    int qvToolTipTime() const { return m_tipProps.time; }
    void setQvToolTipTime(int ms);
    int qvToolTipIcon() const { return m_tipProps.icon; }
    void setQvToolTipIcon(int v);
    int qvToolTipStyle() const { return m_tipProps.style; }
    void setQvToolTipStyle(int v);

    // The inner views (tests, the main window's layout).
    QTreeView *reportView() const { return m_tree; }
    QListView *iconView() const { return m_list; }
    QAbstractItemView *activeView() const;
    qvFileListModel *model() const { return m_model; }

signals:
    void AfterLabelEdit(bool *Cancel, QString *NewString);
    void BeforeLabelEdit(bool *Cancel);
    void ColumnClick(int ColumnHeader); // 0-based
    void ItemClick(int Item);           // 1-based
    void Click();
    void DblClick();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, int x, int y);
    void MouseMove(int Button, int Shift, int x, int y);
    void MouseUp(int Button, int Shift, int x, int y);
    void PathChange();
    void OLECompleteDrag(int Effect);
    void OLEDragDrop(const QMimeData *Data, int *Effect, int Button, int Shift, int x, int y);
    void OLEStartDrag(QMimeData *Data, int *AllowedEffects);
    void OLESetData(QMimeData *Data, const QString &DataFormat);
    void OLEDragOver(const QMimeData *Data, int *Effect, int Button, int Shift, int x, int y, int State);

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Filling.
    void General_zFyllListe();
    int General_zFindSubFolders(const QString &folder);
    void General_zFyllListeDir();
    void General_zFyllListeEnkle(const QString &fullPath);
    void General_zFyllBildelister();
    void General_zFyllBildelisterEnkle(const QString &fullPath);
    void General_zSjekkListe();
    void General_zSorterMapperFoerst();
    void appendRow(const QString &fullPath, const qv::DirEntry *e, qint64 itemColor);
    void placeNewRow();
    void loadIconsFor(int row);
    void loadIconsAround();
    void autoUpdateTick();
    void onColumnClick(int column);
    void showSortArrow(int column, bool up);
    void hideSortArrow();
    void rearmWatch();
    bool maybeStartDrag(QMouseEvent *event);
    bool handleDragEvent(QWidget *viewport, QEvent *event);
    void logError(const QString &procedure, int number, const QString &description, bool quiet = false,
                  const QString &module = QStringLiteral("qvFileList"));
    bool isHiddenRow(int row) const;
    QColor rowColor(const QString &attr, qint64 itemColor) const;
    QString shownText(const QString &fullPath) const;
    bool rowIsFolderForCount(int row) const;
    double sizeSum(bool selectedOnly) const;
    void applyViewMode();
    void applyTip();
    void applyBorder();
    int columnWidthAt(int c) const;
    int contentWidth(int column) const;
    void setColumnWidthAt(int c, int w);
    int modelRowOf(int lIndex) const; // -1 outside
    QItemSelectionModel *selection() const;

    qvFileListModel *m_model;
    QTreeView *m_tree;
    QListView *m_list;
    QTimer *m_tmr1, *m_tmr2, *m_tmrDragScroll;
    std::unique_ptr<qv::ChangeWatch> m_watch;
    std::unique_ptr<qv::CTooltip> m_tip;
    QStringList m_subFolders;
    int m_subFolderCount = 0;
    bool m_shown = false;
    bool m_filled = false; // an automatic fill has run
    QPoint m_dragStart;
    // Sort state: column 0-based, the list's own sorting on or off, the last title.
    int m_sortColumn = 0;
    bool m_sortDescending = false;
    bool m_sorted = false;
    QString m_lastClickedTitle;
    // Drag state.
    bool m_dragActive = false;
    int m_dragScrollStep = 0; // -1 line up, +1 line down
    int m_dropHighlight = 0;

    int m_appearance = 0, m_borderStyle = 0;
    bool m_showHidden = false, m_showSystem = false;
    QString m_pattern = QStringLiteral("*.*");
    QString m_path = QStringLiteral("c:\\");
    int m_fileDecimals = 2;
    bool m_fullRowSelect = false, m_hideColumnHeaders = true;
    int m_view = 3, m_flatHeader = 0;
    bool m_multiSelect = true, m_autoColumnWidth = false, m_showFolders = false, m_border = true;
    OleColor m_borderColor = qv::qvKontrollerFelles::SysColor::ButtonFace;
    int m_columnWidths[5] = {200, 60, 102, 102, 50};
    int m_loadFileIcons = 3;
    bool m_showFullPath = false;
    int m_fillMode = 0;
    bool m_hideKRMB = false;
    int m_labelEdit = 1, m_oleDragMode = 0, m_oleDropMode = 1;
    bool m_autoUpdate = true, m_showFileType = false;
    qv::TooltipProperties m_tipProps;
};

} // namespace qv
