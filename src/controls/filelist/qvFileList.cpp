// The widget itself: the views over the row model, properties, input events and the
// control's error file.
#include "controls/filelist/qvFileList.h"

#include "controls/drawing/MouseArgs.h"

#include "controls/filelist/qvFileListModel.h"
#include "controls/panels/CTooltip.h"
#include "platform/base/UserDialog.h"
#include "platform/paths/WinPath.h"
#include "platform/system/ChangeWatch.h"
#include "platform/system/ErrorMessage.h"
#include "platform/system/ErrorRecord.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace qv
{

const QString qvFileList::ErrorFile = QStringLiteral("ERROR_qvFileList.txt");

namespace
{

const QString SupportAddress = QStringLiteral("kontroller@qvbackup.no");

// Without full-row selection only the name column shows the highlight; editing
// asks the control first.
class RowDelegate : public QStyledItemDelegate
{
public:
    RowDelegate(qvFileList *list, const bool *fullRow)
        : QStyledItemDelegate(list), m_list(list), m_fullRow(fullRow)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem o(option);
        if (!*m_fullRow && index.column() > 0)
            o.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, o, index);
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        bool cancel = false;
        emit m_list->BeforeLabelEdit(&cancel);
        return cancel ? nullptr : QStyledItemDelegate::createEditor(parent, option, index);
    }

private:
    qvFileList *m_list;
    const bool *m_fullRow;
};

} // namespace

qvFileList::qvFileList(QWidget *parent)
    : QWidget(parent), m_model(new qvFileListModel(this)), m_tree(new QTreeView(this)),
      m_list(new QListView(this)), m_tmr1(new QTimer(this)), m_tmr2(new QTimer(this)),
      m_tmrDragScroll(new QTimer(this)), m_tip(std::make_unique<qv::CTooltip>())
{
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_tree);
    layout->addWidget(m_list);

    m_tree->setModel(m_model);
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setTextElideMode(Qt::ElideRight);
    m_tree->header()->setSectionsClickable(true);
    m_tree->header()->setSectionsMovable(false);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSortIndicatorShown(false);
    m_tree->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_tree->setItemDelegate(new RowDelegate(this, &m_fullRowSelect));
    for (int c = 0; c < qvFileListModel::Columns; ++c)
        m_tree->header()->resizeSection(c, m_columnWidths[c]);
    connect(m_tree->header(), &QHeaderView::sectionClicked, this, &qvFileList::onColumnClick);
    connect(m_tree->header(), &QHeaderView::sectionResized, this, [this](int c, int, int w) {
        if (c >= 0 && c < 5)
            m_columnWidths[c] = w;
    });

    m_list->setModel(m_model);
    m_list->setSelectionModel(m_tree->selectionModel());
    m_list->setUniformItemSizes(true);
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(2000);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setItemDelegate(new RowDelegate(this, &m_fullRowSelect));

    for (QAbstractItemView *v :
         {static_cast<QAbstractItemView *>(m_tree), static_cast<QAbstractItemView *>(m_list)}) {
        v->installEventFilter(this);
        v->viewport()->installEventFilter(this);
        v->setDragDropMode(QAbstractItemView::NoDragDrop);
        connect(v, &QAbstractItemView::clicked, this,
                [this](const QModelIndex &i) { emit ItemClick(i.row() + 1); });
    }
    connect(m_model, &qvFileListModel::labelEdited, this,
            [this](int, QString *text, bool *cancel) { emit AfterLabelEdit(cancel, text); });

    m_tmr1->setInterval(2000);
    connect(m_tmr1, &QTimer::timeout, this, &qvFileList::autoUpdateTick);
    connect(m_tmr2, &QTimer::timeout, this, [this] {
        m_tmr2->setInterval(500);
        loadIconsAround();
    });
    m_tmrDragScroll->setSingleShot(true);
    m_tmrDragScroll->setInterval(100);
    connect(m_tmrDragScroll, &QTimer::timeout, this, [this] {
        QAbstractItemView *v = activeView();
        QScrollBar *bar = v->verticalScrollBar();
        if (v == m_tree)
            bar->setValue(bar->value() + m_dragScrollStep);
        else
            bar->triggerAction(m_dragScrollStep < 0 ? QAbstractSlider::SliderSingleStepSub
                                                    : QAbstractSlider::SliderSingleStepAdd);
    });

    setMultiSelect(true);
    setLabelEdit(1);
    setOLEDropMode(m_oleDropMode);
    setHideColumnHeaders(true);
    applyViewMode();
    applyBorder();
    setFocusProxy(m_tree);
}

qvFileList::~qvFileList()
{
    m_tmr1->stop();
    m_tmr2->stop();
}

QAbstractItemView *qvFileList::activeView() const
{
    return m_view == 3 ? static_cast<QAbstractItemView *>(m_tree) : static_cast<QAbstractItemView *>(m_list);
}

QItemSelectionModel *qvFileList::selection() const
{
    return m_tree->selectionModel();
}

// ---- properties passed on to the views

void qvFileList::applyBorder()
{
    const int m = m_border ? 1 : 0;
    layout()->setContentsMargins(m, m, m, m);
    const QFrame::Shape shape = m_borderStyle != 0 ? QFrame::StyledPanel : QFrame::NoFrame;
    for (QAbstractItemView *v :
         {static_cast<QAbstractItemView *>(m_tree), static_cast<QAbstractItemView *>(m_list)}) {
        v->setFrameShape(shape);
        v->setFrameShadow(m_appearance != 0 ? QFrame::Sunken : QFrame::Plain);
    }
    update();
}

void qvFileList::applyViewMode()
{
    const bool report = m_view == 3;
    m_tree->setVisible(report);
    m_list->setVisible(!report);
    m_model->setLargeIcons(m_view == 0);
    if (m_view == 0) {
        m_list->setViewMode(QListView::IconMode);
        m_list->setIconSize(QSize(32, 32));
        m_list->setGridSize(QSize(76, 64));
        m_list->setWordWrap(true);
        m_list->setFlow(QListView::LeftToRight);
        m_list->setWrapping(true);
    } else {
        m_list->setViewMode(QListView::ListMode);
        m_list->setIconSize(QSize(16, 16));
        m_list->setGridSize(QSize());
        m_list->setWordWrap(false);
        m_list->setFlow(m_view == 1 ? QListView::LeftToRight : QListView::TopToBottom);
        m_list->setWrapping(true);
        if (m_view == 1)
            m_list->setGridSize(QSize(std::max(120, m_columnWidths[0] / 2), fontMetrics().height() + 4));
    }
    m_list->setMovement(QListView::Static);
}

void qvFileList::setAppearance(int v)
{
    m_appearance = v;
    applyBorder();
}

void qvFileList::setBorderStyle(int v)
{
    m_borderStyle = v;
    applyBorder();
}

void qvFileList::setBorder(bool on)
{
    m_border = on;
    applyBorder();
}

void qvFileList::setBorderColor(OleColor c)
{
    m_borderColor = c;
    update();
}

void qvFileList::setFullRowSelect(bool on)
{
    m_fullRowSelect = on;
    m_tree->setAllColumnsShowFocus(on);
    m_tree->viewport()->update();
}

void qvFileList::setHideColumnHeaders(bool on)
{
    m_hideColumnHeaders = on;
    m_tree->setHeaderHidden(on);
}

void qvFileList::setView(int view)
{
    if (view < 0 || view > 3)
        return;
    m_view = view;
    applyViewMode();
    if (m_tip->TTParent())
        applyTip();
    if (m_view != 3 && m_loadFileIcons != 0 && m_model->count() > 0 && m_fillMode == 0)
        General_zFyllBildelister();
}

// Flat titles: plain cells with a dividing line instead of raised buttons.
void qvFileList::setFlatHeader(int v)
{
    m_flatHeader = v;
    m_tree->header()->setStyleSheet(
        v != 0 ? QStringLiteral("QHeaderView::section { border: none; border-right: 1px solid palette(mid); "
                                "border-bottom: 1px solid palette(mid); background: palette(base); "
                                "padding: 1px 4px; }")
               : QString());
}

void qvFileList::setMultiSelect(bool on)
{
    m_multiSelect = on;
    const auto mode = on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    m_tree->setSelectionMode(mode);
    m_list->setSelectionMode(mode);
}

void qvFileList::setLabelEdit(int v)
{
    m_labelEdit = v;
    m_model->setEditable(true);
    const auto triggers = v == 0 ? (QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed)
                                 : QAbstractItemView::NoEditTriggers;
    m_tree->setEditTriggers(triggers);
    m_list->setEditTriggers(triggers);
}

void qvFileList::setOLEDragMode(int v)
{
    m_oleDragMode = v;
}

void qvFileList::setOLEDropMode(int v)
{
    m_oleDropMode = v;
    m_tree->viewport()->setAcceptDrops(v != 0);
    m_list->viewport()->setAcceptDrops(v != 0);
}

void qvFileList::setLoadFileIcons(int v)
{
    m_loadFileIcons = v;
    m_model->setShowIcons(v == 1 || v == 3, v == 2 || v == 3);
}

// The tip sits on the shown view's viewport, where the pointer rests.
void qvFileList::applyTip()
{
    if (m_tipProps.isEmpty())
        m_tip->TTDestroy();
    else
        m_tipProps.CreateOn(*m_tip, activeView()->viewport());
}

void qvFileList::setQvToolTip(const QString &t)
{
    m_tipProps.text = t;
    applyTip();
}

void qvFileList::setQvToolTipHeader(const QString &t)
{
    m_tipProps.header = t;
    applyTip();
}

void qvFileList::setQvToolTipDelayTime(int ms)
{
    m_tipProps.delay = ms;
    applyTip();
}

void qvFileList::setQvToolTipTime(int ms)
{
    m_tipProps.time = ms;
    applyTip();
}

void qvFileList::setQvToolTipIcon(int v)
{
    m_tipProps.icon = v;
    applyTip();
}

void qvFileList::setQvToolTipStyle(int v)
{
    m_tipProps.style = v;
    applyTip();
}

void qvFileList::qvToolTipDestroy()
{
    m_tip->TTDestroy();
}

int qvFileList::columnWidthAt(int c) const
{
    return m_columnWidths[c];
}

void qvFileList::setColumnWidthAt(int c, int w)
{
    m_columnWidths[c] = w;
    m_tree->header()->resizeSection(c, w);
}

void qvFileList::setShowFullPath(bool on)
{
    m_showFullPath = on;
    m_model->retextAll([this](const QString &tag) { return shownText(tag); });
}

QString qvFileList::shownText(const QString &fullPath) const
{
    return m_showFullPath ? fullPath : qv::WinPath(fullPath).fileName();
}

// ---- painting, life cycle, input

void qvFileList::paintEvent(QPaintEvent *)
{
    if (!m_border)
        return;
    QPainter p(this);
    p.setPen(
        qv::qvKontrollerFelles::ToQColor(qv::qvKontrollerFelles::TranslateColor(m_borderColor, palette())));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void qvFileList::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    rearmWatch();
    m_tmr1->start();
    if (m_fillMode == 1)
        Refresh();
    else if (!m_filled)
        General_zFyllListe();
}

bool qvFileList::eventFilter(QObject *watched, QEvent *event)
{
    const bool onViewport = watched == m_tree->viewport() || watched == m_list->viewport();
    const bool onView = watched == m_tree || watched == m_list;
    if (onViewport) {
        auto *w = static_cast<QWidget *>(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            auto *me = static_cast<QMouseEvent *>(event);
            const QPoint at = w->mapTo(this, me->position().toPoint());
            const int shift = qv::MouseArgs::Shift(me->modifiers());
            if (event->type() == QEvent::MouseButtonPress) {
                emit MouseDown(qv::MouseArgs::Button(me->button()), shift, at.x(), at.y());
                m_dragStart = me->position().toPoint();
            } else if (event->type() == QEvent::MouseMove) {
                emit MouseMove(qv::MouseArgs::Button(me->buttons()), shift, at.x(), at.y());
                if (maybeStartDrag(me))
                    return true;
            } else if (event->type() == QEvent::MouseButtonRelease) {
                emit MouseUp(qv::MouseArgs::Button(me->button()), shift, at.x(), at.y());
                if (me->button() == Qt::LeftButton)
                    QTimer::singleShot(0, this, [this] { emit Click(); });
            } else {
                emit MouseDown(qv::MouseArgs::Button(me->button()), shift, at.x(), at.y());
                emit DblClick();
            }
            break;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
            return handleDragEvent(w, event);
        default:
            break;
        }
    } else if (onView) {
        if (event->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(event);
            emit KeyDown(qv::MouseArgs::KeyCode(ke->key()), qv::MouseArgs::Shift(ke->modifiers()));
            if (!ke->text().isEmpty() && ke->text().at(0).unicode() >= 8)
                emit KeyPress(ke->text().at(0).unicode());
        } else if (event->type() == QEvent::KeyRelease) {
            auto *ke = static_cast<QKeyEvent *>(event);
            emit KeyUp(qv::MouseArgs::KeyCode(ke->key()), qv::MouseArgs::Shift(ke->modifiers()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- error file

void qvFileList::logError(const QString &procedure, int number, const QString &description, bool quiet,
                          const QString &module)
{
    qv::appendErrorRecord(ErrorFile, module, procedure, number, description);
    if (quiet)
        return;
    showErrorMessage(ErrorFile, SupportAddress, module, procedure, number, description);
}

} // namespace qv
