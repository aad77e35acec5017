#include "Schedule.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace qv::schedule
{

namespace
{
// A quoted word in a unit file: C escapes, "%" is a specifier, "$" a variable in
// command lines.
QString unitQuote(QString s, bool command)
{
    s.replace('\\', QStringLiteral("\\\\"))
        .replace('"', QStringLiteral("\\\""))
        .replace('%', QStringLiteral("%%"));
    if (command)
        s.replace('$', QStringLiteral("$$"));
    return '"' + s + '"';
}

QString shellQuote(QString s)
{
    s.replace('\'', QStringLiteral("'\\''"));
    return '\'' + s + '\'';
}

QString onCalendar(Frequency f, QTime at)
{
    return (f == Frequency::Weekly ? QStringLiteral("Mon *-*-* ") : QStringLiteral("*-*-* ")) +
           at.toString(QStringLiteral("HH:mm")) + ":00";
}

bool writeFile(const QString &path, const QString &text)
{
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) >= 0 && f.commit();
}

bool runSystemctl(const QString &systemctl, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(systemctl, QStringList{QStringLiteral("--user")} + args);
    if (!p.waitForStarted(5000))
        return false;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

QStringList carriedEnvironment()
{
    QStringList env;
    for (const char *name : {"QVBACKUP_PROGRAM_DIR", "QVBACKUP_DRIVES", "LocalAppData", "XDG_CONFIG_HOME",
                             "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            env << QString::fromLatin1(name) + '=' + qEnvironmentVariable(name);
    }
    return env;
}

QString serviceUnit(const QString &program, const QStringList &environment)
{
    QString t = QStringLiteral("[Unit]\n"
                               "Description=QV Backup: alle maler\n"
                               "\n"
                               "[Service]\n"
                               "Type=oneshot\n");
    for (const QString &e : environment)
        t += "Environment=" + unitQuote(e, false) + '\n';
    t += "ExecStart=" + unitQuote(program, true) + " --all\n";
    // A backup should not slow down the user's own work.
    t += QStringLiteral("Nice=10\nIOSchedulingClass=idle\n");
    return t;
}

QString timerUnit(Frequency f, QTime at)
{
    return "[Unit]\n"
           "Description=QV Backup: tidsplan for alle maler\n"
           "\n"
           "[Timer]\n"
           "OnCalendar=" +
           onCalendar(f, at) +
           "\n"
           "Persistent=true\n"
           "Unit=" +
           kService +
           "\n"
           "\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

QString crontabLine(Frequency f, QTime at, const QString &program, const QStringList &environment)
{
    QString line = QString::number(at.minute()) + ' ' + QString::number(at.hour()) + " * * " +
                   (f == Frequency::Weekly ? "1" : "*");
    for (const QString &e : environment) {
        const qsizetype eq = e.indexOf('=');
        line += ' ' + e.left(eq + 1) + shellQuote(e.mid(eq + 1));
    }
    line += ' ' + shellQuote(program) + " --all --quiet"; // cron mails whatever is printed
    line.replace('%', QStringLiteral("\\%"));             // a bare % ends the command in crontab
    return line;
}

QString userUnitFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/systemd/user";
}

int apply(Frequency f, QTime at, const QString &program, QTextStream &out, QTextStream &err,
          const QString &systemctl)
{
    const QString dir = userUnitFolder();
    const QString servicePath = dir + '/' + kService, timerPath = dir + '/' + kTimer;
    if (f == Frequency::Off) {
        const bool had = QFile::exists(timerPath);
        if (had)
            runSystemctl(systemctl, {QStringLiteral("disable"), QStringLiteral("--now"), kTimer});
        QFile::remove(timerPath);
        QFile::remove(servicePath);
        if (had)
            runSystemctl(systemctl, {QStringLiteral("daemon-reload")});
        out << "Tidsplanen er slått av.\n"
            << "Har du lagt inn en linje for qvbackup med crontab -e, må du fjerne den selv.\n";
        return ExitFinished;
    }
    const QStringList env = carriedEnvironment();
    if (!QDir().mkpath(dir) || !writeFile(servicePath, serviceUnit(program, env)) ||
        !writeFile(timerPath, timerUnit(f, at))) {
        QFile::remove(servicePath);
        QFile::remove(timerPath);
        err << "Kunne ikke skrive timer-filene i " << dir << ".\n";
        return ExitFailed;
    }
    const QString when = f == Frequency::Weekly ? QStringLiteral("hver mandag") : QStringLiteral("hver dag");
    if (runSystemctl(systemctl, {QStringLiteral("daemon-reload")}) &&
        runSystemctl(systemctl, {QStringLiteral("enable"), QStringLiteral("--now"), kTimer})) {
        out << "Skrev " << servicePath << "\n"
            << "Skrev " << timerPath << "\n"
            << "Alle maler kjøres " << when << " klokken " << at.toString(QStringLiteral("HH:mm"))
            << ". En kjøring som ble forsømt, tas ved neste oppstart.\n";
        return ExitFinished;
    }
    // Half a schedule is worse than none: the files go again. systemctl's own English
    // answer says nothing more to the user than this does.
    QFile::remove(timerPath);
    QFile::remove(servicePath);
    runSystemctl(systemctl, {QStringLiteral("daemon-reload")});
    err << "Tidsplanen er ikke lagt inn: systemctl --user svarer ikke, så det kjører ingen systemd-tjeneste "
           "for brukeren her (slik er det i mange containere og i økter uten innlogging).\n"
        << "Legg heller inn denne linjen med crontab -e:\n"
        << crontabLine(f, at, program, env) << "\n";
    return ExitFailed;
}

} // namespace qv::schedule
