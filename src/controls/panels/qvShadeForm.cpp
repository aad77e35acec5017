#include "controls/panels/qvShadeForm.h"

#include "controls/drawing/DeviceSurface.h"

#include <QEvent>
#include <QPainter>

namespace qv
{

using namespace qvKontrollerFelles;

qvShadeForm::qvShadeForm(QWidget *parent)
    : GradientSurface({0, RGB(255, 255, 255), RGB(255, 255, 0), RGB(255, 224, 192), RGB(255, 255, 192),
                       RGB(255, 192, 128), RGB(255, 255, 128), false},
                      parent)
{
    setFixedSize(ControlSize, ControlSize);
    hide();
    m_paintTimer.setSingleShot(true);
    m_paintTimer.setInterval(0);
    connect(&m_paintTimer, &QTimer::timeout, this, &qvShadeForm::PaintTarget);
    watchTarget();
}

qvShadeForm::~qvShadeForm()
{
    if (m_watched) {
        m_watched->removeEventFilter(this);
        m_watched->update();
    }
}

void qvShadeForm::setEnabledProperty(bool v)
{
    m_enabled = v;
    changed("Enabled");
}

void qvShadeForm::setDestinasjon(int v)
{
    m_destinasjon = v;
    watchTarget();
    changed("Destinasjon");
}

void qvShadeForm::setBoxName(QWidget *box)
{
    m_box = box;
    watchTarget();
    changed("BoxName");
}

QWidget *qvShadeForm::Target() const
{
    return m_destinasjon == 1 ? m_box.data() : parentWidget();
}

void qvShadeForm::watchTarget()
{
    QWidget *target = Target();
    if (m_watched == target)
        return;
    if (m_watched) {
        m_watched->removeEventFilter(this);
        m_watched->update();
    }
    m_background = QImage();
    m_watched = target;
    if (m_watched)
        m_watched->installEventFilter(this);
}

void qvShadeForm::Refresh()
{
    m_paintTimer.start();
}

void qvShadeForm::PaintTarget()
{
    m_paintTimer.stop();
    watchTarget();
    QWidget *target = Target();
    if (!target)
        return;
    ++m_paintCount;
    if (!m_enabled) {
        m_background = QImage();
        target->update();
        return;
    }
    const int w = target->width(), h = target->height();
    QImage image = DeviceSurface(target, QSize(std::max(w, 1), std::max(h, 1)));
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintGradient(p, w, h, 50, m_destinasjon == 1, target->palette());
    p.end();
    m_background = image;
    target->update();
}

bool qvShadeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watched) {
        if (event->type() == QEvent::Paint && !m_background.isNull()) {
            // Drawn under the target's own painting and its children.
            QPainter p(m_watched.data());
            p.drawImage(QPoint(0, 0), m_background);
        } else if (event->type() == QEvent::Resize && !m_background.isNull()) {
            // The background fits the target's size: paint it again for the new one.
            Refresh();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void qvShadeForm::resizeEvent(QResizeEvent *)
{
    if (size() != QSize(ControlSize, ControlSize))
        resize(ControlSize, ControlSize);
}

} // namespace qv
