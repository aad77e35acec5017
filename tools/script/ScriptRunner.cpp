#include "ScriptRunner.h"

#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/files/TextFile.h"
#include "platform/paths/DriveTable.h"

#include <QRegularExpression>

namespace qv
{

namespace
{
// Unwinds a run when a dialogue came that the script did not answer.
struct UnexpectedDialogueStop {
};
struct ScriptLineError {
    QString message;
};

QString onOff(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

bool parseOnOff(const QString &word)
{
    const QString w = word.toLower();
    if (w == "on" || w == "1" || w == "ja")
        return true;
    if (w == "off" || w == "0" || w == "nei")
        return false;
    throw ScriptLineError{"expected on or off, got \"" + word + "\""};
}

Answer parseAnswer(const QString &word)
{
    static const QHash<QString, Answer> answers{{"ok", Answer::OK},         {"cancel", Answer::Cancel},
                                                {"avbryt", Answer::Cancel}, {"yes", Answer::Yes},
                                                {"ja", Answer::Yes},        {"no", Answer::No},
                                                {"nei", Answer::No},        {"retry", Answer::Retry}};
    const auto it = answers.constFind(word.toLower());
    if (it == answers.constEnd())
        throw ScriptLineError{"unknown answer \"" + word + "\""};
    return *it;
}

// The rest of a line without its command word, with surrounding quotes removed.
QString unquote(QString t)
{
    t = t.trimmed();
    if (t.size() >= 2 && t.startsWith('"') && t.endsWith('"'))
        t = t.mid(1, t.size() - 2);
    return t;
}
} // namespace

ScriptRunner::ScriptRunner(QTextStream &out) : m_out(out)
{
    setDialog(&m_dialog);
    m_engine = std::make_unique<BackupEngine>();
    m_dialog.setOnUnexpected([](const QString &) { throw UnexpectedDialogueStop{}; });
    m_dialog.setOnProcessEvents([this](int) {
        const int file = m_engine->state.fileInProgress;
        if (m_escAfterFile > 0 && file == m_escAfterFile) {
            m_escAfterFile = -1;
            flushDialogue();
            m_out << "  (Esc)\n";
            m_engine->actions.escPressed();
        }
        if (m_closeAfterFile > 0 && file == m_closeAfterFile) {
            m_closeAfterFile = -1;
            flushDialogue();
            m_out << "  (close)\n";
            closeWindow();
        }
    });
}

ScriptRunner::~ScriptRunner()
{
    setDialog(nullptr);
    setClock(nullptr);
}

ScriptRunner::Result ScriptRunner::run(const QStringList &lines)
{
    int lineNo = 0;
    for (const QString &raw : lines) {
        ++lineNo;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype space = line.indexOf(' ');
        const QString command = (space < 0 ? line : line.left(space)).toLower();
        const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
        const QStringList args = rest.split(' ', Qt::SkipEmptyParts);
        m_out << "> " << line << "\n";
        try {
            execute(command, args, rest);
            // The stop may have been swallowed where nothing may unwind (the zip library).
            if (m_dialog.sawUnexpected())
                throw UnexpectedDialogueStop{};
        } catch (const UnexpectedDialogueStop &) {
            flushDialogue();
            m_out << "ERROR: line " << lineNo << ": a dialogue came that the script did not answer\n";
            m_out.flush();
            return UnexpectedDialogue;
        } catch (const ScriptLineError &e) {
            flushDialogue();
            m_out << "ERROR: line " << lineNo << ": " << e.message << "\n";
            m_out.flush();
            return ScriptError;
        } catch (const PlatformError &e) {
            flushDialogue();
            m_out << "ERROR: line " << lineNo << ": unhandled error " << e.number() << " " << e.description()
                  << "\n";
            m_out.flush();
            return ScriptError;
        }
        flushDialogue();
    }
    if (m_dialog.hasPendingAnswers())
        m_out << "NOTE: answers left unused at the end of the script\n";
    m_out.flush();
    return Ok;
}

void ScriptRunner::flushDialogue()
{
    for (const QString &t : m_dialog.takeTranscript())
        m_out << "  " << t << "\n";
}

// Each command is one user action; a command whose control is out of reach (disabled
// or hidden) does nothing, as a click there does.
void ScriptRunner::execute(const QString &command, const QStringList &args, const QString &rest)
{
    BackupEngine &e = *m_engine;
    UserActions &act = e.actions;
    RunState &s = e.state;
    auto needArgs = [&](int n) {
        if (args.size() < n)
            throw ScriptLineError{command + " needs " + QString::number(n) + " argument(s)"};
    };
    auto done = [&](bool reached) {
        if (!reached)
            m_out << "  (nothing happens: the control is disabled or hidden)\n";
    };
    // "after-file K": the file of the next copy or zip step at which the key arrives.
    auto afterFile = [&](int &at) {
        needArgs(2);
        bool ok = false;
        at = args[1].toInt(&ok);
        if (args[0].toLower() != "after-file" || !ok || at < 1)
            throw ScriptLineError{command + " takes no argument or: after-file K"};
    };

    if (command == "startup") {
        act.startUp();
        printStatus();
    } else if (command == "answer") {
        needArgs(1);
        for (const QString &a : args)
            m_dialog.queueAnswer(parseAnswer(a));
    } else if (command == "text") {
        m_dialog.queuePromptText(unquote(rest));
    } else if (command == "clock") {
        const QDateTime t = QDateTime::fromString(unquote(rest), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!t.isValid())
            throw ScriptLineError{"clock wants yyyy-MM-dd HH:mm:ss"};
        if (!m_clock)
            m_clock = std::make_unique<FixedClock>(t);
        m_clock->set(t);
        setClock(m_clock.get());
    } else if (command == "select") {
        needArgs(1);
        bool isNumber = false;
        int index = unquote(rest).toInt(&isNumber);
        if (!isNumber) {
            index = s.cboMal.items().indexOf(unquote(rest));
            if (index < 0)
                throw ScriptLineError{"no template \"" + unquote(rest) + "\""};
        } else if (index < 0 || index >= s.cboMal.count()) {
            throw ScriptLineError{"the template box has no entry " + QString::number(index)};
        }
        done(act.selectTemplate(index));
        printStatus();
    } else if (command == "source" || command == "dest") {
        const QString chosen = unquote(rest);
        done(act.chooseFolder(command == "source" ? UserActions::FolderField::Fra
                                                  : UserActions::FolderField::Til,
                              chosen.compare("cancel", Qt::CaseInsensitive) == 0 ? QString() : chosen));
    } else if (command == "check") {
        needArgs(2);
        const QString box = args[0].toLower();
        const bool on = parseOnOff(args[1]);
        if (box == "underkat")
            done(act.checkUnderkat(on));
        else if (box == "zip")
            done(act.checkZip(on));
        else if (box == "alle")
            done(act.checkAlleMaler(on));
        else if (box == "fullsti")
            done(act.checkFullSti(on));
        else
            throw ScriptLineError{"unknown box \"" + args[0] + "\""};
    } else if (command == "option") {
        needArgs(1);
        if (args[0].toLower() == "alle")
            done(act.optionAlle());
        else if (args[0].toLower() == "endrede")
            done(act.optionEndrede());
        else
            throw ScriptLineError{"option is alle or endrede"};
    } else if (command == "new") {
        done(act.newTemplate());
    } else if (command == "save") {
        done(act.saveTemplate());
    } else if (command == "delete") {
        done(act.deleteTemplate());
    } else if (command == "scan") {
        e.scan.General_SokFiler();
        printStatus();
    } else if (command == "start") {
        done(act.start());
        printStatus();
        if (act.closeAfterRun())
            closeWindow();
    } else if (command == "showlog") {
        needArgs(1);
        if (args[0].toLower() == "en")
            done(act.showLog(false));
        else if (args[0].toLower() == "alle")
            done(act.showLog(true));
        else
            throw ScriptLineError{"showlog en|alle"};
    } else if (command == "esc") {
        if (args.isEmpty())
            act.escPressed();
        else
            afterFile(m_escAfterFile);
    } else if (command == "exclude") {
        // The exclusion editor's OK, which saves through the same call.
        e.exclusions.General_LagreUtelat(args);
    } else if (command == "close") {
        if (args.isEmpty())
            closeWindow();
        else
            afterFile(m_closeAfterFile);
    } else if (command == "print") {
        needArgs(1);
        const QString what = args[0].toLower();
        if (what == "status")
            printStatus();
        else if (what == "files")
            printFiles();
        else if (what == "state")
            printState();
        else if (what == "templates")
            printTemplates();
        else if (what == "file") {
            needArgs(2);
            printTextFile(unquote(rest.mid(rest.indexOf(' ') + 1)));
        } else
            throw ScriptLineError{"print status|files|state|templates|file NAME"};
    } else {
        throw ScriptLineError{"unknown command \"" + command + "\""};
    }
}

void ScriptRunner::closeWindow()
{
    const bool closes = m_engine->actions.close();
    flushDialogue();
    if (closes)
        m_out << "  close accepted\n";
    else if (m_engine->actions.closeAfterRun())
        m_out << "  close once the run has stopped\n";
    else
        m_out << "  close refused\n";
}

void ScriptRunner::printStatus()
{
    flushDialogue(); // the exchanges of the action come before its outcome
    m_out << "  STATUS: " << m_engine->state.shbStatus << "\n";
}

void ScriptRunner::printFiles()
{
    const auto *list = dynamic_cast<const InMemoryFileList *>(&m_engine->state.lvw1());
    m_out << "  FILES: " << m_engine->state.lvw1().GetCount() << "\n";
    if (!list)
        return;
    for (const auto &r : list->rows())
        m_out << "  | " << r.path << " | " << r.ext << " | " << r.size << " | " << r.date << " | "
              << r.attributes << " |\n";
}

QString ScriptRunner::stateText(const RunState &s)
{
    QString shown;
    QTextStream out(&shown);
    auto toggle = [&](const char *name, const Toggle &t) {
        out << "  " << name << ": value=" << onOff(t.value) << " enabled=" << onOff(t.enabled)
            << " visible=" << onOff(t.visible) << "\n";
    };
    auto text = [&](const char *name, const TextBox &t) {
        out << "  " << name << ": \"" << t.text << "\" tooltip=\"" << t.tooltip
            << "\" enabled=" << onOff(t.enabled) << "\n";
    };
    out << "  cboMal: index=" << s.cboMal.listIndex() << " text=\"" << s.cboMal.text()
        << "\" enabled=" << onOff(s.cboMal.enabled) << " entries=[" << s.cboMal.items().join(" | ") << "]\n";
    out << "  Fra: \"" << s.Fra << "\"\n  Til: \"" << s.Til << "\"\n";
    text("txtFra", s.txtFra);
    text("txtTil", s.txtTil);
    text("txtSistKjort", s.txtSistKjort);
    toggle("optAlle", s.optAlle);
    toggle("optEndrede", s.optEndrede);
    toggle("chkUnderkat", s.chkUnderkat);
    toggle("chkZip", s.chkZip);
    toggle("chkAlleMaler", s.chkAlleMaler);
    toggle("chkFullSti", s.chkFullSti);
    toggle("lblTaMed", s.lblTaMed);
    const std::pair<const char *, const Command *> commands[] = {
        {"qvbStart", &s.qvbStart},
        {"qvbNy", &s.qvbNy},
        {"qvbLagre", &s.qvbLagre},
        {"qvbSlett", &s.qvbSlett},
        {"qvbUtelat", &s.qvbUtelat},
        {"qvbAvslutt", &s.qvbAvslutt},
        {"qvbFra", &s.qvbFra},
        {"qvbTil", &s.qvbTil},
        {"mnuFilStart", &s.mnuFilStart},
        {"mnuRedigerNyMal", &s.mnuRedigerNyMal},
        {"mnuRedigerLagreMal", &s.mnuRedigerLagreMal},
        {"mnuRedigerSlettMal", &s.mnuRedigerSlettMal},
        {"mnuFilUtelat", &s.mnuFilUtelat},
        {"mnuFilAvslutt", &s.mnuFilAvslutt},
        {"mnuFil", &s.mnuFil},
        {"mnuRediger", &s.mnuRediger},
        {"mnuOm", &s.mnuOm},
    };
    out << "  enabled:";
    for (const auto &[name, c] : commands)
        out << " " << name << "=" << onOff(c->enabled);
    out << "\n  lvw1: enabled=" << onOff(s.lvw1().Enabled()) << " count=" << s.lvw1().GetCount() << "\n";
    out << "  MalEndret=" << onOff(s.MalEndret) << " EscTrykket=" << onOff(s.EscTrykket)
        << " ZipAvbryt=" << s.ZipAvbryt << " Avbrutt=" << onOff(s.Avbrutt)
        << " AlleMalerKjorer=" << onOff(s.AlleMalerKjorer) << "\n";
    out << "  UtelatListe: [" << s.UtelatListe.join(" | ") << "]\n";
    out.flush();
    return shown;
}

void ScriptRunner::printState()
{
    m_out << stateText(m_engine->state);
}

void ScriptRunner::printTemplates()
{
    for (const BackupMal &m : m_engine->state.lsv1.rows())
        m_out << "  | "
              << QStringList{m.Malnavn, m.Fra, m.Til, m.Underkat, m.Endrede, m.SistKjort, m.LagZip}.join(
                     " | ")
              << " |\n";
}

void ScriptRunner::printTextFile(const QString &name)
{
    try {
        QString text = readTextFile(programFile(name)).orThrow();
        text.replace("\t", "<TAB>");
        text.replace("\r\n", "<CRLF>\n");
        m_out << "  FILE " << name << ":\n";
        for (const QString &l : text.split('\n'))
            m_out << "  : " << l << "\n";
    } catch (const PlatformError &e) {
        m_out << "  FILE " << name << ": (cannot read: " << e.number() << " " << e.description() << ")\n";
    }
}

} // namespace qv
