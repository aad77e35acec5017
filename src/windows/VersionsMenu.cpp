#include "windows/VersionsMenu.h"

#include "engine/RunState.h"
#include "engine/Versions.h"
#include "platform/base/UserDialog.h"

#include <QAction>
#include <QMenu>

#include <optional>

namespace qv
{

namespace
{
// A whole number of at least 0 asked for; nothing when cancelled or not a number.
std::optional<int> askCount(const QString &question, const QString &title, int current)
{
    const QString answer = dialog().prompt(question, title, QString::number(current)).trimmed();
    if (answer.isEmpty())
        return std::nullopt;
    bool ok = false;
    const int n = answer.toInt(&ok);
    if (!ok || n < 0) {
        msgBox(QStringLiteral("Skriv et helt tall, 0 eller større."), Buttons::OK, Icon::Exclamation);
        return std::nullopt;
    }
    return n;
}
} // namespace

void addVersionEntries(QMenu *menu, RunState &state)
{
    menu->addSeparator();
    QAction *days = menu->addAction(QStringLiteral("&Eldre versjoner..."));
    days->setObjectName(QStringLiteral("mnuRedigerVersjoner"));
    QObject::connect(days, &QAction::triggered, menu, [] {
        if (const auto n =
                askCount(QStringLiteral("Hvor mange dager skal eldre versjoner av erstattede filer "
                                        "beholdes?\n0 slår eldre versjoner av."),
                         QStringLiteral("Eldre versjoner"), versionDays()))
            setVersionDays(*n);
    });

    QAction *readBack = menu->addAction(QStringLiteral("les kopien tilbake og sammenlign"));
    readBack->setObjectName(QStringLiteral("mnuRedigerLesTilbake"));
    readBack->setCheckable(true);
    // The store may change from the command line while the window is open.
    QObject::connect(menu, &QMenu::aboutToShow, readBack,
                     [readBack] { readBack->setChecked(readBackCopies()); });
    QObject::connect(readBack, &QAction::toggled, menu, [](bool on) {
        if (on != readBackCopies())
            setReadBackCopies(on);
    });

    QAction *archives = menu->addAction(QStringLiteral("Behold &zip-filer..."));
    archives->setObjectName(QStringLiteral("mnuRedigerBeholdZip"));
    QObject::connect(archives, &QAction::triggered, menu, [&state] {
        const int index = state.cboMal.listIndex();
        if (index < 1) {
            msgBox(QStringLiteral("Velg en lagret mal først."), Buttons::OK, Icon::Information);
            return;
        }
        const QString name = state.lsv1.row(index).Malnavn;
        if (const auto n = askCount("Hvor mange av de siste zip-filene til «" + name +
                                        "» skal beholdes?\n0 beholder alle.",
                                    QStringLiteral("Behold zip-filer"), archivesKept(name)))
            setArchivesKept(name, *n);
    });
}

} // namespace qv
