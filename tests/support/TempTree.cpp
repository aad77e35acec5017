#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qvtest
{

TempDrives::TempDrives(const QString &letters)
    : m_oldDrives(qgetenv("QVBACKUP_DRIVES")), m_oldProgram(qgetenv("QVBACKUP_PROGRAM_DIR"))
{
    QStringList table;
    for (QChar l : letters) {
        const QString dir = m_dir.path() + "/" + l.toUpper();
        QDir().mkpath(dir);
        table << QString(l.toUpper()) + "=" + dir;
    }
    qputenv("QVBACKUP_DRIVES", QFile::encodeName(table.join(';')));
    setProgramFolder("C:\\Program\\Backup");
}

TempDrives::~TempDrives()
{
    qputenv("QVBACKUP_DRIVES", m_oldDrives);
    qputenv("QVBACKUP_PROGRAM_DIR", m_oldProgram);
}

QString TempDrives::hostRoot(QChar letter) const
{
    return m_dir.path() + "/" + letter.toUpper();
}

QString TempDrives::host(const QString &windowsPath) const
{
    QString rest = windowsPath.mid(2);
    rest.replace('\\', '/');
    return hostRoot(windowsPath.at(0)) + rest;
}

void TempDrives::setProgramFolder(const QString &windowsPath)
{
    m_programFolder = windowsPath;
    QDir().mkpath(host(windowsPath));
    qputenv("QVBACKUP_PROGRAM_DIR", windowsPath.toUtf8());
}

QString TempDrives::writeFile(const QString &windowsPath, const QByteArray &content, const QDateTime &mtime)
{
    const QString path = host(windowsPath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write(content);
    f.flush(); // a buffered write at close would move the time again
    if (mtime.isValid())
        f.setFileTime(mtime, QFileDevice::FileModificationTime);
    f.close();
    return path;
}

void TempDrives::makeDir(const QString &windowsPath)
{
    QDir().mkpath(host(windowsPath));
}

QByteArray TempDrives::readFile(const QString &windowsPath) const
{
    QFile f(host(windowsPath));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TempDrives::exists(const QString &windowsPath) const
{
    return QFileInfo::exists(host(windowsPath));
}

} // namespace qvtest
