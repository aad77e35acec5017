// Shots of the drawing helpers, the gradient panel, the form background, the progress
// bar and the tooltip.
#include "ControlCatalog.h"

#include "controls/drawing/GDIPlusPicture.h"
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/CTooltip.h"
#include "controls/panels/qvProgress.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"

#include <QDir>
#include <QPainter>
#include <functional>

using namespace qv;

using namespace qvKontrollerFelles;
using namespace GDIplusDraw;

namespace
{

// A widget that shows one drawing made through the helpers.
class Canvas : public QWidget
{
public:
    Canvas(QWidget *parent, std::function<void(QPainter &, const QSize &)> draw)
        : QWidget(parent), m_draw(std::move(draw))
    {
        resize(parent->size());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QImage img(size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter p(&img);
        m_draw(p, size());
        p.end();
        QPainter(this).drawImage(0, 0, img);
    }

private:
    std::function<void(QPainter &, const QSize &)> m_draw;
};

// A small picture with soft alpha: an opaque disc with a half-transparent ring.
QString samplePicture()
{
    static QString path;
    if (!path.isEmpty())
        return path;
    path = QDir::tempPath() + QStringLiteral("/qv_gallery_sample.png");
    QImage img(32, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 120, 220));
    p.setPen(QPen(QColor(220, 60, 30, 128), 3));
    p.drawEllipse(QRectF(2, 2, 28, 12));
    p.end();
    img.save(path);
    return path;
}

QWidget *panel(QWidget *host, const std::function<void(qvShadeBox *)> &setUp)
{
    auto *box = new qvShadeBox(host);
    box->resize(host->size());
    setUp(box);
    return box;
}

} // namespace

QV_CATALOG(drawingHelperShots)
{
    qvcatalog::add(
        {"helpers_gradients", "GradientRect both ways and GradientCorners", {300, 60}, [](QWidget *host) {
             return new Canvas(host, [](QPainter &p, const QSize &) {
                 GradientRect(p, RGB(255, 0, 0), RGB(0, 0, 255), 0, 0, 100, 60, true);
                 GradientRect(p, RGB(255, 255, 255), RGB(83, 136, 215), 100, 0, 200, 60, false);
                 GradientCorners(p, RGB(171, 254, 237), RGB(83, 136, 215), RGB(83, 136, 215),
                                 RGB(171, 254, 237), 200, 0, 300, 60);
             });
         }});
    qvcatalog::add({"helpers_text_grid",
                    "DrawTextPlus alignment codes 0-8 with the grid flag",
                    {300, 90},
                    [](QWidget *host) {
                        return new Canvas(host, [](QPainter &p, const QSize &) {
                            for (int code = 0; code < 9; ++code) {
                                const int x = (code % 3) * 100, y = (code / 3) * 30;
                                DrawRoundRectPlus(p, x, y, x + 99, y + 29, 0, -1, 1, LineSolid,
                                                  MakeArgb(255, 200, 200, 200), 0, 0, 0, 0);
                                DrawTextPlus(p, x, y, 100, 30, QString::number(code), QStringLiteral("Arial"),
                                             8, 0, code, MakeArgb(255, 0, 0, 0), 4, true, 4);
                            }
                        });
                    }});
    qvcatalog::add(
        {"helpers_shapes",
         "Round rectangles: solid, centre, linear modes 0-3, lower-right line; ellipses",
         {420, 60},
         [](QWidget *host) {
             return new Canvas(host, [](QPainter &p, const QSize &) {
                 const Argb line = MakeArgb(255, 28, 81, 128);
                 const Argb c1 = MakeArgb(255, 255, 240, 207), c2 = MakeArgb(255, 248, 179, 48);
                 DrawRoundRectPlus(p, 2, 2, 50, 28, 0, FillSolid, 1, LineSolid, line, 0, c1, c2, 0);
                 DrawRoundRectPlus(p, 56, 2, 104, 28, 6, FillCentreGradient, 1, LineSolid, line, 0, c1, c2,
                                   0);
                 for (int mode = 0; mode < 4; ++mode)
                     DrawRoundRectPlus(p, 110 + mode * 54, 2, 158 + mode * 54, 28, 6, FillLinearGradient, 1,
                                       LineSolid, line, 0, c1, c2, mode);
                 DrawRoundRectPlus(p, 326, 2, 374, 28, 5, FillSolid, 2, LineSolid,
                                   MakeArgb(255, 255, 255, 255), MakeArgb(255, 120, 120, 120), c1, 0, 0);
                 DrawHalfRoundRectPlus(p, 380, 2, 416, 28, 6, true, false, FillSolid, 1, LineSolid, line, 0,
                                       c1, 0, 0);
                 DrawEllipsePlus(p, 2, 32, 60, 26, FillCentreGradient, 1, LineSolid, line, 0, 0, c1, c2, 0);
                 DrawEllipsePlus(p, 70, 32, 60, 26, FillCentreGradient, 1, LineSolid, line, 85, 40, c1, c2,
                                 0);
                 DrawEllipsePlus(p, 140, 32, 60, 26, FillLinearGradient, 1, LineSolid, line, 0, 0, c1, c2, 3);
                 DrawEllipsePlus(p, 210, 34, 5, 5, FillSolid, 1, LineSolid, MakeArgb(255, 33, 161, 33), 0, 0,
                                 MakeArgb(255, 33, 161, 33), 0, 0);
                 DrawLinePlus(p, 230, 36, 410, 36, 1, MakeArgb(255, 0, 0, 0), 0, 0, false);
                 DrawLinePlus(p, 230, 40, 410, 56, 2, MakeArgb(255, 200, 0, 0), 0, 0, true);
             });
         }});
    qvcatalog::add({"helpers_pictures",
                    "DrawPictureFile: own size, stretched, keep-aspect, disabled",
                    {200, 40},
                    [](QWidget *host) {
                        return new Canvas(host, [](QPainter &p, const QSize &) {
                            GradientRect(p, RGB(255, 255, 255), RGB(83, 136, 215), 0, 0, 200, 40, false);
                            int w = -1, h = -1;
                            GDIPlusPicture::DrawPictureFile(p, samplePicture(), 2, 2, w, h, true, false);
                            w = 40, h = 30;
                            GDIPlusPicture::DrawPictureFile(p, samplePicture(), 40, 2, w, h, true, false);
                            w = 30, h = 30;
                            GDIPlusPicture::DrawPictureFile(p, samplePicture(), 90, 2, w, h, true, true);
                            w = -1, h = -1;
                            GDIPlusPicture::DrawPictureFile(p, samplePicture(), 130, 2, w, h, false, false);
                        });
                    }});
}

QV_CATALOG(shadeBoxShots)
{
    for (int fade = 0; fade <= 2; ++fade)
        qvcatalog::add(
            {QStringLiteral("shadebox_fade%1").arg(fade),
             QStringLiteral("qvShadeBox FadeType %1").arg(fade),
             {200, 40},
             [fade](QWidget *host) { return panel(host, [fade](qvShadeBox *b) { b->setFadeType(fade); }); }});
    for (int fade = 0; fade <= 1; ++fade)
        qvcatalog::add({QStringLiteral("shadebox_fade%1_double").arg(fade),
                        QStringLiteral("qvShadeBox FadeType %1 with FadeDouble at 50 %").arg(fade),
                        {200, 40},
                        [fade](QWidget *host) {
                            return panel(host, [fade](qvShadeBox *b) {
                                b->setFadeType(fade);
                                b->setFadeDouble(true);
                            });
                        }});
    for (int style = 1; style <= 10; ++style)
        qvcatalog::add(
            {QStringLiteral("shadebox_style%1").arg(style),
             QStringLiteral("qvShadeBox Style %1 with Border and BorderTopBottom").arg(style),
             {200, 40},
             [style](QWidget *host) { return panel(host, [style](qvShadeBox *b) { b->setStyle(style); }); }});
    qvcatalog::add({"shadebox_text_left", "Text aligned left, plain", {520, 24}, [](QWidget *host) {
                        return panel(host, [](qvShadeBox *b) {
                            b->setTextAlign(0);
                            b->setText(QStringLiteral("12 filer funnet (1 234 kb).  3 mapper gjennomsøkt."));
                        });
                    }});
    qvcatalog::add(
        {"shadebox_text_changing", "Status text as during a backup run", {520, 24}, [](QWidget *host) {
             return panel(host, [](qvShadeBox *b) {
                 b->setTextAlign(0);
                 b->setText(QStringLiteral("Legger til i zip: C:\\Data\\Bilder\\2024\\ferie.jpg"));
             });
         }});
    qvcatalog::add({"shadebox_text_centre_alpha",
                    "Text centred, anti-aliased (TextAlpha)",
                    {520, 24},
                    [](QWidget *host) {
                        return panel(host, [](qvShadeBox *b) {
                            b->setTextAlign(1);
                            b->setTextAlpha(true);
                            b->setText(QStringLiteral("Sikkerhetskopiering pågår..."));
                        });
                    }});
    qvcatalog::add(
        {"shadebox_text_wrap", "A long text wraps at word boundaries", {160, 48}, [](QWidget *host) {
             return panel(host, [](qvShadeBox *b) {
                 b->setTextAlign(0);
                 b->setText(QStringLiteral("Søker etter nye og endrede filer i alle undermapper..."));
             });
         }});
    qvcatalog::add({"shadebox_disabled", "Disabled panel: grey text", {200, 24}, [](QWidget *host) {
                        return panel(host, [](qvShadeBox *b) {
                            b->setEnabledProperty(false);
                            b->setText(QStringLiteral("Avslått"));
                        });
                    }});
    qvcatalog::add({"shadebox_statusbar",
                    "Status bar docked at the bottom: grip and right-aligned text clear of it",
                    {520, 40},
                    [](QWidget *host) {
                        auto *b = new qvShadeBox(host);
                        b->resize(520, 20);
                        b->setAlign(qvShadeBox::AlignBottom);
                        b->setStatusBar(true);
                        b->setText(QStringLiteral("Sikkerhetskopiering fullført. "));
                        return b;
                    },
                    {},
                    true});
    qvcatalog::add({"shadebox_shadow",
                    "Drop shadow (ShadowSize 4, ShadowPressure 6)",
                    {200, 44},
                    [](QWidget *host) {
                        return panel(host, [](qvShadeBox *b) {
                            b->setShadow(true);
                            b->setText(QStringLiteral("Skygge"));
                        });
                    },
                    {},
                    true});
    qvcatalog::add({"shadebox_lines_texts",
                    "Lines at 124, 358, 431 (alpha 180) and a free text",
                    {520, 40},
                    [](QWidget *host) {
                        return panel(host, [](qvShadeBox *b) {
                            b->Lines({124, 358, 431}, RGB(83, 136, 215), 180, false);
                            b->PrintText(0, 6, 4, 110, 30, QStringLiteral("Mal"), QStringLiteral("Arial"), 10,
                                         1, 0, MakeArgb(255, 0, 0, 0), 4, true);
                        });
                    }});
    qvcatalog::add({"shadebox_see_through",
                    "See-through (AlphaValue 120) over a four-corner panel",
                    {240, 60},
                    [](QWidget *host) {
                        auto *outer = new qvShadeBox(host);
                        outer->resize(240, 60);
                        outer->setFadeType(2);
                        auto *inner = new qvShadeBox(outer);
                        inner->setGeometry(20, 10, 200, 40);
                        inner->setStyle(5);
                        inner->setAlphaValue(120);
                        return static_cast<QWidget *>(outer);
                    },
                    [](QWidget *outer) {
                        // The inner panel reads the outer one's surface: paint it after the outer one.
                        for (auto *b : outer->findChildren<qvShadeBox *>())
                            b->Refresh();
                    }});
}

QV_CATALOG(shadeFormShots)
{
    for (int fade = 0; fade <= 2; ++fade)
        qvcatalog::add({QStringLiteral("shadeform_fade%1").arg(fade),
                        QStringLiteral("qvShadeForm FadeType %1 on its window").arg(fade),
                        {260, 120},
                        [fade](QWidget *host) {
                            auto *f = new qvShadeForm(host);
                            f->setFadeType(fade);
                            f->setColorA(RGB(156, 219, 248));
                            f->setColorB(RGB(118, 179, 240));
                            f->Refresh();
                            return static_cast<QWidget *>(f);
                        },
                        {},
                        true});
    qvcatalog::add({"shadeform_double_box",
                    "qvShadeForm FadeDouble on a picture box with Border",
                    {260, 120},
                    [](QWidget *host) {
                        auto *box = new QWidget(host);
                        box->setGeometry(20, 20, 220, 80);
                        auto *f = new qvShadeForm(host);
                        f->setDestinasjon(1);
                        f->setBoxName(box);
                        f->setFadeDouble(true);
                        f->setBorder(true);
                        f->Refresh();
                        return static_cast<QWidget *>(f);
                    },
                    {},
                    true});
}

QV_CATALOG(progressShots)
{
    for (int style = 0; style <= 7; ++style) {
        for (int value : {0, 37, 100}) {
            qvcatalog::add({QStringLiteral("progress_style%1_%2").arg(style).arg(value),
                            QStringLiteral("qvProgress Style %1 at %2 %").arg(style).arg(value),
                            {200, 15},
                            [style, value](QWidget *host) {
                                auto *bar = new qvProgress(host);
                                bar->resize(host->size());
                                bar->setStyle(style);
                                bar->setValue(value);
                                return static_cast<QWidget *>(bar);
                            }});
        }
        qvcatalog::add({QStringLiteral("progress_style%1_percent").arg(style),
                        QStringLiteral("qvProgress Style %1 at 37 % with ViewPercent").arg(style),
                        {200, 18},
                        [style](QWidget *host) {
                            auto *bar = new qvProgress(host);
                            bar->resize(host->size());
                            bar->setStyle(style);
                            bar->setViewPercent(true);
                            bar->setValue(37);
                            return static_cast<QWidget *>(bar);
                        }});
    }
    qvcatalog::add({"progress_wide",
                    "qvProgress Style 0 across a window (520 x 20) at 37 %",
                    {520, 20},
                    [](QWidget *host) {
                        auto *bar = new qvProgress(host);
                        bar->resize(host->size());
                        bar->setValue(37);
                        return static_cast<QWidget *>(bar);
                    }});
}

QV_CATALOG(tooltipShots)
{
    for (int style = 0; style <= 1; ++style) {
        qvcatalog::add({QStringLiteral("tooltip_%1").arg(style ? "balloon" : "square"),
                        QStringLiteral("CTooltip %1 with title, information icon and a # line break")
                            .arg(style ? "balloon" : "square"),
                        {120, 30},
                        [style](QWidget *host) -> QWidget * {
                            auto *tip = new CTooltip(host);
                            tip->setTTStyle(style);
                            tip->setTTTitle(QStringLiteral("Zip"));
                            tip->setTTIcon(CTooltip::IconInfo);
                            tip->setTTTipText(QStringLiteral("Lag en zip-fil#av alle filene"));
                            tip->TTCreate(host);
                            tip->TTShowAt(host->mapToGlobal(QPoint(20, 20)));
                            return tip->TTWindow();
                        }});
    }
    qvcatalog::add({"tooltip_balloon_centred_colours",
                    "CTooltip balloon, centred, own colours, warning icon",
                    {120, 30},
                    [](QWidget *host) -> QWidget * {
                        auto *tip = new CTooltip(host);
                        tip->setTTStyle(CTooltip::Balloon);
                        tip->setTTCentered(true);
                        tip->setTTTitle(QStringLiteral("Advarsel"));
                        tip->setTTIcon(CTooltip::IconWarning);
                        tip->setTTForeColor(RGB(0, 0, 128));
                        tip->setTTBackColor(RGB(255, 255, 225));
                        tip->setTTTipText(QStringLiteral("Målmappen finnes ikke"));
                        tip->TTCreate(host);
                        tip->TTShowAt(host->mapToGlobal(QPoint(20, 20)));
                        return tip->TTWindow();
                    }});
}
