#include "CommandLine.h"
#include "Schedule.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using Action = CommandLine::Action;

TEST(CommandLineTest, ActionsAndTheirArguments)
{
    auto run = CommandLine::parse({"--run", "Mine dokumenter"});
    EXPECT_EQ(run.action, Action::Run);
    EXPECT_EQ(run.templateName, "Mine dokumenter");
    EXPECT_EQ(CommandLine::parse({"--run=Bilder"}).templateName, "Bilder");
    EXPECT_EQ(CommandLine::parse({}).action, Action::Window);
    EXPECT_EQ(CommandLine::parse({"--all"}).action, Action::All);
    EXPECT_EQ(CommandLine::parse({"-h"}).action, Action::Help);

    auto weekly = CommandLine::parse({"--schedule", "weekly", "--at", "3:05"});
    EXPECT_EQ(weekly.action, Action::Schedule);
    EXPECT_EQ(weekly.frequency, Frequency::Weekly);
    EXPECT_EQ(weekly.at, QTime(3, 5));
    EXPECT_EQ(CommandLine::parse({"--at=23:59", "--schedule=daily"}).at, QTime(23, 59));
    EXPECT_EQ(CommandLine::parse({"--schedule", "off"}).frequency, Frequency::Off);
    auto quiet = CommandLine::parse({"--dry-run", "--all", "-q"});
    EXPECT_TRUE(quiet.quiet && quiet.dryRun && quiet.action == Action::All);
}

TEST(CommandLineTest, BadArgumentsAreRefusedInNorwegian)
{
    const QList<QStringList> bad{{"--run"},
                                 {"--run", ""},
                                 {"--run", "A", "--all"},
                                 {"--all", "--schedule", "daily"},
                                 {"--schedule", "monthly"},
                                 {"--schedule"},
                                 {"--schedule", "daily", "--at", "24:00"},
                                 {"--schedule", "daily", "--at", "7"},
                                 {"--schedule", "off", "--at", "07:00"},
                                 {"--all", "--at", "07:00"},
                                 {"--verbose"},
                                 {"--dry-run"},
                                 {"--quiet", "--schedule", "off"},
                                 {"Mine dokumenter"}};
    for (const QStringList &args : bad) {
        const CommandLine c = CommandLine::parse(args);
        EXPECT_EQ(c.action, Action::Invalid) << args.join(' ').toStdString();
        EXPECT_FALSE(c.error.isEmpty());
    }
    EXPECT_EQ(CommandLine::parse({"--frobnicate"}).error, "Ukjent valg: --frobnicate");
    EXPECT_EQ(CommandLine::parse({"-qx", "--all"}).error, "Ukjent valg: -qx");
    EXPECT_EQ(CommandLine::parse({"--all=3"}).error, "Ukjent valg: --all=3");
    EXPECT_EQ(CommandLine::parse({"--all", "--schedule"}).error, "--schedule tar daily, weekly eller off.");
    // After "--" a restored path may begin with a dash.
    EXPECT_EQ(CommandLine::parse({"--restore", "Dok", "--", "-x.txt"}).restorePaths, QStringList{"-x.txt"});
}

namespace
{
// systemd-analyze verify in system mode checks syntax, specifiers and the command;
// it needs no running manager.
int verify(const QString &dir)
{
    if (QStandardPaths::findExecutable("systemd-analyze").isEmpty())
        return -1;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("systemd-analyze", {"verify", dir + "/qvbackup.service", dir + "/qvbackup.timer"});
    p.waitForFinished(30000);
    const QByteArray output = p.readAll();
    if (output.contains("Failed to initialize manager"))
        return -1;
    if (p.exitCode() != 0)
        ADD_FAILURE() << output.constData();
    return p.exitCode();
}
} // namespace

TEST(CommandLineTest, VerifyAndTheStoredBackupSettings)
{
    auto verify = CommandLine::parse({"--verify", "Dok"});
    EXPECT_EQ(verify.action, Action::Verify);
    EXPECT_EQ(verify.templateName, "Dok");
    auto alone = CommandLine::parse({"--keep-versions", "0", "--read-back", "on"});
    EXPECT_EQ(alone.action, Action::Settings);
    EXPECT_EQ(alone.keepVersions, 0);
    EXPECT_EQ(alone.readBack, 1);
    auto withRun = CommandLine::parse({"--run", "Dok", "--keep-archives=3", "--keep-versions=60"});
    EXPECT_EQ(withRun.action, Action::Run);
    EXPECT_EQ(withRun.keepArchives, 3);
    EXPECT_EQ(withRun.keepVersions, 60);
    for (const QStringList &bad : {QStringList{"--verify"},
                                   {"--keep-versions", "-1"},
                                   {"--keep-versions", "x"},
                                   {"--read-back", "ja"},
                                   {"--keep-archives", "2"},
                                   {"--verify", "A", "--run", "B"},
                                   {"--keep-versions", "5", "--verify", "A"}})
        EXPECT_EQ(CommandLine::parse(bad).action, Action::Invalid) << bad.join(' ').toStdString();
}

TEST(ScheduleTest, UnitsRunAllAndCatchUpMissedRuns)
{
    const QString timer = schedule::timerUnit(Frequency::Weekly, QTime(2, 30));
    EXPECT_TRUE(timer.contains("\nOnCalendar=Mon *-*-* 02:30:00\n"));
    EXPECT_TRUE(timer.contains("\nPersistent=true\n"));
    EXPECT_TRUE(timer.contains("\nUnit=qvbackup.service\n"));
    EXPECT_TRUE(timer.contains("[Install]\nWantedBy=timers.target\n"));
    EXPECT_TRUE(schedule::timerUnit(Frequency::Daily, QTime(7, 0)).contains("\nOnCalendar=*-*-* 07:00:00\n"));

    // Odd characters in the program path and the carried variables survive quoting.
    const QString service =
        schedule::serviceUnit("/opt/qv 100%/qvbackup$", {"QVBACKUP_PROGRAM_DIR=C:\\Program\\Backup"});
    EXPECT_TRUE(service.contains("\nType=oneshot\n"));
    EXPECT_TRUE(service.contains("\nExecStart=\"/opt/qv 100%%/qvbackup$$\" --all\n"));
    EXPECT_TRUE(service.contains("\nEnvironment=\"QVBACKUP_PROGRAM_DIR=C:\\\\Program\\\\Backup\"\n"));

    EXPECT_EQ(
        schedule::crontabLine(Frequency::Weekly, QTime(2, 30), "/opt/it's/qvbackup", {"LocalAppData=D:\\x"}),
        "30 2 * * 1 LocalAppData='D:\\x' '/opt/it'\\''s/qvbackup' --all --quiet");
    EXPECT_EQ(schedule::crontabLine(Frequency::Daily, QTime(0, 5), "/a%b", {}),
              "5 0 * * * '/a\\%b' --all --quiet");

    QTemporaryDir dir;
    const QString program = QStandardPaths::findExecutable("true");
    QFile s(dir.filePath("qvbackup.service")), t(dir.filePath("qvbackup.timer"));
    ASSERT_TRUE(s.open(QIODevice::WriteOnly) && t.open(QIODevice::WriteOnly));
    s.write(schedule::serviceUnit(program, {"QVBACKUP_DRIVES=C=/srv/c;D=/media/usb:2:USB"}).toUtf8());
    t.write(timer.toUtf8());
    s.close();
    t.close();
    if (verify(dir.path()) < 0)
        GTEST_SKIP() << "systemd-analyze verify cannot run here";
}

TEST(ScheduleTest, WithoutAUserManagerNothingIsLeftAndTheCrontabLineIsPrinted)
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const QString folder = schedule::userUnitFolder();
    ASSERT_TRUE(folder.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    // systemctl as it answers where no user manager runs.
    QTemporaryDir bin;
    const QString systemctl = bin.path() + "/systemctl";
    QFile script(systemctl);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho 'Failed to connect to bus: No medium found' >&2\nexit 1\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);

    EXPECT_EQ(schedule::apply(Frequency::Daily, QTime(6, 15), "/usr/bin/qvbackup", out, err, systemctl), 2);
    out.flush();
    err.flush();
    EXPECT_TRUE(errText.contains("Tidsplanen er ikke lagt inn")) << errText.toStdString();
    EXPECT_TRUE(errText.contains("crontab -e"));
    EXPECT_TRUE(errText.contains("\n15 6 * * * "));
    EXPECT_FALSE(errText.contains("Failed to connect"));
    EXPECT_FALSE(QFile::exists(folder + "/qvbackup.timer"));
    EXPECT_FALSE(QFile::exists(folder + "/qvbackup.service"));

    // With a working systemctl the timer is enabled and no crontab line is printed.
    outText.clear();
    EXPECT_EQ(schedule::apply(Frequency::Weekly, QTime(6, 15), "/usr/bin/qvbackup", out, err, "true"), 0);
    out.flush();
    EXPECT_FALSE(outText.contains("crontab"));
    EXPECT_TRUE(outText.contains("hver mandag klokken 06:15"));

    EXPECT_EQ(schedule::apply(Frequency::Off, QTime(), "/usr/bin/qvbackup", out, err, "true"), 0);
    EXPECT_FALSE(QFile::exists(folder + "/qvbackup.timer"));
    EXPECT_FALSE(QFile::exists(folder + "/qvbackup.service"));
}
