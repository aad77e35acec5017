#pragma once
#include "controls/panels/GradientSurface.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace qv
{

// Window background: paints a two-colour, mirrored or four-corner gradient onto its
// parent window (Destinasjon 0) or onto the widget BoxName (Destinasjon 1). The control
// itself is a small invisible square. Refresh paints once, on the next turn of the
// event loop, so several changes in a row paint once.
class qvShadeForm : public GradientSurface
{
    Q_OBJECT
    Q_PROPERTY(int Destinasjon READ Destinasjon WRITE setDestinasjon)
    Q_PROPERTY(QWidget *BoxName READ BoxName WRITE setBoxName)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)

public:
    // Side of the square, pixels (435 twips).
    static constexpr int ControlSize = 29;

    explicit qvShadeForm(QWidget *parent = nullptr);
    ~qvShadeForm() override;

    int Destinasjon() const { return m_destinasjon; }
    void setDestinasjon(int v);
    QWidget *BoxName() const { return m_box; }
    void setBoxName(QWidget *box);
    bool Enabled() const { return m_enabled; }
    void setEnabledProperty(bool v);

    // Paints the target on the next turn of the event loop.
    Q_INVOKABLE void Refresh();
    // Paints the target now (what the deferred Refresh does).
    void PaintTarget();

    // The widget painted on: the parent window or BoxName.
    QWidget *Target() const;
    // The background painted on the target (empty while there is none).
    const QImage &Background() const { return m_background; }
    int PaintCount() const { return m_paintCount; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void watchTarget();

    int m_destinasjon = 0;
    QPointer<QWidget> m_box;
    bool m_enabled = true;

    QPointer<QWidget> m_watched;
    QTimer m_paintTimer;
    QImage m_background;
    int m_paintCount = 0;
};

} // namespace qv
