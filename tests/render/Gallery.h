#pragma once
// The gallery renders every shot of the control catalog to
// <build folder>/gallery/<name>.png and writes index.txt beside them; the same shots at
// device pixel ratios 1.5 and 2 go to gallery/x1.5 and gallery/x2.
//
// Shot files are tests/render/*_gallery.cpp; each registers its shots with
// QV_CATALOG (see ControlCatalog.h). No CMake edit is needed to add one.
//   drawn_gallery.cpp   - panels, form background, progress bars, tooltips, drawing helpers
//   buttons_gallery.cpp - qvTButton, qvCommand, qvCheckBox (owned by the buttons work)
#include "ControlCatalog.h"

#include <QByteArray>
#include <QString>
#include <cstring>

namespace qvgallery
{

// The ratios every render tool draws at, the first being the plain one.
inline const char *const Ratios[] = {"1", "1.5", "2"};

// Takes "--ratio=R" out of the arguments and has the application draw at device pixel
// ratio R (through QT_SCALE_FACTOR, so call it before the application object is made).
// Returns the sub-folder for the pictures of that ratio: empty for 1, else "xR".
inline QString TakeRatioArgument(int &argc, char **argv)
{
    QString ratio;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ratio=", 8) != 0)
            continue;
        ratio = QString::fromLatin1(argv[i] + 8);
        for (int k = i; k + 1 < argc; ++k)
            argv[k] = argv[k + 1];
        --argc;
        break;
    }
    if (ratio.isEmpty() || ratio == QLatin1String("1"))
        return {};
    qputenv("QT_SCALE_FACTOR", ratio.toLatin1());
    return QLatin1Char('x') + ratio;
}

} // namespace qvgallery
