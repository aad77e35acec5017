#pragma once
#include "controls/buttons/qvButtonBase.h"

namespace qv
{

// Plain command button. Style 5 is the look of the program's windows; 0 a raised
// classic face, 1 (default) neutral, 2 flat, 3 cool and 4 green rounded faces.
// When the host marks it as its default button (Default) and DefaultView is on, the
// face carries the default-button band.
class qvCommand : public qvButtonBase
{
    Q_OBJECT
    Q_PROPERTY(int IconSpace READ IconSpace WRITE setIconSpace)
    Q_PROPERTY(bool FocusRectangle READ FocusRectangle WRITE setFocusRectangle)
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)
    Q_PROPERTY(bool DefaultView READ DefaultView WRITE setDefaultView)
    Q_PROPERTY(bool Default READ isDefault WRITE setDefault)
    Q_PROPERTY(bool SoftStyle READ SoftStyle WRITE setSoftStyle)

public:
    explicit qvCommand(QWidget *parent = nullptr);

    int IconSpace() const { return iconSpacing(); }
    void setIconSpace(int space) { setIconSpacing(space); }
    bool FocusRectangle() const { return m_focusRectangle; }
    void setFocusRectangle(bool on);
    // Background picture, stretched over the face under the style's drawing.
    QPixmap Picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);
    bool DefaultView() const { return m_defaultView; }
    void setDefaultView(bool on);
    // Set by the host window on its default button.
    bool isDefault() const { return m_default; }
    void setDefault(bool on);
    bool SoftStyle() const { return m_softStyle; }
    void setSoftStyle(bool on);

protected:
    void leftClick() override;
    void paintBackground(QPainter &p, const Look &look) override;
    void paintContent(QPainter &p, const Look &look) override;

private:
    void paintClassic(QPainter &p, int state);
    void paintFlat(QPainter &p, int state);

    bool m_focusRectangle = true;
    QPixmap m_picture;
    bool m_defaultView = true;
    bool m_default = false;
    bool m_softStyle = false;
};

} // namespace qv
