#include "CommandLine.h"
#include "UnattendedRun.h"
#include "platform/system/InstanceLock.h"
#include "windows/frmBackup.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

#include <csignal>

namespace
{
// A run from cron has no XDG_RUNTIME_DIR; Qt's note about it is no news to the user.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && !message.startsWith(QStringLiteral("QStandardPaths: ")))
        QTextStream(stderr) << message << "\n";
}

void stopOnSignal(int)
{
    qv::UnattendedDialog::requestStop();
}
} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const qv::CommandLine command = qv::CommandLine::parse(args);

    if (command.action != qv::CommandLine::Action::Window) {
        // No window, and no display needed: a timer or cron run has none.
        qInstallMessageHandler(quietHandler);
        QCoreApplication app(argc, argv);
        app.setApplicationName(QStringLiteral("Backup"));
        // Ctrl+C or systemctl stop: ends the run as Esc does, with its log; a second
        // signal ends the program at once.
        struct sigaction sa {
        };
        sa.sa_handler = stopOnSignal;
        sa.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
        QTextStream out(stdout), err(stderr);
        return qv::runCommandLine(command, out, err);
    }

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Backup"));
    qv::InstanceLock lock;
    if (lock.acquire() == qv::InstanceLock::Result::HeldByOther) {
        const QString message = qv::alreadyRunningMessage(lock.holderPid());
        QTextStream(stderr) << message << "\n";
        QMessageBox::warning(nullptr, QStringLiteral("Backup"), message);
        return qv::ExitAlreadyRunning;
    }
    qv::frmBackup window;
    window.show();
    return app.exec();
}
