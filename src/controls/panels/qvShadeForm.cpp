#include "controls/panels/qvShadeForm.h"

#include "controls/drawing/DeviceSurface.h"
#include "controls/drawing/GdiPrimitives.h"

#include <QEvent>
#include <QPainter>

using namespace qvKontrollerFelles;

qvShadeForm::qvShadeForm(QWidget *parent) : QWidget(parent)
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

void qvShadeForm::changed(const char *name)
{
    emit PropertyChanged(QString::fromLatin1(name));
}

void qvShadeForm::setFadeType(int v)
{
    m_fadeType = v;
    changed("FadeType");
}
void qvShadeForm::setColorA(OleColor v)
{
    m_colorA = v;
    changed("ColorA");
}
void qvShadeForm::setColorB(OleColor v)
{
    m_colorB = v;
    changed("ColorB");
}
void qvShadeForm::setTriColorTL(OleColor v)
{
    m_triTL = v;
    changed("TriColorTL");
}
void qvShadeForm::setTriColorTR(OleColor v)
{
    m_triTR = v;
    changed("TriColorTR");
}
void qvShadeForm::setTriColorBL(OleColor v)
{
    m_triBL = v;
    changed("TriColorBL");
}
void qvShadeForm::setTriColorBR(OleColor v)
{
    m_triBR = v;
    changed("TriColorBR");
}
void qvShadeForm::setFadeDouble(bool v)
{
    m_fadeDouble = v;
    changed("FadeDouble");
}
void qvShadeForm::setBorder(bool v)
{
    m_border = v;
    changed("Border");
}
void qvShadeForm::setBorderColor(OleColor v)
{
    m_borderColor = v;
    changed("BorderColor");
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
    const QPalette &pal = target->palette();
    const OleColor a = TranslateColor(m_colorA, pal), b = TranslateColor(m_colorB, pal);
    if (m_fadeType == 0 || m_fadeType == 1) {
        const bool horizontal = m_fadeType == 0;
        if (!m_fadeDouble) {
            GradientRect(p, a, b, 0, 0, w, h, horizontal);
        } else if (horizontal) {
            const int split = RoundHalfEven(w / 2.0);
            GradientRect(p, a, b, 0, 0, split, h, true);
            GradientRect(p, b, a, split, 0, w, h, true);
        } else {
            const int split = RoundHalfEven(h / 2.0);
            GradientRect(p, a, b, 0, 0, w, split, false);
            GradientRect(p, b, a, 0, split, w, h, false);
        }
    } else if (m_fadeType == 2) {
        GradientCorners(p, TranslateColor(m_triTL, pal), TranslateColor(m_triTR, pal),
                        TranslateColor(m_triBL, pal), TranslateColor(m_triBR, pal), 0, 0, w, h);
    }
    if (m_destinasjon == 1 && m_border)
        GdiPrimitives::Frame(p, w, h, ToQColor(TranslateColor(m_borderColor, pal)));
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
