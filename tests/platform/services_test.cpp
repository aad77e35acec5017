#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/base/PlatformError.h"
#include "platform/base/Settings.h"
#include "platform/base/UserDialog.h"
#include "platform/paths/DriveTable.h"
#include "platform/system/TextViewer.h"

#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;

namespace
{
const QString nbsp(QChar(0x00A0));

// Pins a locale for one test and puts the suite's locale back afterwards.
struct LocaleScope {
    QLocale old;
    explicit LocaleScope(const QLocale &l) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(old); }
};
} // namespace

TEST(LocaleTest, NorwegianSeparators)
{
    EXPECT_EQ(timeSeparator(), ":");
    EXPECT_EQ(decimalSeparator(), QChar(','));
    EXPECT_EQ(groupSeparator(), nbsp);
}

TEST(LocaleTest, NumbersRoundHalvesAwayFromZero)
{
    EXPECT_EQ(formatGrouped(1.5, 2), "1,50");
    EXPECT_EQ(formatGrouped(0, 2), "0,00");
    EXPECT_EQ(formatGrouped(1234, 0), "1" + nbsp + "234");
    EXPECT_EQ(formatGrouped(10000000.0, 2), "10" + nbsp + "000" + nbsp + "000,00");
    EXPECT_EQ(formatGrouped(999.995, 2), "1" + nbsp + "000,00");
    EXPECT_EQ(formatGrouped(0.125, 2), "0,13");
    EXPECT_EQ(formatGrouped(1.005, 2), "1,01");
    EXPECT_EQ(formatGrouped(-2.5, 0), "-3");
    EXPECT_EQ(formatGrouped(-0.001, 2), "0,00");
    EXPECT_EQ(formatPlain(2.5, 0), "3");
    EXPECT_EQ(formatPlain(0.5, 0), "1");
    EXPECT_EQ(formatPlain(100.0 - (3.0 - 1.0) / 3.0 * 100.0, 1), "33,3");
    EXPECT_EQ(formatPlain(100, 0), "100");
    EXPECT_EQ(formatPlain(123456.04, 1), "123456,0");
    EXPECT_EQ(formatPlain(0.0004, 3), "0,000");
    EXPECT_EQ(formatPlain(0.0005, 3), "0,001");
    EXPECT_EQ(formatPlain(4294967296.0 / 1024, 2), "4194304,00");
}

TEST(LocaleTest, TimeTexts)
{
    const QDateTime t(QDate(2026, 12, 7), QTime(7, 4, 6));
    EXPECT_EQ(formatRunTime(t), "07.12.2026   kl. 07:04:06");
    EXPECT_EQ(formatFileTime(t), "2026.12.07  07:04");
    EXPECT_EQ(formatGeneralDate(QDateTime(QDate(2026, 12, 7), QTime(17, 47, 8))), "07.12.2026 17:47:08");
    EXPECT_EQ(formatRunTime(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0))), "01.01.2027   kl. 00:00:00");
}

TEST(LocaleTest, FollowsAnotherLocale)
{
    LocaleScope fi(QLocale(QLocale::Finnish, QLocale::Finland));
    EXPECT_EQ(timeSeparator(), ".");
    EXPECT_EQ(formatFileTime(QDateTime(QDate(2026, 12, 7), QTime(17, 47))), "2026.12.07  17.47");
    LocaleScope us(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(formatGrouped(1234.5, 2), "1,234.50");
    EXPECT_EQ(formatPlain(1234.5, 1), "1234.5");
    EXPECT_EQ(timeSeparator(), ":");
}

TEST(ClockTest, FixedClockStandsStillUntilMoved)
{
    const QDateTime a(QDate(2026, 12, 7), QTime(17, 47, 0));
    FixedClock clock(a);
    setClock(&clock);
    EXPECT_EQ(now(), a);
    clock.set(a.addSecs(61));
    EXPECT_EQ(now(), a.addSecs(61));
    setClock(nullptr);
    EXPECT_LE(qAbs(now().secsTo(QDateTime::currentDateTime())), 2);
}

TEST(SettingsTest, StoredPerUserInTheProgramsOwnFile)
{
    EXPECT_EQ(getSetting("Tilpass", "BackupIndex", "0"), "0");
    saveSetting("Tilpass", "BackupIndex", "3");
    saveSetting("KatalogVindu", "Bredde", "4125");
    EXPECT_EQ(getSetting("Tilpass", "BackupIndex", "0"), "3");
    EXPECT_EQ(getSetting("KatalogVindu", "Bredde"), "4125");
    EXPECT_EQ(getSetting("KatalogVindu", "Hoyde"), "");
    const QString file = qEnvironmentVariable("XDG_CONFIG_HOME") + "/qvbackup/qvbackup.conf";
    ASSERT_TRUE(QFileInfo::exists(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("[Tilpass]"));
    EXPECT_TRUE(text.contains("BackupIndex=3"));
}

TEST(UserDialogTest, NamesOfButtonsIconsAndAnswers)
{
    EXPECT_EQ(buttonsName(Buttons::YesNoCancel), "YesNoCancel");
    EXPECT_EQ(buttonsName(Buttons::RetryCancel), "RetryCancel");
    EXPECT_EQ(iconName(Icon::Exclamation), "Exclamation");
    EXPECT_EQ(iconName(Icon::None), "None");
    EXPECT_EQ(answerName(Answer::Retry), "Retry");
    EXPECT_EQ(answerName(Answer::No), "No");
}

TEST(UserDialogTest, DefaultDialogueAnswersTheDefaultButton)
{
    setDialog(nullptr);
    EXPECT_EQ(msgBox("x"), Answer::OK);
    EXPECT_EQ(msgBox("x", Buttons::YesNo, Icon::Question, kAppTitle, 2), Answer::No);
    EXPECT_EQ(msgBox("x", Buttons::YesNoCancel, Icon::Question, kAppTitle, 3), Answer::Cancel);
    EXPECT_EQ(msgBox("x", Buttons::OKCancel, Icon::Exclamation, kAppTitle, 1), Answer::OK);
    EXPECT_EQ(msgBox("x", Buttons::RetryCancel, Icon::None, kAppTitle, 9), Answer::Retry);
    EXPECT_EQ(dialog().prompt("Skriv navn", kAppTitle, "forslag"), "");
}

TEST(UserDialogTest, InstalledDialogueReceivesEveryCall)
{
    struct Recorder : UserDialog {
        QStringList calls;
        Answer messageBox(const QString &text, Buttons b, Icon i, const QString &title, int def) override
        {
            calls << text + "|" + buttonsName(b) + "|" + iconName(i) + "|" + title + "|" +
                         QString::number(def);
            return Answer::Yes;
        }
        QString prompt(const QString &, const QString &, const QString &d) override { return d; }
        void setBusyPointer(bool) override {}
        void processEvents() override {}
    } rec;
    setDialog(&rec);
    EXPECT_EQ(msgBox("Vil du slette?", Buttons::YesNo, Icon::Question), Answer::Yes);
    EXPECT_EQ(dialog().prompt("p", "t", "svar"), "svar");
    setDialog(nullptr);
    EXPECT_EQ(rec.calls, QStringList{"Vil du slette?|YesNo|Question|Backup|1"});
}

TEST(TextViewerTest, StartsTheConfiguredViewerWithTheHostPath)
{
    qvtest::TempDrives drives;
    drives.writeFile("C:\\Program\\Backup\\BackupLoggEnkel.txt", "logg");
    const QString out = drives.hostRoot('C') + "/viewer-ran.txt";
    const QString script = drives.hostRoot('C') + "/viewer.sh";
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\nprintf '%s' \"$1\" > '" + out + "'\n").toUtf8());
    }
    // The viewer's answer comes through a pipe: reading it waits for the viewer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(out).constData(), 0600), 0);
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("QVBACKUP_TEXT_VIEWER", QFile::encodeName(script));
    startTextViewer("c:\\program\\backup\\backuploggenkel.txt");
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QFile::decodeName(f.readAll()), drives.host("C:\\Program\\Backup\\BackupLoggEnkel.txt"));

    qputenv("QVBACKUP_TEXT_VIEWER", "/nowhere/notepad");
    try {
        startTextViewer("C:\\Program\\Backup\\BackupLoggEnkel.txt");
        ADD_FAILURE() << "a missing viewer must fail";
    } catch (const PlatformError &e) {
        EXPECT_EQ(e.number(), 53);
    }
    qputenv("QVBACKUP_TEXT_VIEWER", "no-such-viewer-program");
    EXPECT_THROW(startTextViewer("C:\\Program\\Backup\\BackupLoggEnkel.txt"), PlatformError);
    qunsetenv("QVBACKUP_TEXT_VIEWER");
}

TEST(TextViewerTest, LogonName)
{
    const QByteArray oldUser = qgetenv("USER");
    qputenv("USER", "ola");
    EXPECT_EQ(logonName(), "ola");
    qunsetenv("USER");
    qunsetenv("LOGNAME");
    EXPECT_FALSE(logonName().isEmpty()); // from the account database
    qputenv("USER", oldUser);
}
