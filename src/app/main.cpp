#include "windows/frmBackup.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Backup"));
    qv::frmBackup window;
    window.show();
    return app.exec();
}
