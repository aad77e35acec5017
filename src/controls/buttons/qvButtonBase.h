#pragma once
#include "controls/buttons/qvIconLayout.h"
#include "controls/panels/CTooltip.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

class QMimeData;

namespace qv
{

// Common ground of the drawn buttons (qvTButton, qvCommand, qvCheckBox): the shared
// properties, pointer tracking (hover by a 100 ms poll, pressed while the left button
// is held inside), mouse and key events in the classic form (Button 1 left, 2 right,
// 4 middle; Shift 1 shift, 2 ctrl, 4 alt; KeyCode as virtual-key codes), access keys
// from the caption's ampersand, icon sources and the off-screen repaint.
//
// Colours are stored as 0x00BBGGRR; a value with the top bit set is a system colour.
class qvButtonBase : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(int Style READ Style WRITE setStyle)
    Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QPixmap IconDefault READ IconDefault WRITE setIconDefault)
    Q_PROPERTY(int IconAlign READ IconAlign WRITE setIconAlign)
    Q_PROPERTY(int Align READ Align WRITE setAlign)
    Q_PROPERTY(int AlignSpace READ AlignSpace WRITE setAlignSpace)
    Q_PROPERTY(QString qvToolTip READ qvToolTip WRITE setQvToolTip)
    Q_PROPERTY(QString Tooltip READ qvToolTip WRITE setQvToolTip STORED false)
    Q_PROPERTY(QString qvToolTipHeader READ qvToolTipHeader WRITE setQvToolTipHeader)
    Q_PROPERTY(int qvToolTipIcon READ qvToolTipIcon WRITE setQvToolTipIcon)
    Q_PROPERTY(int qvToolTipStyle READ qvToolTipStyle WRITE setQvToolTipStyle)
    Q_PROPERTY(int qvToolTipTime READ qvToolTipTime WRITE setQvToolTipTime)
    Q_PROPERTY(QPixmap MouseIcon READ MouseIcon WRITE setMouseIcon)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(int OLEDropMode READ OLEDropMode WRITE setOLEDropMode)

public:
    enum IconSource { NoIconSource, IconPng, IconIco, IconFile, IconDll };

    ~qvButtonBase() override;

    QString Caption() const;
    void setCaption(const QString &caption);
    int Style() const { return m_style; }
    void setStyle(int style);
    using QWidget::setStyle;
    uint BackColor() const { return m_backColor; }
    void setBackColor(uint color);
    uint ForeColor() const { return m_foreColor; }
    void setForeColor(uint color);
    QPixmap IconDefault() const { return m_iconDefault; }
    void setIconDefault(const QPixmap &picture);
    int IconAlign() const { return m_iconAlign; }
    void setIconAlign(int align);
    int Align() const { return m_align; }
    void setAlign(int align);
    int AlignSpace() const { return m_alignSpace; }
    void setAlignSpace(int space);

    QString qvToolTip() const { return m_tipProps.text; }
    void setQvToolTip(const QString &text);
    QString qvToolTipHeader() const { return m_tipProps.header; }
    void setQvToolTipHeader(const QString &text);
    int qvToolTipIcon() const { return m_tipProps.icon; }
    void setQvToolTipIcon(int icon);
    int qvToolTipStyle() const { return m_tipProps.style; }
    void setQvToolTipStyle(int style);
    int qvToolTipTime() const { return m_tipProps.time; }
    void setQvToolTipTime(int ms);

    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap &icon);
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    int OLEDropMode() const { return m_oleDropMode; }
    void setOLEDropMode(int mode);

    // Icon sources. Each stores its source and repaints; the icon is then IconSizeA
    // pixels square. Paths are Windows paths (a host path is taken as it is). A file
    // that cannot be loaded leaves the button without an icon.
    void IconFromPNG(const QString &IconPathA, int IconSizeA);
    void IconFromICO(const QString &IconPathA, int IconSizeA);
    void IconFromFile(const QString &PathFile, int IconSizeA);
    void IconFromDLL(const QString &PathFile, int IconNumber, int IconSizeA);
    IconSource iconSource() const { return m_iconSource; }
    QString iconPath() const { return m_iconPath; }
    int iconSize() const { return m_iconSizeA; }
    // The icon size the layout works with; empty without an icon.
    QSize iconExtent() const;

    void Refresh() { repaint(); }

    // Pointer state as the face shows it: 0 rest, 1 hover, 2 pressed.
    int pointerState() const;
    bool isOverDownPart() const { return m_overDown; }

    // The face as it looks in the given pointer state, without touching the live state
    // (previews, the render gallery, pixel tests). Painted over a transparent surface at
    // the given device pixel ratio (0: the screen's).
    QImage renderFace(int pointer, bool overDownPart = false, qreal ratio = 0);

    // The button currently held down anywhere in the program (nullptr when none).
    static qvButtonBase *pressedButton();

    QSize sizeHint() const override;

signals:
    void OLEDragOver(const QMimeData *Data, int Effect, int Button, int Shift, int x, int y, int State);
    void OLEDragDrop(const QMimeData *Data, int Effect, int Button, int Shift, int x, int y);
    void MouseLeave();
    void Click();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, int x, int y);
    void MouseMove(int Button, int Shift, int x, int y);
    void MouseUp(int Button, int Shift, int x, int y);

protected:
    // What a painter needs besides the widget's own properties.
    struct Look {
        int pointer = 0; // 0 rest, 1 hover, 2 pressed
        bool overDownPart = false;
    };

    qvButtonBase(int defaultStyle, int iconSpaceDefault, QWidget *parent);

    // The left click of the control's kind (mouse release inside, keys, access key).
    virtual void leftClick() = 0;
    // The face under caption and icon (fill, bands, frames, boxes and marks), painted
    // into the off-screen surface.
    virtual void paintBackground(QPainter &p, const Look &look) = 0;
    // Caption, icon, arrow and focus frame, drawn over the background on every paint.
    virtual void paintContent(QPainter &p, const Look &look) = 0;
    // A property changed: repaint.
    void changed();
    // Width of a separately reacting part at the right edge (0: none).
    virtual int downPartWidth() const { return 0; }
    // Keys that click (before KeyDown is raised).
    virtual bool keyClicks(int qtKey) const;
    // Hooks around the pointer handling.
    virtual void pressStarted(int button, int shift, QPoint pos)
    {
        Q_UNUSED(button);
        Q_UNUSED(shift);
        Q_UNUSED(pos);
    }
    virtual void pressEnded() {}
    virtual void pointerWentOutside() {}
    // True when the release of the current press must not click.
    virtual bool releaseSuppressesClick() const { return false; }

    // Modes shared by the toggle and option kinds (a command button stays in mode 0).
    int Mode() const { return m_mode; }
    void setMode(int mode);
    bool Value() const { return m_value; }
    QString GruppeID() const { return m_groupId; }
    void setGruppeID(const QString &id);
    bool isDown() const { return m_mode != 0 && m_value; }
    // Sets the value and repaints, nothing else.
    void storeValue(bool value);
    // Sets every other button of this kind on the same form with the same GruppeID that
    // is down, up.
    void releaseGroup();

    int iconSpacing() const { return m_iconSpace; }
    void setIconSpacing(int space);
    int iconEdgeSpacing() const { return m_iconEdgeSpace; }
    void setIconEdgeSpacing(int space);
    int qvToolTipDelayTimeValue() const { return m_tipProps.delay; }
    void setQvToolTipDelayTimeValue(int ms);
    bool transparentBackground() const { return m_transparentBG; }
    void setTransparentBackground(bool on);

    // Layout of icon and caption for the current size and properties.
    qv::IconLayout currentLayout() const;
    // Face state: the pointer state, or 2 for a toggle or option button that is down.
    int faceState(const Look &look) const { return isDown() ? 2 : look.pointer; }
    QColor backColor() const;
    QColor foreColor() const;
    // Draws the icon at its layout position (faded or embossed grey when disabled).
    void drawIcon(QPainter &p, QPoint at) const;
    // Fills the face with BackColor unless the background shows through.
    void fillBackground(QPainter &p) const;
    // Caption with the access key underlined; alignment by Align; one line centred
    // vertically unless wrap. Embossed: the grey, white-shadowed look of a disabled text.
    // The font is the control's unless one is given; align -1 follows Align. drawn gets
    // the rectangle the text took.
    void drawCaption(QPainter &p, const QRect &r, const QColor &color, bool wrap = false,
                     bool embossed = false, const QFont *font = nullptr, int align = -1,
                     QRect *drawn = nullptr) const;
    // The caption without its access-key marks ("&x" is x, "&&" is "&"); index gets the
    // position of the access key in the result, or -1.
    static QString plainCaption(const QString &text, int *index = nullptr);
    // Dotted focus frame through the corner pixels of r.
    void drawFocusFrame(QPainter &p, const QRect &r) const;
    // Polls the pointer after ms milliseconds, then every 100 ms while it is inside.
    void startPointerPoll(int ms);

    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dragLeaveEvent(QDragLeaveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void changeEvent(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    bool event(QEvent *e) override;

    // Virtual-key code of a Qt key (0 for keys without one).

private:
    void trackPointer(Qt::MouseButtons buttons, QPoint pos);
    void goOutside();
    void pollPointer();
    void showTip(QPoint pos);
    void hideTip();
    void loadIcon();
    void updateShortcut();
    void applyCursor();

    QString m_caption;
    bool m_captionSet = false;
    int m_style;
    uint m_backColor = 0x8000000F;
    uint m_foreColor = 0x80000012;
    QPixmap m_iconDefault;
    int m_iconAlign = 0;
    int m_iconSpace;
    int m_iconEdgeSpace = 4;
    int m_align = 1;
    int m_alignSpace = 3;
    TooltipProperties m_tipProps;
    QPixmap m_mouseIcon;
    int m_mousePointer = 0;
    int m_oleDropMode = 0;
    int m_mode = 0;
    bool m_value = false;
    QString m_groupId;
    bool m_transparentBG = true;

    IconSource m_iconSource = NoIconSource;
    QString m_iconPath;
    int m_iconSizeA = 0;
    int m_iconNumber = 0;
    QImage m_icon; // the icon source's picture as decoded

    bool m_hovering = false;
    bool m_pressed = false;
    bool m_overDown = false;
    bool m_leftHeld = false;
    int m_lastButton = 0;
    QPoint m_pressPos;
    int m_shortcutId = 0;
    QTimer m_tmrRefresh;
    std::unique_ptr<CTooltip> m_tip;
    bool m_tipShown = false;
    qint32 m_gdiToken = 0;

    static QPointer<qvButtonBase> s_pressed;
};

} // namespace qv
