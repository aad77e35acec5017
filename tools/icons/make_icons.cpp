// Draws the six tool button pictures of the main window into res/ (24 x 24 PNG with
// alpha), and with --app the program's icon in the hicolor sizes. Build and run with
// tools/icons/make_icons.sh; the PNGs are checked in.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>

namespace
{

constexpr int Size = 24;

// Drawn in a 24 x 24 frame, scaled to the size asked for.
QImage draw(const std::function<void(QPainter &)> &paint, int size = Size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(size) / Size, double(size) / Size);
    paint(p);
    return img;
}

// A sheet of paper with a folded corner, the base of the template pictures.
void page(QPainter &p)
{
    QPainterPath sheet;
    sheet.moveTo(4.5, 1.5);
    sheet.lineTo(14.5, 1.5);
    sheet.lineTo(19.5, 6.5);
    sheet.lineTo(19.5, 21.5);
    sheet.lineTo(4.5, 21.5);
    sheet.closeSubpath();
    QLinearGradient g(4, 2, 20, 22);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(222, 230, 240));
    p.setPen(QPen(QColor(96, 112, 136), 1));
    p.setBrush(g);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(14.5, 1.5);
    fold.lineTo(14.5, 6.5);
    fold.lineTo(19.5, 6.5);
    p.setBrush(QColor(200, 210, 224));
    p.drawPath(fold);
    p.setPen(QPen(QColor(150, 166, 190), 1));
    for (int y = 10; y <= 18; y += 3)
        p.drawLine(QPointF(7, y + 0.5), QPointF(16, y + 0.5));
}

// A round badge in the lower right corner.
void badge(QPainter &p, const QColor &light, const QColor &dark)
{
    QRadialGradient g(QPointF(15.5, 14.5), 8);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(130), 1));
    p.setBrush(g);
    p.drawEllipse(QPointF(17, 17), 6, 6);
}

void paintStart(QPainter &p)
{
    {
        QRadialGradient g(QPointF(9, 8), 14);
        g.setColorAt(0, QColor(140, 230, 110));
        g.setColorAt(1, QColor(30, 140, 40));
        p.setPen(QPen(QColor(20, 100, 30), 1));
        p.setBrush(g);
        p.drawEllipse(QPointF(12, 12), 10.5, 10.5);
        QPainterPath play;
        play.moveTo(9, 6.5);
        play.lineTo(17.5, 12);
        play.lineTo(9, 17.5);
        play.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(play);
    }
}

QImage start()
{
    return draw(paintStart);
}

QImage newTemplate()
{
    return draw([](QPainter &p) {
        page(p);
        badge(p, QColor(140, 230, 110), QColor(30, 140, 40));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(17, 13.5), QPointF(17, 20.5));
        p.drawLine(QPointF(13.5, 17), QPointF(20.5, 17));
    });
}

void paintSave(QPainter &p)
{
    {
        QPainterPath disk;
        disk.moveTo(2.5, 2.5);
        disk.lineTo(18.5, 2.5);
        disk.lineTo(21.5, 5.5);
        disk.lineTo(21.5, 21.5);
        disk.lineTo(2.5, 21.5);
        disk.closeSubpath();
        QLinearGradient g(0, 2, 0, 22);
        g.setColorAt(0, QColor(80, 130, 210));
        g.setColorAt(1, QColor(30, 70, 150));
        p.setPen(QPen(QColor(20, 45, 100), 1));
        p.setBrush(g);
        p.drawPath(disk);
        // Label and shutter.
        p.setPen(QPen(QColor(150, 160, 175), 1));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(5.5, 2.5, 13, 8));
        p.setBrush(QColor(200, 205, 215));
        p.drawRect(QRectF(6.5, 14.5, 11, 7));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 70, 90));
        p.drawRect(QRectF(14, 15.5, 2.5, 5));
        p.setPen(QPen(QColor(160, 180, 210), 1));
        p.drawLine(QPointF(7.5, 5.5), QPointF(16.5, 5.5));
        p.drawLine(QPointF(7.5, 7.5), QPointF(16.5, 7.5));
    }
}

QImage save()
{
    return draw(paintSave);
}

// The program's own icon: the save picture with the start picture in its corner.
QImage appIcon(int size)
{
    return draw(
        [](QPainter &p) {
            paintSave(p);
            p.translate(10, 10);
            p.scale(14.0 / Size, 14.0 / Size);
            paintStart(p);
        },
        size);
}

QImage deleteTemplate()
{
    return draw([](QPainter &p) {
        page(p);
        badge(p, QColor(255, 140, 120), QColor(190, 30, 20));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(14.5, 14.5), QPointF(19.5, 19.5));
        p.drawLine(QPointF(19.5, 14.5), QPointF(14.5, 19.5));
    });
}

QImage exclude()
{
    return draw([](QPainter &p) {
        // A funnel that holds some file types back.
        QPainterPath funnel;
        funnel.moveTo(1.5, 3.5);
        funnel.lineTo(19.5, 3.5);
        funnel.lineTo(12.5, 11.5);
        funnel.lineTo(12.5, 19.5);
        funnel.lineTo(8.5, 21.5);
        funnel.lineTo(8.5, 11.5);
        funnel.closeSubpath();
        QLinearGradient g(2, 0, 20, 0);
        g.setColorAt(0, QColor(120, 170, 230));
        g.setColorAt(1, QColor(40, 90, 170));
        p.setPen(QPen(QColor(25, 60, 120), 1));
        p.setBrush(g);
        p.drawPath(funnel);
        badge(p, QColor(255, 140, 120), QColor(190, 30, 20));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(13.5, 17), QPointF(20.5, 17));
    });
}

QImage exitProgram()
{
    return draw([](QPainter &p) {
        // A door frame with the door open and an arrow going out.
        p.setPen(QPen(QColor(90, 60, 30), 1));
        p.setBrush(QColor(245, 235, 215));
        p.drawRect(QRectF(3.5, 1.5, 12, 20));
        QPainterPath door;
        door.moveTo(3.5, 1.5);
        door.lineTo(10.5, 3.5);
        door.lineTo(10.5, 23.5);
        door.lineTo(3.5, 21.5);
        door.closeSubpath();
        QLinearGradient g(3, 0, 11, 0);
        g.setColorAt(0, QColor(190, 120, 60));
        g.setColorAt(1, QColor(130, 75, 30));
        p.setBrush(g);
        p.drawPath(door);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 220, 120));
        p.drawEllipse(QPointF(9, 13), 1, 1);
        QPainterPath arrow;
        arrow.moveTo(13, 10);
        arrow.lineTo(18, 10);
        arrow.lineTo(18, 6.5);
        arrow.lineTo(23, 12);
        arrow.lineTo(18, 17.5);
        arrow.lineTo(18, 14);
        arrow.lineTo(13, 14);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(150, 20, 10), 1));
        p.setBrush(QColor(225, 50, 35));
        p.drawPath(arrow);
    });
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    // --app DIR: the hicolor icon set of the program, DIR/<n>x<n>/apps/qvbackup.png.
    if (argc > 2 && QByteArray(argv[1]) == "--app") {
        int failed = 0;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString folder = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1x%1/apps").arg(size);
            QDir().mkpath(folder);
            if (!appIcon(size).save(folder + QStringLiteral("/qvbackup.png"), "PNG"))
                ++failed;
        }
        return failed == 0 ? 0 : 1;
    }
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("res");
    const struct {
        const char *name;
        QImage image;
    } icons[] = {{"Start.png", start()},    {"NyMal.png", newTemplate()},
                 {"FileSave.png", save()},  {"SlettMal.png", deleteTemplate()},
                 {"Utelat.png", exclude()}, {"Exit.png", exitProgram()}};
    int failed = 0;
    for (const auto &icon : icons) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(icon.name);
        if (!icon.image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
