#pragma once
// Helpers shared by the button tests: a shown top-level form, pointer parking and
// colour comparison with a tolerance.
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace buttonstest
{

// A shown, exposed top-level form at a known place; the pointer starts outside it.
struct ShownForm {
    QWidget form;
    explicit ShownForm(QSize size = {320, 160})
    {
        QCursor::setPos(2, 2);
        form.setGeometry(100, 100, size.width(), size.height());
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    ~ShownForm() { QCursor::setPos(2, 2); }
};

inline ::testing::AssertionResult colorNear(const QColor &got, const QColor &want, int tolerance = 2)
{
    const int d = qMax(qMax(qAbs(got.red() - want.red()), qAbs(got.green() - want.green())),
                       qAbs(got.blue() - want.blue()));
    if (d <= tolerance && qAbs(got.alpha() - want.alpha()) <= tolerance + 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got rgba(" << got.red() << ", " << got.green() << ", " << got.blue() << ", " << got.alpha()
           << ") want rgba(" << want.red() << ", " << want.green() << ", " << want.blue() << ", "
           << want.alpha() << ")";
}

inline QColor at(const QImage &img, int x, int y)
{
    return img.pixelColor(x, y);
}

// True when some pixel of the rectangle has (about) the colour.
inline bool anyPixel(const QImage &img, const QRect &r, const QColor &want, int tolerance = 12)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (colorNear(img.pixelColor(x, y), want, tolerance))
                return true;
    return false;
}

} // namespace buttonstest
