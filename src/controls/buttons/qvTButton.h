#pragma once
#include "controls/buttons/qvButtonBase.h"

namespace qv
{

// Tool and tab button, also a two-part button with a drop-down side. Modes: 0 command
// button, 1 toggle button, 2 option button (buttons of one form with the same
// GruppeID exclude each other). Styles: 8 (default) and 9 the warm looks, 7 a cool
// one, 1 without hover and pressed looks, 0 caption only.
class qvTButton : public qvButtonBase
{
    Q_OBJECT
    Q_PROPERTY(int IconTextSpace READ IconTextSpace WRITE setIconTextSpace)
    Q_PROPERTY(int IconSpace READ IconTextSpace WRITE setIconTextSpace STORED false)
    Q_PROPERTY(int IconEdgeSpace READ IconEdgeSpace WRITE setIconEdgeSpace)
    Q_PROPERTY(int qvToolTipDelayTime READ qvToolTipDelayTime WRITE setQvToolTipDelayTime)
    Q_PROPERTY(int Mode READ Mode WRITE setMode)
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(QString GruppeID READ GruppeID WRITE setGruppeID)
    Q_PROPERTY(bool Repeat READ Repeat WRITE setRepeat)
    Q_PROPERTY(bool TransparentBG READ TransparentBG WRITE setTransparentBG)
    Q_PROPERTY(int RenderingStyle READ RenderingStyle WRITE setRenderingStyle)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(bool DownButton READ DownButton WRITE setDownButton)
    Q_PROPERTY(int DownButtonWidth READ DownButtonWidth WRITE setDownButtonWidth)
    Q_PROPERTY(bool DrawDownIcon READ DrawDownIcon WRITE setDrawDownIcon)

public:
    explicit qvTButton(QWidget *parent = nullptr);

    int IconTextSpace() const { return iconSpacing(); }
    void setIconTextSpace(int space) { setIconSpacing(space); }
    int IconEdgeSpace() const { return iconEdgeSpacing(); }
    void setIconEdgeSpace(int space) { setIconEdgeSpacing(space); }
    int qvToolTipDelayTime() const { return qvToolTipDelayTimeValue(); }
    void setQvToolTipDelayTime(int ms) { setQvToolTipDelayTimeValue(ms); }

    using qvButtonBase::GruppeID;
    using qvButtonBase::Mode;
    using qvButtonBase::setGruppeID;
    using qvButtonBase::setMode;
    using qvButtonBase::Value;
    // True acts as a left click in the current mode (an option group stays exclusive, a
    // toggle button that is down comes up); False lets the button up and raises Click,
    // except in mode 2.
    void setValue(bool value);

    bool Repeat() const { return m_repeat; }
    void setRepeat(bool on) { m_repeat = on; }
    bool TransparentBG() const { return transparentBackground(); }
    void setTransparentBG(bool on) { setTransparentBackground(on); }
    int RenderingStyle() const { return m_renderingStyle; }
    void setRenderingStyle(int style);
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on);
    bool DownButton() const { return m_downButton; }
    void setDownButton(bool on);
    int DownButtonWidth() const { return m_downButtonWidth; }
    void setDownButtonWidth(int width);
    bool DrawDownIcon() const { return m_drawDownIcon; }
    void setDrawDownIcon(bool on);

    // Interval of the repeat timer after the given number of repeated clicks:
    // 400 ms before the first, then 100, 50 from the 10th, 25 from the 25th, 5 from the 50th.
    static int repeatInterval(int clicksSoFar);

signals:
    void DownClick(int Button, int Shift, int x, int y);

protected:
    void leftClick() override;
    void paintBackground(QPainter &p, const Look &look) override;
    void paintContent(QPainter &p, const Look &look) override;
    int downPartWidth() const override;
    void pressStarted(int button, int shift, QPoint pos) override;
    void pressEnded() override;
    void pointerWentOutside() override;
    bool releaseSuppressesClick() const override;

private:
    void repeatTick();
    void stopRepeat();
    void paintStyle8(QPainter &p, const Look &look);
    void paintStyle9(QPainter &p, const Look &look);
    void paintStyle7(QPainter &p, const Look &look);
    void paintCaption(QPainter &p, const QRect &r);

    bool m_repeat = false;
    int m_renderingStyle = 0;
    bool m_wordWrap = false;
    bool m_downButton = false;
    int m_downButtonWidth = 16;
    bool m_drawDownIcon = false;
    bool m_pressInDownPart = false;
    int m_repeatCount = 0;
    QTimer m_tmrRepeat;
};

} // namespace qv
