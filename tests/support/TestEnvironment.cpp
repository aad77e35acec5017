#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdlib>

namespace qvtest
{
namespace
{
QTemporaryDir *g_root = nullptr;

void setDir(const char *var, const QString &path)
{
    QDir().mkpath(path);
    qputenv(var, QFile::encodeName(path));
}
} // namespace

void setUpProcessEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_root = new QTemporaryDir(QDir::tempPath() + "/qvtest-XXXXXX");
    const QString root = g_root->path();
    setDir("HOME", root + "/home");
    setDir("XDG_CONFIG_HOME", root + "/config");
    setDir("XDG_DATA_HOME", root + "/data");
    setDir("XDG_CACHE_HOME", root + "/cache");
    setDir("XDG_STATE_HOME", root + "/state");
    setDir("XDG_RUNTIME_DIR", root + "/runtime");
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(root + "/c/Program/Backup");
    qputenv("QVBACKUP_DRIVES", QFile::encodeName("C=" + root + "/c"));
    qputenv("QVBACKUP_PROGRAM_DIR", "C:\\Program\\Backup");
    qunsetenv("LocalAppData");
    qunsetenv("QVBACKUP_TEXT_VIEWER");
    qputenv("LC_ALL", "nb_NO.UTF-8");
    qputenv("LANG", "nb_NO.UTF-8");
}

void setUpApplicationDefaults()
{
    QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
}

QString processRoot()
{
    return g_root ? g_root->path() : QString();
}

} // namespace qvtest
