#include "CommandLine.h"

#include <QRegularExpression>

namespace qv
{

namespace
{
// "--name value" or "--name=value"; advances i past what it took.
bool takeValue(const QStringList &args, qsizetype &i, const QString &name, QString &value, bool &missing)
{
    const QString &a = args.at(i);
    if (a.startsWith(name + '=')) {
        value = a.mid(name.size() + 1);
        return true;
    }
    if (a != name)
        return false;
    if (i + 1 >= args.size()) {
        missing = true;
        return true;
    }
    value = args.at(++i);
    return true;
}
} // namespace

CommandLine CommandLine::parse(const QStringList &args)
{
    CommandLine c;
    bool atGiven = false, restoreOptionGiven = false;
    QStringList loose;
    auto invalid = [&](const QString &why) {
        c.action = Action::Invalid;
        c.error = why;
        return c;
    };
    auto setAction = [&](Action a) {
        if (c.action != Action::Window && c.action != a)
            return false;
        c.action = a;
        return true;
    };
    const QString oneAction =
        QStringLiteral("Bare ett av valgene --run, --all, --schedule, --restore og --help kan brukes.");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        QString value;
        bool missing = false;
        if (takeValue(args, i, QStringLiteral("--run"), value, missing)) {
            if (missing || value.trimmed().isEmpty())
                return invalid(QStringLiteral("--run trenger navnet på en mal."));
            if (!setAction(Action::Run) || !c.templateName.isEmpty())
                return invalid(oneAction);
            c.templateName = value;
        } else if (a == "--all") {
            if (!setAction(Action::All))
                return invalid(oneAction);
        } else if (takeValue(args, i, QStringLiteral("--schedule"), value, missing)) {
            if (!setAction(Action::Schedule))
                return invalid(oneAction);
            if (value == "daily")
                c.frequency = Frequency::Daily;
            else if (value == "weekly")
                c.frequency = Frequency::Weekly;
            else if (value == "off")
                c.frequency = Frequency::Off;
            else
                return invalid(QStringLiteral("--schedule tar daily, weekly eller off."));
        } else if (takeValue(args, i, QStringLiteral("--at"), value, missing)) {
            static const QRegularExpression hhmm(QStringLiteral("^([01]?[0-9]|2[0-3]):([0-5][0-9])$"));
            const auto m = hhmm.match(value);
            if (missing || !m.hasMatch())
                return invalid(QStringLiteral("--at tar et klokkeslett som TT:MM, for eksempel 02:30."));
            c.at = QTime(m.captured(1).toInt(), m.captured(2).toInt());
            atGiven = true;
        } else if (a == "--quiet" || a == "-q") {
            c.quiet = true;
        } else if (a == "--dry-run") {
            c.dryRun = true;
        } else if (takeValue(args, i, QStringLiteral("--restore"), value, missing)) {
            if (missing || value.trimmed().isEmpty())
                return invalid(QStringLiteral("--restore trenger navnet på en mal."));
            if (!setAction(Action::Restore) || !c.templateName.isEmpty())
                return invalid(oneAction);
            c.templateName = value;
        } else if (takeValue(args, i, QStringLiteral("--from"), value, missing)) {
            static const QRegularExpression when(
                QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[T ](\\d{2}):(\\d{2}))?$"));
            const auto m = when.match(value);
            const QDate day = QDate::fromString(m.captured(1), Qt::ISODate);
            const QTime time =
                m.captured(2).isEmpty() ? QTime(23, 59) : QTime(m.captured(2).toInt(), m.captured(3).toInt());
            if (missing || !m.hasMatch() || !day.isValid() || !time.isValid())
                return invalid(QStringLiteral("--from tar en dato som ÅÅÅÅ-MM-DD eller ÅÅÅÅ-MM-DDTTT:MM, for "
                                              "eksempel 2026-12-07T17:45."));
            c.restoreFrom = QDateTime(day, time);
            restoreOptionGiven = true;
        } else if (takeValue(args, i, QStringLiteral("--to"), value, missing)) {
            if (missing || value.trimmed().isEmpty())
                return invalid(QStringLiteral("--to trenger en mappe."));
            c.restoreTo = value;
            restoreOptionGiven = true;
        } else if (takeValue(args, i, QStringLiteral("--verify"), value, missing)) {
            if (missing || value.trimmed().isEmpty())
                return invalid(QStringLiteral("--verify trenger navnet på en mal."));
            if (!setAction(Action::Verify) || !c.templateName.isEmpty())
                return invalid(oneAction);
            c.templateName = value;
        } else if (takeValue(args, i, QStringLiteral("--keep-versions"), value, missing)) {
            bool ok = false;
            c.keepVersions = value.toInt(&ok);
            if (missing || !ok || c.keepVersions < 0 || c.keepVersions > 36500)
                return invalid(
                    QStringLiteral("--keep-versions tar et antall dager, 0 slår eldre versjoner av."));
        } else if (takeValue(args, i, QStringLiteral("--keep-archives"), value, missing)) {
            bool ok = false;
            c.keepArchives = value.toInt(&ok);
            if (missing || !ok || c.keepArchives < 0)
                return invalid(QStringLiteral("--keep-archives tar et antall zip-filer, 0 beholder alle."));
        } else if (takeValue(args, i, QStringLiteral("--read-back"), value, missing)) {
            if (value != "on" && value != "off")
                return invalid(QStringLiteral("--read-back tar on eller off."));
            c.readBack = value == "on" ? 1 : 0;
        } else if (a == "--help" || a == "-h") {
            if (!setAction(Action::Help))
                return invalid(oneAction);
        } else if (a == "--version") {
            if (!setAction(Action::Version))
                return invalid(oneAction);
        } else if (a.startsWith('-')) {
            return invalid("Ukjent valg: " + a);
        } else {
            loose << a;
        }
    }
    const bool runs = c.action == Action::Run || c.action == Action::All;
    if (c.dryRun && !runs)
        return invalid(QStringLiteral("--dry-run brukes bare sammen med --run eller --all."));
    if (c.quiet && !runs)
        return invalid(QStringLiteral("--quiet brukes bare sammen med --run eller --all."));
    if (c.action == Action::Restore) {
        c.restorePaths = loose;
    } else if (!loose.isEmpty()) {
        return invalid("Ukjent argument: " + loose.first() + " (navnet på en mal gis med --run \"Navn\").");
    } else if (restoreOptionGiven) {
        return invalid(QStringLiteral("--from og --to brukes bare sammen med --restore."));
    }
    if (c.keepArchives >= 0 && c.action != Action::Run)
        return invalid(QStringLiteral("--keep-archives brukes sammen med --run \"NAVN\"."));
    if ((c.keepVersions >= 0 || c.readBack >= 0) && c.action == Action::Window)
        c.action = Action::Settings;
    if ((c.keepVersions >= 0 || c.readBack >= 0) && c.action != Action::Settings && c.action != Action::Run &&
        c.action != Action::All)
        return invalid(
            QStringLiteral("--keep-versions og --read-back brukes alene, med --run eller med --all."));
    if (atGiven && (c.action != Action::Schedule || c.frequency == Frequency::Off))
        return invalid(QStringLiteral("--at brukes bare sammen med --schedule daily eller weekly."));
    return c;
}

QString helpText()
{
    return QStringLiteral(
        "Bruk: qvbackup [VALG]\n"
        "\n"
        "Uten valg åpnes hovedvinduet.\n"
        "\n"
        "Valg:\n"
        "  --run \"NAVN\"     Kjør én lagret mal uten vindu og uten spørsmål.\n"
        "  --all            Kjør alle lagrede maler etter hverandre, som når «Alle maler»\n"
        "                   er krysset av i vinduet.\n"
        "  --schedule daily|weekly|off [--at TT:MM]\n"
        "                   Kjør --all hver dag eller hver mandag med en systemd-timer for\n"
        "                   brukeren (standard klokken 12:00), eller slå tidsplanen av.\n"
        "                   En kjøring som ble forsømt fordi maskinen var av, tas ved neste\n"
        "                   oppstart. Uten systemd skrives linjen for crontab ut i stedet.\n"
        "  --dry-run        Med --run eller --all: skriv ut filene som ville blitt tatt med,\n"
        "                   én sti per linje, og antallet; ingenting kopieres eller merkes.\n"
        "  -q, --quiet      Med --run eller --all: skriv ingenting til standard utdata når\n"
        "                   alt gikk bra; feil skrives fortsatt til standard feil.\n"
        "  --restore \"NAVN\" [--from ÅÅÅÅ-MM-DD[TTT:MM]] [--to MAPPE] [STI ...]\n"
        "                   Hent malens filer tilbake fra sikkerhetskopien: alle, eller bare\n"
        "                   stiene (under kildemappen) som er gitt, slik de var på tidspunktet\n"
        "                   (standard: det nyeste). Uten --to legges de tilbake der de var;\n"
        "                   en fil som ligger der og er annerledes, beholdes ved siden av som\n"
        "                   «navn (før gjenoppretting)». Loggen er BackupLoggGjenoppretting.txt.\n"
        "  --verify \"NAVN\"  Les backupen til malen tilbake (speilet, eller alle filene i den\n"
        "                   nyeste zip-filen) og sammenlign med kilden: innhold, størrelse og\n"
        "                   tid. Hvert avvik skrives ut. Status 0: lik, 1: avvik eller\n"
        "                   manglende filer, 2: backupen kan ikke leses.\n"
        "  --keep-versions DAGER\n"
        "                   Hvor mange dager eldre versjoner av erstattede filer beholdes\n"
        "                   (standard 30, 0 slår dem av). Lagres; alene eller med --run/--all.\n"
        "  --read-back on|off\n"
        "                   Les hver kopi tilbake og sammenlign med kilden under kjøringen.\n"
        "  --keep-archives ANTALL\n"
        "                   Med --run: behold bare de siste ANTALL zip-filene til malen\n"
        "                   (0: alle). Lagres for malen.\n"
        "  --help           Vis denne hjelpen.\n"
        "  --version        Vis programversjonen.\n"
        "\n"
        "Uten vindu får spørsmålene faste svar: start: ja; full disk: kjøringen stoppes;\n"
        "en låst fil: kjøringen går videre og filen står i loggen. Resultatet skrives til\n"
        "standard utdata (fremdriften bare i en terminal), og loggene er de samme som fra vinduet\n"
        "(BackupLoggEnkel.txt og BackupLoggAlle.txt).\n"
        "\n"
        "Avslutningsstatus:\n"
        "  0  fullført\n"
        "  1  fullført, men en eller flere filer ble ikke kopiert (eller hentet tilbake)\n"
        "  2  avbrutt eller feilet\n"
        "  3  ugyldige valg eller ukjent mal\n"
        "  4  programmet kjører allerede med de samme malene; ingenting ble gjort\n");
}

} // namespace qv
