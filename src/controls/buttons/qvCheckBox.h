#pragma once
#include "controls/buttons/qvButtonBase.h"

namespace qv
{

// Check box (mode 1, the default), option button (mode 2: boxes of one form with the
// same GruppeID exclude each other) or a plain clickable box (mode 0). Styles: 0 square
// box with a check mark, 2 round box with a dot, 1 flat square box, 3 switch, 4 and 5
// tabs (top and bottom), 6 a push button that stays down while Value is True.
// Click is raised whenever Value changes (also when set in code) and on every click in
// mode 0.
class qvCheckBox : public qvButtonBase
{
    Q_OBJECT
    Q_PROPERTY(int IconSpace READ IconSpace WRITE setIconSpace)
    Q_PROPERTY(int qvToolTipDelayTime READ qvToolTipDelayTime WRITE setQvToolTipDelayTime)
    Q_PROPERTY(int Mode READ Mode WRITE setMode)
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(QString GruppeID READ GruppeID WRITE setGruppeID)
    Q_PROPERTY(bool FocusRectangle READ FocusRectangle WRITE setFocusRectangle)
    Q_PROPERTY(bool TransparentBG READ TransparentBG WRITE setTransparentBG)
    Q_PROPERTY(uint TabBorderColor READ TabBorderColor WRITE setTabBorderColor)
    Q_PROPERTY(uint TabSelectedColor READ TabSelectedColor WRITE setTabSelectedColor)
    Q_PROPERTY(bool GrayWhenDisabled READ GrayWhenDisabled WRITE setGrayWhenDisabled)
    Q_PROPERTY(bool SoftStyle READ SoftStyle WRITE setSoftStyle)
    Q_PROPERTY(QString Tag2 READ Tag2 WRITE setTag2)
    Q_PROPERTY(QString Tag3 READ Tag3 WRITE setTag3)

public:
    explicit qvCheckBox(QWidget *parent = nullptr);

    int IconSpace() const { return iconSpacing(); }
    void setIconSpace(int space) { setIconSpacing(space); }
    int qvToolTipDelayTime() const { return qvToolTipDelayTimeValue(); }
    void setQvToolTipDelayTime(int ms) { setQvToolTipDelayTimeValue(ms); }

    using qvButtonBase::GruppeID;
    using qvButtonBase::Mode;
    using qvButtonBase::setGruppeID;
    using qvButtonBase::setMode;
    using qvButtonBase::Value;
    void setValue(bool value);

    bool FocusRectangle() const { return m_focusRectangle; }
    void setFocusRectangle(bool on);
    bool TransparentBG() const { return transparentBackground(); }
    void setTransparentBG(bool on) { setTransparentBackground(on); }
    uint TabBorderColor() const { return m_tabBorderColor; }
    void setTabBorderColor(uint color);
    uint TabSelectedColor() const { return m_tabSelectedColor; }
    void setTabSelectedColor(uint color);
    bool GrayWhenDisabled() const { return m_grayWhenDisabled; }
    void setGrayWhenDisabled(bool on);
    bool SoftStyle() const { return m_softStyle; }
    void setSoftStyle(bool on);
    QString Tag2() const { return m_tag2; }
    void setTag2(const QString &tag) { m_tag2 = tag; }
    QString Tag3() const { return m_tag3; }
    void setTag3(const QString &tag) { m_tag3 = tag; }

    QRect captionArea() const;

protected:
    void leftClick() override;
    bool keyClicks(int qtKey) const override;
    void paintBackground(QPainter &p, const Look &look) override;
    void paintContent(QPainter &p, const Look &look) override;

private:
    void select(); // mode 2: this one down, the rest of the group up
    bool boxAtRight() const { return IconAlign() != 0; }
    int boxWidth() const;
    void paintSquare(QPainter &p, int state);
    void paintRound(QPainter &p, int state);
    void paintFlatSquare(QPainter &p, int state);
    void paintSwitch(QPainter &p, int state);
    void paintTab(QPainter &p, int state, bool atTop);
    void paintTabContent(QPainter &p, bool atTop);
    void paintBoxCaption(QPainter &p);

    bool m_focusRectangle = true;
    uint m_tabBorderColor = 0xB4A791;
    uint m_tabSelectedColor = 0xE1451C;
    bool m_grayWhenDisabled = false;
    bool m_softStyle = false;
    QString m_tag2, m_tag3;
};

} // namespace qv
