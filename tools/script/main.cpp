// qvbackup-script SCRIPT [SCRIPT...]: runs user actions against the engine headless
// and prints a transcript. "-" reads the script from standard input.
#include "ScriptRunner.h"
#include "platform/marks/ArchiveMarks.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream(stderr) << "usage: qvbackup-script SCRIPT [SCRIPT...]   (\"-\" reads standard input)\n";
        return 2;
    }
    QStringList lines;
    for (const QString &path : args) {
        QFile f;
        if (path == "-" ? !f.open(stdin, QIODevice::ReadOnly)
                        : (f.setFileName(path), !f.open(QIODevice::ReadOnly))) {
            QTextStream(stderr) << "cannot read " << path << "\n";
            return 2;
        }
        lines += QString::fromUtf8(f.readAll()).split('\n');
    }
    qv::ScriptRunner runner(out);
    const int code = runner.run(lines);
    // Everything is written: the rows of a large scan need not be freed one by one.
    out.flush();
    qv::marks::closeCatalog();
    std::fflush(nullptr);
    std::_Exit(code);
}
