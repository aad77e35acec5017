#include "CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace qv
{

namespace
{

// Options that take a value, each with what is said when the value is missing or wrong.
struct ValueOption {
    const char *name, *message;
};
constexpr ValueOption kValueOptions[] = {
    {"run", "--run trenger navnet på en mal."},
    {"schedule", "--schedule tar daily, weekly eller off."},
    {"at", "--at tar et klokkeslett som TT:MM, for eksempel 02:30."},
    {"restore", "--restore trenger navnet på en mal."},
    {"from", "--from tar en dato som ÅÅÅÅ-MM-DD eller ÅÅÅÅ-MM-DDTTT:MM, for eksempel 2026-12-07T17:45."},
    {"to", "--to trenger en mappe."},
    {"verify", "--verify trenger navnet på en mal."},
    {"keep-versions", "--keep-versions tar et antall dager, 0 slår eldre versjoner av."},
    {"keep-archives", "--keep-archives tar et antall zip-filer, 0 beholder alle."},
    {"read-back", "--read-back tar on eller off."},
};

QString messageOf(const char *name)
{
    for (const ValueOption &o : kValueOptions)
        if (qstrcmp(o.name, name) == 0)
            return QString::fromUtf8(o.message);
    return {};
}

// The argument as given that holds the option named (for a message).
QString argumentNaming(const QStringList &args, const QString &name)
{
    for (const QString &a : args) {
        if (a == u"--")
            break;
        const bool isLong = a.startsWith(u"--");
        if (!a.startsWith(u'-'))
            continue;
        const QString given = a.mid(isLong ? 2 : 1).section(u'=', 0, 0);
        if (given == name || (!isLong && given.contains(name)))
            return a;
    }
    return u'-' + name;
}

// Qt's parser failed: an unknown option, a value missing after the last option, or a
// value given to an option that takes none.
QString whyRefused(const QCommandLineParser &p, const QStringList &args)
{
    if (!p.unknownOptionNames().isEmpty())
        return "Ukjent valg: " + argumentNaming(args, p.unknownOptionNames().first());
    const QString last = args.isEmpty() ? QString() : args.last();
    if (last.startsWith(u"--"))
        if (QString message = messageOf(last.mid(2).toUtf8().constData()); !message.isEmpty())
            return message;
    for (const QString &a : args)
        if (a.startsWith(u"--") && a.contains(u'='))
            if (messageOf(a.mid(2).section(u'=', 0, 0).toUtf8().constData()).isEmpty())
                return "Ukjent valg: " + a;
    return "Ukjent valg: " + args.join(u' ');
}

} // namespace

CommandLine CommandLine::parse(const QStringList &args)
{
    CommandLine c;
    auto invalid = [&](const QString &why) {
        c.action = Action::Invalid;
        c.error = why;
        return c;
    };
    // Qt's parser splits the options from their values ("--name value" or "--name=value");
    // what they mean, and every message, stay the program's own.
    QCommandLineParser p;
    for (const ValueOption &o : kValueOptions)
        p.addOption(QCommandLineOption(QString::fromLatin1(o.name), {}, QStringLiteral("x")));
    p.addOption(QCommandLineOption(QStringLiteral("all")));
    p.addOption(QCommandLineOption(QStringLiteral("dry-run")));
    p.addOption(QCommandLineOption(QStringList{QStringLiteral("q"), QStringLiteral("quiet")}));
    p.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    p.addOption(QCommandLineOption(QStringLiteral("version")));
    if (!p.parse(QStringList{QStringLiteral("qvbackup")} + args))
        return invalid(whyRefused(p, args));
    const auto value = [&](const char *name) { return p.value(QString::fromLatin1(name)); };
    const auto given = [&](const char *name) { return p.isSet(QString::fromLatin1(name)); };

    // One action, and a template named once.
    int actions = 0;
    for (const char *action : {"run", "all", "schedule", "restore", "verify", "help", "version"})
        actions += given(action) ? 1 : 0;
    for (const char *named : {"run", "restore", "verify"}) {
        if (!given(named))
            continue;
        if (value(named).trimmed().isEmpty())
            return invalid(messageOf(named));
        if (p.values(QString::fromLatin1(named)).size() > 1)
            actions = 2;
        c.templateName = value(named);
    }
    if (actions > 1)
        return invalid(
            QStringLiteral("Bare ett av valgene --run, --all, --schedule, --restore og --help kan brukes."));
    c.action = given("run")        ? Action::Run
               : given("all")      ? Action::All
               : given("schedule") ? Action::Schedule
               : given("restore")  ? Action::Restore
               : given("verify")   ? Action::Verify
               : given("help")     ? Action::Help
               : given("version")  ? Action::Version
                                   : Action::Window;

    if (given("schedule")) {
        const QString f = value("schedule");
        if (f == u"daily")
            c.frequency = Frequency::Daily;
        else if (f == u"weekly")
            c.frequency = Frequency::Weekly;
        else if (f == u"off")
            c.frequency = Frequency::Off;
        else
            return invalid(messageOf("schedule"));
    }
    if (given("at")) {
        static const QRegularExpression hhmm(QStringLiteral("^([01]?[0-9]|2[0-3]):([0-5][0-9])$"));
        const auto m = hhmm.match(value("at"));
        if (!m.hasMatch())
            return invalid(messageOf("at"));
        c.at = QTime(m.captured(1).toInt(), m.captured(2).toInt());
    }
    if (given("from")) {
        static const QRegularExpression when(
            QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[T ](\\d{2}):(\\d{2}))?$"));
        const auto m = when.match(value("from"));
        const QDate day = QDate::fromString(m.captured(1), Qt::ISODate);
        const QTime time =
            m.captured(2).isEmpty() ? QTime(23, 59) : QTime(m.captured(2).toInt(), m.captured(3).toInt());
        if (!m.hasMatch() || !day.isValid() || !time.isValid())
            return invalid(messageOf("from"));
        c.restoreFrom = QDateTime(day, time);
    }
    if (given("to")) {
        if (value("to").trimmed().isEmpty())
            return invalid(messageOf("to"));
        c.restoreTo = value("to");
    }
    if (given("keep-versions")) {
        bool ok = false;
        c.keepVersions = value("keep-versions").toInt(&ok);
        if (!ok || c.keepVersions < 0 || c.keepVersions > 36500)
            return invalid(messageOf("keep-versions"));
    }
    if (given("keep-archives")) {
        bool ok = false;
        c.keepArchives = value("keep-archives").toInt(&ok);
        if (!ok || c.keepArchives < 0)
            return invalid(messageOf("keep-archives"));
    }
    if (given("read-back")) {
        if (value("read-back") != u"on" && value("read-back") != u"off")
            return invalid(messageOf("read-back"));
        c.readBack = value("read-back") == u"on" ? 1 : 0;
    }
    c.quiet = given("quiet");
    c.dryRun = given("dry-run");

    const bool runs = c.action == Action::Run || c.action == Action::All;
    if (c.dryRun && !runs)
        return invalid(QStringLiteral("--dry-run brukes bare sammen med --run eller --all."));
    if (c.quiet && !runs)
        return invalid(QStringLiteral("--quiet brukes bare sammen med --run eller --all."));
    const QStringList loose = p.positionalArguments();
    if (c.action == Action::Restore) {
        c.restorePaths = loose;
    } else if (!loose.isEmpty()) {
        return invalid("Ukjent argument: " + loose.first() + " (navnet på en mal gis med --run \"Navn\").");
    } else if (given("from") || given("to")) {
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
    if (given("at") && (c.action != Action::Schedule || c.frequency == Frequency::Off))
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
