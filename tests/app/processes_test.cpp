// The real program in its own process: a second copy on the same templates, and the
// desktop notification at the end of a run.
#include "platform/system/InstanceLock.h"
#include "support/RunFixture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace
{
class ProcessTest : public qvtest::RunTest
{
protected:
    ProcessTest()
    {
        drives.writeFile("C:\\Data\\a.txt", "a");
        useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}});
    }
    // Starts the program with the test's environment (its drive table and folders).
    void start(QProcess &p, const QStringList &args, const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.insert(extra);
        p.setProcessEnvironment(env);
        p.start(QVBACKUP_EXE, args);
        ASSERT_TRUE(p.waitForStarted());
    }
    // Waits while this process's own event loop keeps running (a D-Bus service here).
    static void waitServing(QProcess &p)
    {
        QEventLoop loop;
        QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (p.state() != QProcess::NotRunning)
            loop.exec();
    }
};

// Stands in for the desktop's notification service.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;
public slots:
    uint Notify(const QString &app, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        received << app + " | " + summary + " | " + body;
        return 1;
    }
};
} // namespace

TEST_F(ProcessTest, ASecondCopyOnTheSameTemplatesDoesNothing)
{
    qv::InstanceLock first; // this test process is the first copy
    ASSERT_EQ(first.acquire(), qv::InstanceLock::Result::Acquired);
    const QByteArray templatesBefore = programFileBytes("BackupMal.txt");

    QProcess run;
    start(run, {"--all"});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 4);
    const QString message = QString::fromUtf8(run.readAllStandardError());
    EXPECT_TRUE(message.startsWith("Backup kjører allerede med malene i C:\\Program\\Backup (prosess " +
                                   QString::number(QCoreApplication::applicationPid()) + ")"))
        << message.toStdString();
    EXPECT_FALSE(drives.exists("D:\\Sikring"));
    EXPECT_FALSE(drives.exists("C:\\Program\\Backup\\BackupLoggAlle.txt"));

    // The window says the same and does not open.
    QProcess window;
    start(window, {});
    for (int i = 0; i < 100 && !window.readAllStandardError().contains("kjører allerede"); ++i)
        window.waitForReadyRead(300);
    window.kill(); // its message box waits for a click that will not come
    window.waitForFinished();
    EXPECT_EQ(programFileBytes("BackupMal.txt"), templatesBefore);

    // Once the first copy is gone, the run goes ahead.
    first.release();
    start(run, {"--run", "Data"});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().constData();
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Data\\a.txt"), "a");
}

TEST_F(ProcessTest, TheEndOfARunIsAnnouncedOnTheSessionBus)
{
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        GTEST_SKIP() << "no dbus-daemon here";
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, "fake-desktop");
        ASSERT_TRUE(bus.isConnected());
        FakeNotifications service;
        ASSERT_TRUE(
            bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService("org.freedesktop.Notifications"));

        QProcess run;
        QProcessEnvironment env;
        env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        start(run, {"--run", "Data"}, env);
        waitServing(run);
        EXPECT_EQ(run.exitCode(), 0);
        EXPECT_EQ(service.received, QStringList{"QV Backup | Backup fullført. | 1 fil kopiert."});
    }
    QDBusConnection::disconnectFromBus("fake-desktop");
    daemon.kill();
    daemon.waitForFinished();
}

#include "processes_test.moc"
