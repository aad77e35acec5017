#include "platform/base/Locale.h"

#include <QLocale>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

namespace qv
{

QString timeSeparator()
{
    const QString f = QLocale().timeFormat(QLocale::ShortFormat);
    qsizetype i = f.indexOf(u'H');
    if (i < 0)
        i = f.indexOf(u'h');
    if (i >= 0) {
        while (i < f.size() && (f.at(i) == u'H' || f.at(i) == u'h'))
            ++i;
        qsizetype j = i;
        while (j < f.size() && !f.at(j).isLetter())
            ++j;
        if (j > i)
            return f.mid(i, j - i);
    }
    return QStringLiteral(":");
}

QChar decimalSeparator()
{
    const QString d = QLocale().decimalPoint();
    return d.isEmpty() ? QChar(u'.') : d.at(0);
}

QString groupSeparator()
{
    return QLocale().groupSeparator();
}

namespace
{

// Rounds on the decimal digits a person would see (15 significant digits), halves
// away from zero, so 1.005 gives 1.01 rather than the binary neighbour's 1.00.
QString formatNumber(double value, int decimals, bool grouped)
{
    const QLocale loc;
    if (!std::isfinite(value))
        return loc.toString(value);
    decimals = std::clamp(decimals, 0, 15);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string digits;
    digits += buf[0];
    const char *p = buf + 2;
    while (*p >= '0' && *p <= '9')
        digits += *p++;
    int pointPos = std::atoi(p + 1) + 1; // digits before the decimal point
    const int keep = pointPos + decimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < int(digits.size())) {
        const bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9')
                digits[i--] = '0';
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++pointPos;
            } else {
                ++digits[i];
            }
        }
    }
    const auto digitAt = [&](int k) { return k >= 0 && k < int(digits.size()) ? digits[k] : '0'; };

    QString intPart;
    for (int k = 0; k < pointPos; ++k)
        intPart += QChar(digitAt(k));
    if (intPart.isEmpty())
        intPart = QStringLiteral("0");
    QString frac;
    for (int m = 1; m <= decimals; ++m)
        frac += QChar(digitAt(pointPos - 1 + m));

    if (grouped) {
        const QString sep = loc.groupSeparator();
        for (qsizetype i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, sep);
    }
    QString out = intPart;
    if (decimals > 0)
        out += loc.decimalPoint() + frac;
    const bool nonZero = digits.find_first_not_of('0') != std::string::npos;
    // A plain hyphen, as the platform's formatting writes it (not CLDR's U+2212).
    if (value < 0 && nonZero)
        out.prepend(u'-');
    return out;
}

QString two(int v)
{
    return QString::number(v).rightJustified(2, u'0');
}

} // namespace

QString formatGrouped(double value, int decimals)
{
    return formatNumber(value, decimals, true);
}

QString formatPlain(double value, int decimals)
{
    return formatNumber(value, decimals, false);
}

QString formatRunTime(const QDateTime &local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    const QString sep = timeSeparator();
    return two(d.day()) + u'.' + two(d.month()) + u'.' + QString::number(d.year()).rightJustified(4, u'0') +
           QStringLiteral("   kl. ") + two(t.hour()) + sep + two(t.minute()) + sep + two(t.second());
}

QString formatFileTimeUtcNs(qint64 utcNs)
{
    // Called once per found file, from more than one thread when a list is sorted: the
    // locale's separator is read again only when the locale changes, and the time zone
    // conversion is the C library's (a million texts: 0.12 s, through QDateTime's
    // local time 0.77 s; bench/datetext_bench).
    thread_local QLocale cachedFor;
    thread_local QString sep = timeSeparator();
    if (QLocale() != cachedFor) {
        cachedFor = QLocale();
        sep = timeSeparator();
    }
    const time_t secs = time_t(utcNs >= 0 ? utcNs / 1000000000 : (utcNs - 999999999) / 1000000000);
    struct tm t;
    if (!localtime_r(&secs, &t))
        return formatFileTime(QDateTime::fromSecsSinceEpoch(secs).toLocalTime());
    const auto digits = [](char16_t *at, int value, int count) {
        for (int i = count - 1; i >= 0; --i, value /= 10)
            at[i] = char16_t(u'0' + value % 10);
    };
    char16_t text[17] = u"0000.00.00  00";
    digits(text, t.tm_year + 1900, 4);
    digits(text + 5, t.tm_mon + 1, 2);
    digits(text + 8, t.tm_mday, 2);
    digits(text + 12, t.tm_hour, 2);
    char16_t minute[2];
    digits(minute, t.tm_min, 2);
    QString out;
    out.reserve(16 + sep.size());
    out.append(QStringView(text, 14)).append(sep).append(QStringView(minute, 2));
    return out;
}

QString formatFileTime(const QDateTime &local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    return QString::number(d.year()).rightJustified(4, u'0') + u'.' + two(d.month()) + u'.' + two(d.day()) +
           QStringLiteral("  ") + two(t.hour()) + timeSeparator() + two(t.minute());
}

QString formatGeneralDate(const QDateTime &local)
{
    const QLocale loc;
    const QTime t = local.time();
    const QString sep = timeSeparator();
    QString time;
    if (loc.timeFormat(QLocale::ShortFormat).contains(u'A', Qt::CaseInsensitive))
        time =
            loc.toString(t, QStringLiteral("h") + sep + QStringLiteral("mm") + sep + QStringLiteral("ss AP"));
    else
        time = two(t.hour()) + sep + two(t.minute()) + sep + two(t.second());
    return loc.toString(local.date(), QLocale::ShortFormat) + u' ' + time;
}

} // namespace qv
