#include "engine/modBackup.h"

#include "platform/paths/WinPath.h"
#include "platform/system/ErrorMessage.h"

#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"
#include "platform/paths/DriveTable.h"
#include "platform/system/DataFolder.h"
#include "platform/system/TextViewer.h"

namespace qv
{

namespace
{

} // namespace

QString programFile(const QString &name)
{
    return dataFile(name);
}

void General_LoggFeil(const QString &module, const QString &procedure, qint32 number,
                      const QString &description)
{
    appendErrorRecord(Files::Feil, module, procedure, number, description);
    showErrorMessage(Files::Feil, kSupportAddress, module, procedure, number, description);
}

QString General_FinnDatamappe()
{
    return dataFolder(DataKind::Settings);
}

QString General_FinnFilendelsen(const QString &name)
{
    const QString file = WinPath(name).fileName();
    const qsizetype dot = file.lastIndexOf('.');
    if (dot < 0)
        return {};
    QString ext = file.mid(dot + 1).toLower();
    General_FjernNull(ext);
    return ext;
}

QString General_StiUtenFilnavn(const QString &path)
{
    return WinPath(path).parent().text();
}

QString General_FilnavnFraSti(const QString &path)
{
    return WinPath(path).fileName();
}

QString General_SisteMappe(const QString &folder)
{
    return WinPath(folder).lastFolder();
}

QString General_KortSti(const std::function<int(const QString &)> &textWidth, const QString &path, int width)
{
    auto fits = [&](const QString &t) { return textWidth(t) <= width; };
    if (fits(path))
        return path;
    // The last component, with its trailing "\" when the path is a folder.
    const WinPath p(path);
    const bool root = p.isDriveRoot();
    const bool folder = p.endsWithSeparator() && !root;
    const QString last = root     ? path
                         : folder ? WinPath(p.lastFolder()).withTrailingSeparator().text()
                                  : p.fileName();
    const QString ellipsis = QStringLiteral("...");
    // The folder above it without its "\" ("C:" for a file at a drive's root).
    const QString above = root ? QString() : (folder ? p.withoutTrailingSeparator() : p).parent().text();
    const QString head = above.size() > 1 ? above.chopped(1) : QString();
    // Keep as much of the start as fits, then "...\" and the last component.
    for (qsizetype k = head.size(); k >= 1; --k) {
        QString candidate = (WinPath(head.left(k) + ellipsis) / last).text();
        if (fits(candidate))
            return candidate;
    }
    // Not even the last component fits whole: cut it from the end.
    const QString start = head.isEmpty() ? QString() : head.left(3);
    for (qsizetype k = last.size(); k >= 0; --k) {
        QString candidate = start + ellipsis + last.left(k);
        if (fits(candidate))
            return candidate;
    }
    return fits(ellipsis) ? ellipsis : QString();
}

bool General_LagMappe(const QString &folder)
{
    return makePath(WinPath(folder).withTrailingSeparator().text());
}

bool General_FilFinnes(const QString &path)
{
    return fileExists(path);
}

bool General_MappeFinnes(const QString &path)
{
    return folderExists(path);
}

QString General_BrukerNavn()
{
    QString name = logonName().left(255);
    if (name.isEmpty())
        return {};
    return General_FjernNull(name).trimmed();
}

QString General_FjernNull(QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

QString General_Prosent(qint64 done, qint64 total, bool withDecimal)
{
    if (total == 0)
        return QStringLiteral("0%"); // callers avoid it; never divide by zero
    const double p = double(total - done) / double(total) * 100.0;
    return formatPlain(100.0 - p, withDecimal ? 1 : 0) + '%';
}

bool WholePercent::advance(qint64 done)
{
    // The rounded value can only change where done * 200 / total passes a whole number;
    // a point exactly on one is formatted, and so is the one after it.
    const qint64 step = m_total > 0 ? done * 200 / m_total : 0;
    if (step == m_step && !m_onBoundary)
        return false;
    m_step = step;
    m_onBoundary = m_total > 0 && (done * 200) % m_total == 0;
    QString text = General_Prosent(done, m_total, false);
    if (text == m_text)
        return false;
    m_text = std::move(text);
    return true;
}

} // namespace qv
