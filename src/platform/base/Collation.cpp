#include "platform/base/Collation.h"

#include <QCollator>
#include <QLocale>

namespace qv
{

namespace
{
// Making a collator is costly; keep one until the locale changes.
const QCollator &collator()
{
    static QLocale made;
    static QCollator c;
    static bool ready = false;
    const QLocale locale;
    if (!ready || locale != made) {
        ready = true;
        c = QCollator(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        made = locale;
    }
    return c;
}
} // namespace

int compareNames(const QString &a, const QString &b)
{
    return collator().compare(a, b);
}

} // namespace qv
