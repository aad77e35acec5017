#include "controls/filelist/qvFileListFormat.h"

#include "platform/base/Locale.h"
#include "platform/paths/WinPath.h"
#include "platform/system/ChangeWatch.h"

#include <QLocale>

#include <cmath>

namespace qv::qvFileListFormat
{

QString extensionOf(const QString &name, bool keepCase)
{
    const QStringView file = qv::WinPath::fileNameOf(name);
    const qsizetype dot = file.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    QString ext = file.mid(dot + 1).toString();
    const qsizetype nul = ext.indexOf(QChar(0));
    if (nul >= 0)
        ext.truncate(nul);
    return keepCase ? ext : ext.toUpper();
}

QString sizeText(quint64 bytes, int decimals)
{
    const QString text =
        qv::formatGrouped(double(bytes) / 1024.0, std::clamp(decimals, 0, 3)) + QStringLiteral(" kb.");
    return text.size() < 16 ? QString(16 - text.size(), u' ') + text : text;
}

QString timeText(const QDateTime &utc)
{
    if (!utc.isValid())
        return QStringLiteral(" ");
    return qv::formatFileTime(utc.toLocalTime());
}

QString attributeText(quint32 a)
{
    QString letters;
    if (a & 32)
        letters += u'a';
    if (a & 2)
        letters += u'h';
    if (a & 1)
        letters += u'r';
    if (a & 4)
        letters += u's';
    if (a & 16)
        letters += u'd';
    return letters.isEmpty() ? QStringLiteral(" ") : letters;
}

QString typeText(const QString &windowsPath, bool isFolder, bool shellTypes)
{
    const QString name = qv::WinPath(windowsPath).fileName();
    QString ext = extensionOf(name);
    if (!shellTypes)
        return ext;
    QString type = qv::typeName(windowsPath, isFolder);
    const qsizetype nul = type.indexOf(QChar(0));
    if (nul >= 0)
        type.truncate(nul);
    // The host's own words for "nothing known" stand for a shell without a name.
    if (!ext.isEmpty() && type == ext + QStringLiteral(" fil"))
        type.clear();
    if (type.isEmpty() && isFolder)
        type = QStringLiteral("Mappe");
    if (type.isEmpty())
        type = ext + QStringLiteral("-fil");
    return type;
}

double kilobytesOf(const QString &sizeColumn)
{
    QString t = sizeColumn.trimmed();
    if (t.isEmpty())
        return 0;
    t.chop(4); // " kb."
    t.remove(qv::groupSeparator());
    t.remove(u' ');
    t.replace(qv::decimalSeparator(), u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok ? v : 0;
}

QString shortByteSize(quint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" byte");
    static const char *const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double v = double(bytes) / 1024.0;
    int unit = 0;
    while (v >= 1000.0 && unit < 5) {
        v /= 1024.0;
        ++unit;
    }
    // Three significant digits, cut rather than rounded, as the shell shows them.
    const int decimals = v < 10 ? 2 : v < 100 ? 1 : 0;
    const double scale = std::pow(10.0, decimals);
    v = std::floor(v * scale + 1e-9) / scale;
    return QLocale().toString(v, 'f', decimals) + u' ' + QLatin1String(units[unit]);
}

} // namespace qv::qvFileListFormat
