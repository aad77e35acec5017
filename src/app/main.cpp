#include "CommandLine.h"
#include "UnattendedRun.h"
#include "engine/modBackup.h"
#include "platform/system/DataFolder.h"
#include "platform/system/InstanceLock.h"
#include "windows/QtUserDialog.h"
#include "windows/frmBackup.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

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
    using Action = qv::CommandLine::Action;
    if (command.action == Action::Window || command.action == Action::Run || command.action == Action::All)
        qv::moveOldDataFiles(qv::Files::Feil);

    // Qt would abort with its own words when no platform plugin can reach a display.
    // A platform named outright that draws without one (offscreen, vnc, eglfs) is left to Qt.
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool needsDisplay = platform.isEmpty() || platform.startsWith(QStringLiteral("xcb")) ||
                              platform.startsWith(QStringLiteral("wayland"));
    if (command.action == Action::Window && needsDisplay && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        QTextStream(stderr)
            << "Ingen skjerm å vise vinduet på (verken DISPLAY eller WAYLAND_DISPLAY er satt). "
               "Bruk qvbackup --run \"Navn\" eller qvbackup --all for å ta backup uten vindu.\n";
        return qv::ExitFailed;
    }

    if (command.action != Action::Window) {
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
        return qv::runCommandLine(command, out, err, isatty(STDOUT_FILENO) == 1);
    }

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Backup"));
    qv::InstanceLock lock;
    if (lock.acquire() == qv::InstanceLock::Result::HeldByOther) {
        const QString message = qv::alreadyRunningMessage(lock.holderPid());
        QTextStream(stderr) << message << "\n";
        // Over the running copy's window, not under it.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Backup"), message);
        box.addButton(QStringLiteral("&OK"), QMessageBox::AcceptRole);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        qv::QtUserDialog::centreOn(box, qv::frmBackup::storedPlace());
        box.exec();
        return qv::ExitAlreadyRunning;
    }
    qv::frmBackup window;
    window.show();
    return app.exec();
}
