#include "controls/buttons/qvButtonBase.h"

#include "controls/drawing/DeviceSurface.h"
#include "controls/drawing/GDIPlusPicture.h"
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/MouseArgs.h"
#include "controls/drawing/MousePointer.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/CTooltip.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QEnterEvent>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QShortcutEvent>
#include <QStaticText>
#include <QStyle>
#include <QStyleOption>

namespace qv
{

namespace kf = qvKontrollerFelles;

QPointer<qvButtonBase> qvButtonBase::s_pressed;

namespace
{
constexpr int PollInterval = 100;
}

qvButtonBase::qvButtonBase(int defaultStyle, int iconSpaceDefault, QWidget *parent)
    : QWidget(parent), m_style(defaultStyle), m_iconSpace(iconSpaceDefault),
      m_tip(std::make_unique<CTooltip>())
{
    m_gdiToken = kf::StartGdiPlus();
    if (m_gdiToken == 0)
        QMessageBox::critical(nullptr, QString(), QStringLiteral("Feil ved lasting av GDI+"));
    setMouseTracking(true);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    m_tmrRefresh.setInterval(PollInterval);
    connect(&m_tmrRefresh, &QTimer::timeout, this, &qvButtonBase::pollPointer);
    connect(this, &QObject::objectNameChanged, this, [this] {
        if (!m_captionSet) {
            updateShortcut();
            update();
        }
    });
}

qvButtonBase::~qvButtonBase()
{
    if (m_gdiToken != 0)
        kf::StopGdiPlus(m_gdiToken);
    if (s_pressed == this)
        s_pressed = nullptr;
}

// ---- properties ---------------------------------------------------------------

QString qvButtonBase::Caption() const
{
    // Until a caption is given the control shows its own name, as a freshly placed one does.
    return m_captionSet ? m_caption : objectName();
}

void qvButtonBase::setCaption(const QString &caption)
{
    m_caption = caption;
    m_captionSet = true;
    updateShortcut();
    changed();
}

void qvButtonBase::setStyle(int style)
{
    m_style = style;
    changed();
}

void qvButtonBase::setBackColor(uint color)
{
    m_backColor = color;
    changed();
}

void qvButtonBase::setForeColor(uint color)
{
    m_foreColor = color;
    changed();
}

void qvButtonBase::setIconDefault(const QPixmap &picture)
{
    m_iconDefault = picture;
    changed();
}

void qvButtonBase::setIconAlign(int align)
{
    m_iconAlign = align;
    changed();
}

void qvButtonBase::setAlign(int align)
{
    m_align = align;
    changed();
}

void qvButtonBase::setAlignSpace(int space)
{
    m_alignSpace = space;
    changed();
}

void qvButtonBase::setIconSpacing(int space)
{
    m_iconSpace = space;
    changed();
}

void qvButtonBase::setIconEdgeSpacing(int space)
{
    m_iconEdgeSpace = space;
    changed();
}

void qvButtonBase::setTransparentBackground(bool on)
{
    m_transparentBG = on;
    changed();
}

void qvButtonBase::setQvToolTip(const QString &text)
{
    m_tipProps.text = text;
    if (m_tipShown)
        m_tip->setTTTipText(text);
}

void qvButtonBase::setQvToolTipHeader(const QString &text)
{
    m_tipProps.header = text;
    if (m_tipShown)
        m_tip->setTTTitle(text);
}

void qvButtonBase::setQvToolTipIcon(int icon)
{
    m_tipProps.icon = icon;
    if (m_tipShown)
        m_tip->setTTIcon(icon);
}

void qvButtonBase::setQvToolTipStyle(int style)
{
    m_tipProps.style = style;
}
void qvButtonBase::setQvToolTipTime(int ms)
{
    m_tipProps.time = ms;
}
void qvButtonBase::setQvToolTipDelayTimeValue(int ms)
{
    m_tipProps.delay = ms;
}

void qvButtonBase::setMouseIcon(const QPixmap &icon)
{
    m_mouseIcon = icon;
    applyCursor();
}

void qvButtonBase::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    applyCursor();
}

void qvButtonBase::applyCursor()
{
    if (m_mousePointer == MousePointer::Default)
        unsetCursor();
    else
        setCursor(MousePointer::CursorFor(m_mousePointer, m_mouseIcon));
}

void qvButtonBase::setOLEDropMode(int mode)
{
    m_oleDropMode = mode;
    setAcceptDrops(mode != 0);
}

void qvButtonBase::setMode(int mode)
{
    m_mode = mode;
    changed();
}

void qvButtonBase::setGruppeID(const QString &id)
{
    m_groupId = id;
}

void qvButtonBase::storeValue(bool value)
{
    if (m_value == value)
        return;
    m_value = value;
    update();
}

void qvButtonBase::releaseGroup()
{
    QWidget *form = window();
    if (!form || form == this)
        return;
    const auto buttons = form->findChildren<qvButtonBase *>();
    for (qvButtonBase *b : buttons) {
        // Buttons of the same kind with the same group id, whatever their mode.
        if (b != this && b->metaObject() == metaObject() && b->m_groupId == m_groupId && b->isDown())
            b->storeValue(false);
    }
}

// ---- icons ----------------------------------------------------------------------

void qvButtonBase::IconFromPNG(const QString &IconPathA, int IconSizeA)
{
    m_iconSource = IconPng;
    m_iconPath = IconPathA;
    m_iconSizeA = IconSizeA;
    loadIcon();
}

void qvButtonBase::IconFromICO(const QString &IconPathA, int IconSizeA)
{
    m_iconSource = IconIco;
    m_iconPath = IconPathA;
    m_iconSizeA = IconSizeA;
    loadIcon();
}

void qvButtonBase::IconFromFile(const QString &PathFile, int IconSizeA)
{
    m_iconSource = IconFile;
    m_iconPath = PathFile;
    m_iconSizeA = IconSizeA;
    loadIcon();
}

void qvButtonBase::IconFromDLL(const QString &PathFile, int IconNumber, int IconSizeA)
{
    m_iconSource = IconDll;
    m_iconPath = PathFile;
    m_iconNumber = IconNumber;
    m_iconSizeA = IconSizeA;
    loadIcon();
}

void qvButtonBase::loadIcon()
{
    m_icon = QImage();
    const QString host = GDIplusDraw::PictureHostPath(m_iconPath);
    const int size = m_iconSizeA;
    QImage img;
    if (size > 0 && GDIplusDraw::PictureFileExists(m_iconPath)) {
        QImageReader reader(host);
        if (m_iconSource == IconIco) {
            // An icon file holds several sizes: take the smallest that is not smaller.
            int best = -1, bestSize = 0;
            for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
                if (i > 0 && !reader.jumpToImage(i))
                    break;
                const int s = qMax(reader.size().width(), reader.size().height());
                if (best < 0 || (bestSize < size && s > bestSize) || (s >= size && s < bestSize)) {
                    best = i;
                    bestSize = s;
                }
            }
            QImageReader again(host);
            if (best >= 0 && (best == 0 || again.jumpToImage(best)))
                img = again.read();
        } else if (m_iconSource == IconDll) {
            // A library's icon number is the image of that index in a multi-image file.
            if (m_iconNumber == 0 || reader.jumpToImage(m_iconNumber))
                img = reader.read();
        } else {
            img = reader.read();
        }
    }
    if (!img.isNull())
        m_icon = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    changed();
}

QSize qvButtonBase::iconExtent() const
{
    if (m_iconSource != NoIconSource && !m_icon.isNull())
        return {m_iconSizeA, m_iconSizeA};
    if (!m_iconDefault.isNull())
        return m_iconDefault.deviceIndependentSize().toSize();
    return {};
}

void qvButtonBase::drawIcon(QPainter &p, QPoint at) const
{
    QStyleOption opt;
    opt.initFrom(this);
    if (m_iconSource != NoIconSource && !m_icon.isNull()) {
        // Scaled to the device pixels it covers, so it stays crisp at any scale factor.
        const qreal ratio = p.device() ? p.device()->devicePixelRatio() : 1.0;
        const int side = qRound(m_iconSizeA * ratio);
        QImage icon = m_icon.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        icon.setDevicePixelRatio(ratio);
        if (m_iconSource == IconIco) {
            const QPixmap pm = QPixmap::fromImage(icon);
            p.drawPixmap(at, isEnabled() ? pm : style()->generatedIconPixmap(QIcon::Disabled, pm, &opt));
            return;
        }
        GDIPlusPicture::DrawPictureImage(icon, p, at.x(), at.y(), m_iconSizeA, m_iconSizeA, isEnabled(),
                                         false);
        return;
    }
    if (m_iconDefault.isNull())
        return;
    if (isEnabled()) {
        p.drawPixmap(at, m_iconDefault);
        return;
    }
    p.drawPixmap(at, style()->generatedIconPixmap(QIcon::Disabled, m_iconDefault, &opt));
}

// ---- painting helpers -----------------------------------------------------------

qv::IconLayout qvButtonBase::currentLayout() const
{
    qv::IconLayoutInput in;
    in.face = size();
    in.icon = iconExtent();
    in.hasCaption = !Caption().isEmpty();
    in.downWidth = downPartWidth();
    in.iconAlign = m_iconAlign;
    in.iconEdgeSpace = m_iconEdgeSpace;
    in.iconTextSpace = m_iconSpace;
    in.align = m_align;
    in.alignSpace = m_alignSpace;
    return qv::layoutIconAndCaption(in);
}

QColor qvButtonBase::backColor() const
{
    return kf::ToQColor(kf::TranslateColor(m_backColor, palette()));
}
QColor qvButtonBase::foreColor() const
{
    return kf::ToQColor(kf::TranslateColor(m_foreColor, palette()));
}

void qvButtonBase::fillBackground(QPainter &p) const
{
    if (!m_transparentBG)
        p.fillRect(rect(), backColor());
}

QString qvButtonBase::plainCaption(const QString &text, int *index)
{
    QString out;
    out.reserve(text.size());
    int key = -1;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (++i >= text.size())
                break;
            if (text[i] != QLatin1Char('&') && key < 0)
                key = int(out.size());
        }
        out += text[i];
    }
    if (index)
        *index = key;
    return out;
}

void qvButtonBase::drawCaption(QPainter &p, const QRect &r, const QColor &color, bool wrap, bool embossed,
                               const QFont *font, int align, QRect *drawn) const
{
    const QString text = Caption();
    if (text.isEmpty() || r.isEmpty())
        return;
    const QFont f = font ? *font : this->font();
    if (align < 0)
        align = m_align;
    const int hAlign = align == 0 ? Qt::AlignLeft : align == 2 ? Qt::AlignRight : Qt::AlignHCenter;
    const QColor ink = embossed ? QColor(160, 160, 160) : color;
    p.save();
    p.setFont(f);
    if (wrap) {
        const int flags = Qt::TextShowMnemonic | Qt::TextWordWrap | Qt::AlignTop | hAlign;
        if (embossed) {
            p.setPen(Qt::white);
            p.drawText(r.translated(1, 1), flags, text);
        }
        p.setPen(ink);
        p.drawText(r, flags, text, drawn);
        p.restore();
        return;
    }
    // One line at a whole-pixel position; underline, strike-out and the access key's
    // line are drawn here, at the font's line positions.
    int accessKey = -1;
    const QString plain = plainCaption(text, &accessKey);
    QFont bare = f;
    bare.setUnderline(false);
    bare.setStrikeOut(false);
    QStaticText shaped(plain);
    shaped.setTextFormat(Qt::PlainText);
    shaped.prepare(QTransform(), bare);
    const QFontMetricsF fm(f);
    const qreal w = shaped.size().width(), h = fm.height();
    const qreal underlineY = qRound(fm.ascent() + qMax<qreal>(1, fm.underlinePos()));
    const qreal strikeY = qRound(fm.ascent() - fm.strikeOutPos());
    const qreal lineWidth = qMax<qreal>(1, fm.lineWidth());
    qreal x = r.left();
    if (hAlign == Qt::AlignHCenter)
        x += (r.width() - w) / 2;
    else if (hAlign == Qt::AlignRight)
        x += r.width() - w;
    const QPointF at(qRound(x), qRound(r.top() + (r.height() - h) / 2));
    if (drawn)
        *drawn = QRectF(at, QSizeF(w, h)).toAlignedRect().intersected(r);
    if (w > r.width() || h > r.height())
        p.setClipRect(r, Qt::IntersectClip);
    p.setFont(bare);
    auto draw = [&](const QPointF &pos, const QColor &c) {
        p.setPen(c);
        p.drawStaticText(pos, shaped);
        if (f.underline())
            p.fillRect(QRectF(pos.x(), pos.y() + underlineY, w, lineWidth), c);
        if (f.strikeOut())
            p.fillRect(QRectF(pos.x(), pos.y() + strikeY, w, lineWidth), c);
        if (accessKey >= 0)
            p.fillRect(QRectF(pos.x() + fm.horizontalAdvance(plain.left(accessKey)), pos.y() + underlineY,
                              fm.horizontalAdvance(plain.mid(accessKey, 1)), lineWidth),
                       c);
    };
    if (embossed)
        draw(at + QPointF(1, 1), Qt::white);
    draw(at, ink);
    p.restore();
}

void qvButtonBase::drawFocusFrame(QPainter &p, const QRect &r) const
{
    if (r.width() < 2 || r.height() < 2)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(foreColor(), 0, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}

void qvButtonBase::startPointerPoll(int ms)
{
    m_tmrRefresh.start(ms);
}

int qvButtonBase::pointerState() const
{
    if (!m_hovering)
        return 0;
    return m_pressed ? 2 : 1;
}

void qvButtonBase::changed()
{
    update();
}

QImage qvButtonBase::renderFace(int pointer, bool overDownPart, qreal ratio)
{
    QImage img = DeviceSurface(this, size(), ratio);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const Look look{pointer, overDownPart};
    paintBackground(p, look);
    paintContent(p, look);
    return img;
}

void qvButtonBase::paintEvent(QPaintEvent *)
{
    const Look look{pointerState(), m_overDown};
    QImage face = DeviceSurface(this, size());
    face.fill(Qt::transparent);
    QPainter fp(&face);
    paintBackground(fp, look);
    fp.end();
    QPainter p(this);
    p.drawImage(0, 0, face);
    paintContent(p, look);
}

QSize qvButtonBase::sizeHint() const
{
    const QFontMetrics fm(font());
    QString text = Caption();
    text.remove(QLatin1Char('&'));
    const QSize icon = iconExtent();
    int w = fm.horizontalAdvance(text) + 2 * m_alignSpace + downPartWidth();
    if (!icon.isEmpty())
        w += icon.width() + m_iconEdgeSpace + m_iconSpace;
    const int h = qMax(fm.height() + 2 * m_alignSpace, icon.height() + 2 * m_iconEdgeSpace);
    return {qMax(w, 23), qMax(h, 17)};
}

// ---- pointer tracking -----------------------------------------------------------

void qvButtonBase::trackPointer(Qt::MouseButtons buttons, QPoint pos)
{
    if (!rect().contains(pos)) {
        goOutside();
        return;
    }
    bool changed = false;
    const int d = downPartWidth();
    const bool overDown = d > 0 && pos.x() > width() - d;
    if (overDown != m_overDown) {
        // Moving between the main part and the down part shows the hover of the new part.
        m_overDown = overDown;
        changed = true;
    }
    if (!m_hovering) {
        m_hovering = true;
        showTip(pos);
        changed = true;
    }
    if ((buttons & Qt::LeftButton) && m_leftHeld && !m_pressed) {
        m_pressed = true;
        changed = true;
    }
    if (changed)
        update();
}

void qvButtonBase::goOutside()
{
    hideTip();
    const bool changed = m_hovering || m_pressed || m_overDown;
    m_hovering = false;
    m_pressed = false;
    m_overDown = false;
    pointerWentOutside();
    if (changed)
        update();
}

void qvButtonBase::pollPointer()
{
    m_tmrRefresh.setInterval(PollInterval);
    if (isVisible() && rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    m_tmrRefresh.stop();
    hideTip();
    QPointer<qvButtonBase> alive(this);
    emit MouseLeave();
    if (alive)
        goOutside();
}

void qvButtonBase::leaveEvent(QEvent *e)
{
    QWidget::leaveEvent(e);
    // Where the pointer position is only known inside our own windows, the poll cannot see
    // it go; the leave notice settles it at once. While a press is held it comes at release.
    if (m_leftHeld)
        return;
    if (m_tmrRefresh.isActive() || m_hovering) {
        m_tmrRefresh.stop();
        hideTip();
        QPointer<qvButtonBase> alive(this);
        emit MouseLeave();
        if (!alive)
            return;
    }
    goOutside();
}

void qvButtonBase::showTip(QPoint pos)
{
    if (m_tipShown || m_tipProps.isEmpty())
        return;
    m_tipProps.CreateOn(*m_tip, this);
    m_tipShown = true;
    // The tip watches its widget from now on, but the pointer has already come in.
    const QPoint global = mapToGlobal(pos);
    QCoreApplication::postEvent(this, new QEnterEvent(QPointF(pos), QPointF(pos), QPointF(global)));
}

void qvButtonBase::hideTip()
{
    if (!m_tipShown)
        return;
    m_tip->TTDestroy();
    m_tipShown = false;
}

qvButtonBase *qvButtonBase::pressedButton()
{
    return s_pressed.data();
}

// ---- mouse ------------------------------------------------------------------------

void qvButtonBase::mousePressEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    const int button = MouseArgs::Button(e->button());
    m_lastButton = button;
    QPointer<qvButtonBase> alive(this);
    emit MouseDown(button, MouseArgs::Shift(e->modifiers()), pos.x(), pos.y());
    if (!alive)
        return;
    m_pressPos = pos;
    s_pressed = this;
    if (e->button() == Qt::LeftButton)
        m_leftHeld = true;
    trackPointer(e->buttons(), pos);
    if (isEnabled())
        pressStarted(button, MouseArgs::Shift(e->modifiers()), pos);
}

void qvButtonBase::mouseDoubleClickEvent(QMouseEvent *e)
{
    // A double click is a second press.
    mousePressEvent(e);
}

void qvButtonBase::mouseReleaseEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    const int button = MouseArgs::Button(e->button());
    m_lastButton = button;
    QPointer<qvButtonBase> alive(this);
    emit MouseUp(button, MouseArgs::Shift(e->modifiers()), pos.x(), pos.y());
    if (!alive)
        return;
    pressEnded();
    m_tmrRefresh.start(PollInterval);
    if (s_pressed == this)
        s_pressed = nullptr;
    bool click = false;
    if (e->button() == Qt::LeftButton) {
        click = m_pressed && rect().contains(pos) && isEnabled() && !releaseSuppressesClick();
        m_leftHeld = false;
        m_pressed = false;
    }
    trackPointer(e->buttons(), pos);
    update();
    if (click)
        leftClick();
}

void qvButtonBase::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    QPointer<qvButtonBase> alive(this);
    emit MouseMove(MouseArgs::Button(e->buttons()), MouseArgs::Shift(e->modifiers()), pos.x(), pos.y());
    if (!alive)
        return;
    if (!m_tmrRefresh.isActive())
        m_tmrRefresh.start(PollInterval);
    trackPointer(e->buttons(), pos);
}

// ---- keys -------------------------------------------------------------------------

bool qvButtonBase::keyClicks(int qtKey) const
{
    return qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter || qtKey == Qt::Key_Space;
}

void qvButtonBase::keyPressEvent(QKeyEvent *e)
{
    QPointer<qvButtonBase> alive(this);
    const bool clicks = keyClicks(e->key()) && !e->isAutoRepeat();
    if (clicks)
        leftClick();
    if (!alive)
        return;
    emit KeyDown(MouseArgs::KeyCode(e->key()), MouseArgs::Shift(e->modifiers()));
    if (!alive)
        return;
    if (!e->text().isEmpty() && e->text().at(0).unicode() < 256)
        emit KeyPress(e->text().at(0).unicode());
    // Keys the button has no use for go on to the window (Esc, arrows, ...).
    if (!clicks)
        e->ignore();
}

void qvButtonBase::keyReleaseEvent(QKeyEvent *e)
{
    emit KeyUp(MouseArgs::KeyCode(e->key()), MouseArgs::Shift(e->modifiers()));
    if (!keyClicks(e->key()))
        e->ignore();
}

// ---- drag and drop ------------------------------------------------------------

void qvButtonBase::dragEnterEvent(QDragEnterEvent *e)
{
    const QPoint pos = e->position().toPoint();
    e->acceptProposedAction();
    emit OLEDragOver(e->mimeData(), int(e->dropAction()), MouseArgs::Button(e->buttons()),
                     MouseArgs::Shift(e->modifiers()), pos.x(), pos.y(), 0);
}

void qvButtonBase::dragMoveEvent(QDragMoveEvent *e)
{
    const QPoint pos = e->position().toPoint();
    e->acceptProposedAction();
    QPointer<qvButtonBase> alive(this);
    emit OLEDragOver(e->mimeData(), int(e->dropAction()), MouseArgs::Button(e->buttons()),
                     MouseArgs::Shift(e->modifiers()), pos.x(), pos.y(), 2);
    if (!alive)
        return;
    if (!m_tmrRefresh.isActive())
        m_tmrRefresh.start(PollInterval);
    trackPointer(Qt::NoButton, pos);
}

void qvButtonBase::dragLeaveEvent(QDragLeaveEvent *e)
{
    Q_UNUSED(e);
    emit OLEDragOver(nullptr, 0, 0, 0, -1, -1, 1);
}

void qvButtonBase::dropEvent(QDropEvent *e)
{
    const QPoint pos = e->position().toPoint();
    e->acceptProposedAction();
    emit OLEDragDrop(e->mimeData(), int(e->dropAction()), MouseArgs::Button(e->buttons()),
                     MouseArgs::Shift(e->modifiers()), pos.x(), pos.y());
}

// ---- state changes ----------------------------------------------------------------

void qvButtonBase::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        // A disabled button gets no more pointer events: forget the pointer now.
        m_leftHeld = false;
        goOutside();
    }
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange ||
        e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange)
        changed();
    QWidget::changeEvent(e);
}

void qvButtonBase::focusInEvent(QFocusEvent *e)
{
    QWidget::focusInEvent(e);
    update();
}

void qvButtonBase::focusOutEvent(QFocusEvent *e)
{
    QWidget::focusOutEvent(e);
    update();
}

bool qvButtonBase::event(QEvent *e)
{
    if (e->type() == QEvent::Shortcut) {
        auto *se = static_cast<QShortcutEvent *>(e);
        if (se->shortcutId() == m_shortcutId && m_shortcutId != 0) {
            if (focusPolicy() & Qt::TabFocus)
                setFocus(Qt::ShortcutFocusReason);
            if (!se->isAmbiguous())
                leftClick();
            return true;
        }
    }
    if (e->type() == QEvent::Hide) {
        m_tmrRefresh.stop();
        m_leftHeld = false;
        goOutside();
    }
    return QWidget::event(e);
}

void qvButtonBase::updateShortcut()
{
    if (m_shortcutId != 0)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence seq = QKeySequence::mnemonic(Caption());
    if (!seq.isEmpty())
        m_shortcutId = grabShortcut(seq);
}

} // namespace qv
