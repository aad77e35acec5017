#include <QApplication>
#include <QTextStream>

// The windows are not built yet; until they are, scripts/run.sh demonstrates the
// engine through the scripting driver.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream(stderr) << "qvbackup: the main window is not built yet; scripts/run.sh shows the engine at work\n";
    return 1;
}
