#include "engine/Templates.h"

#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/Settings.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"

namespace qv
{

namespace
{
bool isFlagText(const QString &t)
{
    return t == QLatin1String("-1") || t == QLatin1String("0");
}

bool ignoredPathError(int n)
{
    return n == Err::PathFileAccess || n == Err::PathNotFound;
}

// Lines ended by CR LF, LF or CR alone.
QStringList lineTexts(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines << text.mid(start);
    return lines;
}
} // namespace

const QString Templates::kUnreadableCopy = QStringLiteral("BackupMal (uleselig).txt");

Templates::Templates(RunState &state) : s(state)
{
    s.cboMal.onClick = [this] { cboMal_Click(); };
}

// The template file's text, or a null text when there is none; the box and the
// table are emptied for the load.
QString Templates::beginLoad()
{
    s.cboMal.clear();
    s.lsv1.clear();
    s.lsv1.sorted = false;
    m_keptLines.clear();
    const QString path = programFile(Files::Maler);
    return fileExists(path) ? readTextFile(path).orThrow() : QString();
}

void Templates::finishLoad()
{
    s.lsv1.sortByName();
    s.lsv1.sorted = true;
    s.cboMal.insertAt(0, TemplateBox::kNyMal);
    nameDestinations();
}

void Templates::nameDestinations()
{
    QStringList folders;
    for (const BackupMal &m : s.lsv1.rows())
        folders << m.Til;
    nameMarkDestinations(folders);
}

void Templates::General_LesMal()
{
    try {
        const QString text = beginLoad();
        if (!text.isNull()) {
            FieldReader in(text);
            while (!in.atEnd()) {
                BackupMal m;
                for (QString *f :
                     {&m.Malnavn, &m.Fra, &m.Til, &m.Underkat, &m.Endrede, &m.SistKjort, &m.LagZip})
                    *f = in.next();
                s.lsv1.append(m);
                if (!isFlagText(m.LagZip))
                    raiseError(Err::InputPastEnd);
                s.cboMal.addSorted(m.Malnavn);
            }
        }
    } catch (const PlatformError &e) {
        if (e.number() == Err::InputPastEnd) {
            General_LesMalOld();
            return;
        }
        if (!ignoredPathError(e.number()))
            General_LoggFeil(kMainWindowModule, QStringLiteral("General_LesMal"), e.number(),
                             e.description());
    }
    // Entry 0 is the new-template entry whatever went wrong above.
    finishLoad();
}

// Reads the file line by line: six-field lines (the old format) get LagZip "0",
// seven-field lines are taken as they stand, so a file that mixes both converts
// without shifting fields between templates. A line that fits neither is kept as it
// was and written back with every later rewrite; the lines after it still load.
void Templates::General_LesMalOld()
{
    bool damaged = false;
    try {
        const QString text = beginLoad();
        if (!text.isNull()) {
            for (const QString &line : lineTexts(text)) {
                if (line.trimmed().isEmpty())
                    continue;
                FieldReader in(line);
                QStringList f;
                while (!in.atEnd() && f.size() <= 7)
                    f << in.next();
                const bool flagsOk = f.size() >= 6 && isFlagText(f[3]) && isFlagText(f[4]);
                if (!flagsOk || (f.size() == 7 && !isFlagText(f[6])) || f.size() > 7) {
                    m_keptLines << line;
                    damaged = true;
                    continue;
                }
                s.lsv1.append(
                    {f[0], f[1], f[2], f[3], f[4], f[5], f.size() == 7 ? f[6] : QStringLiteral("0")});
                s.cboMal.addSorted(f[0]);
            }
            // A damaged file is left as it is until the user changes the templates.
            if (damaged)
                raiseError(Err::InputPastEnd);
            General_SkrivMalfil();
        }
    } catch (const PlatformError &e) {
        if (!ignoredPathError(e.number())) {
            keepUnreadableCopy();
            General_LoggFeil(kMainWindowModule, QStringLiteral("General_LesMalOld"), e.number(),
                             e.description());
        }
    }
    finishLoad();
}

// The file as it was, kept beside it when a line could not be read.
void Templates::keepUnreadableCopy()
{
    (void)copyFile(programFile(Files::Maler), programFile(kUnreadableCopy));
}

std::optional<QString> Templates::fileLine(const BackupMal &m, bool quotedFlags)
{
    QStringList out;
    for (const QString *f : {&m.Malnavn, &m.Fra, &m.Til, &m.Underkat, &m.Endrede, &m.SistKjort, &m.LagZip}) {
        const bool flag = f == &m.Underkat || f == &m.Endrede || f == &m.LagZip;
        if (flag && !quotedFlags && isFlagText(*f)) {
            out << *f;
            continue;
        }
        const std::optional<QString> text = fieldText(*f);
        if (!text)
            return std::nullopt;
        out << *text;
    }
    return out.join(u',') + kCrLf;
}

void Templates::General_SkrivMalfil()
{
    QString text;
    for (const BackupMal &m : s.lsv1.rows()) {
        const std::optional<QString> line = fileLine(m, true);
        if (!line) {
            // Written, the template would read back as another: the file stays as it is.
            msgBox("Malfilen ble ikke lagret: malen «" + m.Malnavn +
                       "» inneholder anførselstegn (\") som filen ikke kan holde.",
                   Buttons::OK, Icon::Exclamation);
            return;
        }
        text += *line;
    }
    for (const QString &kept : std::as_const(m_keptLines))
        text += kept + kCrLf;
    writeTextFile(programFile(Files::Maler), text).orThrow();
    nameDestinations();
}

BackupMal Templates::windowValues(const QString &name) const
{
    return {name,
            s.Fra,
            s.Til,
            flagText(s.chkUnderkat.value),
            flagText(s.optEndrede.value),
            s.txtSistKjort.text,
            flagText(s.chkZip.value)};
}

void Templates::General_LagreMal()
{
    try {
        for (;;) {
            const QString answer =
                dialog()
                    .prompt(QStringLiteral("Skriv navn på den nye backupmalen."), kAppTitle, s.cboMal.text())
                    .trimmed();
            if (answer.compare(TemplateBox::kNyMal, Qt::CaseInsensitive) == 0) {
                msgBox(QStringLiteral("Oppgi et annet navn enn standerverdien."), Buttons::OK,
                       Icon::Exclamation);
                continue;
            }
            if (answer.isEmpty()) // also a cancelled prompt: nothing is saved
                return;
            // The file syntax has no escape for a double quote.
            if (answer.contains('"') || s.Fra.contains('"') || s.Til.contains('"')) {
                msgBox(QStringLiteral("Navn og mapper kan ikke inneholde anførselstegn (\")."), Buttons::OK,
                       Icon::Exclamation);
                continue;
            }
            int equal = -1;
            for (int i = 0; i < s.cboMal.count(); ++i) {
                if (answer.compare(s.cboMal.item(i), Qt::CaseInsensitive) == 0) {
                    equal = i;
                    break;
                }
            }
            if (equal >= 0) {
                const Answer a =
                    msgBox(QStringLiteral("Malen finnes allerede i listen, vil du overskrive den?"),
                           Buttons::YesNoCancel, Icon::Information);
                if (a == Answer::No)
                    continue;
                if (a != Answer::Yes)
                    return;
                BackupMal &row = s.lsv1.row(equal);
                row = windowValues(row.Malnavn);
                General_SkrivMalfil();
                s.MalEndret = false;
                return;
            }
            const std::optional<QString> line = fileLine(windowValues(answer), false);
            if (!line)
                raiseError(Err::InputPastEnd); // the checks above leave nothing unwritable
            appendTextFile(programFile(Files::Maler), *line).orThrow();
            General_LesMal();
            for (int i = 0; i < s.cboMal.count(); ++i)
                if (s.cboMal.item(i).compare(answer, Qt::CaseInsensitive) == 0) {
                    s.cboMal.setListIndex(i);
                    break;
                }
            s.MalEndret = false;
            return;
        }
    } catch (const PlatformError &e) {
        const int n = e.number();
        if (n == Err::InputPastEnd || ignoredPathError(n) || n == Err::IndexOutOfBounds)
            return;
        General_LoggFeil(kMainWindowModule, QStringLiteral("General_LagreMal"), n, e.description());
    }
}

void Templates::cboMal_Click()
{
    s.lvw1().Clear();
    s.shbStatus.clear();
    const int i = s.cboMal.listIndex();
    if (i == 0) {
        General_NyMal();
        return;
    }
    const BackupMal row = s.lsv1.row(i);
    s.Fra = row.Fra;
    s.Til = row.Til;
    s.showFra(s.Fra);
    s.showTil(s.Til);
    s.txtSistKjort.text = row.SistKjort;
    s.chkUnderkat.value = flagValue(row.Underkat);
    s.chkZip.value = flagValue(row.LagZip);
    s.setOptEndrede(flagValue(row.Endrede));
    if (s.optEndrede.value) {
        s.chkZip.enabled = true;
    } else {
        s.setOptAlle(true);
        s.chkZip.enabled = false;
    }
    s.MalEndret = false;
    if (!s.AlleMalerKjorer) {
        s.qvbLagre.enabled = false;
        s.mnuRedigerLagreMal.enabled = false;
        s.qvbSlett.enabled = true;
        s.mnuRedigerSlettMal.enabled = true;
        s.General_SjekkMottaker();
    }
}

void Templates::clearActiveTemplate()
{
    s.txtSistKjort.text.clear();
    s.txtFra = TextBox{{}, {}, s.txtFra.enabled};
    s.txtTil = TextBox{{}, {}, s.txtTil.enabled};
    s.Fra.clear();
    s.Til.clear();
}

void Templates::disableTemplateCommands()
{
    for (Command *c : {&s.qvbSlett, &s.qvbStart, &s.qvbLagre, &s.mnuRedigerSlettMal, &s.mnuFilStart,
                       &s.mnuRedigerLagreMal})
        c->enabled = false;
}

void Templates::General_NyMal()
{
    s.cboMal.setListIndexQuietly(0);
    clearActiveTemplate();
    setAlleMaler(false);
    s.chkUnderkat.value = true;
    s.chkZip.value = false;
    s.chkZip.enabled = false;
    s.setOptAlle(true);
    disableTemplateCommands();
}

void Templates::qvbNy_Click()
{
    if (s.cboMal.listIndex() != 0)
        s.cboMal.setListIndex(0);
    else
        cboMal_Click();
}

void Templates::qvbSlett_Click()
{
    const Answer a =
        msgBox("Vil du slette malen (" + s.cboMal.text() + ") fra listen?", Buttons::YesNo, Icon::Question);
    if (a != Answer::Yes)
        return;
    const int i = s.cboMal.listIndex();
    try {
        s.lsv1.remove(i);
        s.cboMal.removeAt(i);
    } catch (const PlatformError &e) {
        General_LoggFeil(kMainWindowModule, QStringLiteral("qvbSlett_Click"), e.number(), e.description());
        return;
    }
    clearActiveTemplate();
    disableTemplateCommands();
    s.chkAlleMaler.enabled = false;
    s.General_Opptatt(false);
    try {
        General_SkrivMalfil();
    } catch (const PlatformError &e) {
        General_LoggFeil(kMainWindowModule, QStringLiteral("qvbSlett_Click"), e.number(), e.description());
    }
    General_NyMal();
}

void Templates::setAlleMaler(bool on)
{
    if (s.chkAlleMaler.value == on)
        return;
    s.chkAlleMaler.value = on;
    chkAlleMaler_Click();
}

void Templates::chkAlleMaler_Click()
{
    const bool on = s.chkAlleMaler.value;
    if (on && s.cboMal.listIndex() == 0 && s.cboMal.count() > 1)
        s.cboMal.setListIndex(1);
    for (Toggle *t : {&s.lblTaMed, &s.optAlle, &s.optEndrede, &s.chkZip})
        t->visible = !on;
}

void Templates::restoreSelection()
{
    int n = getSetting(QStringLiteral("Tilpass"), QStringLiteral("BackupIndex"), QStringLiteral("0")).toInt();
    // An index no entry has (a hand-edited or stale setting) selects "[ Ny mal ]".
    if (n < 0 || n > s.cboMal.count() - 1)
        n = 0;
    try {
        s.cboMal.setListIndex(n);
    } catch (const PlatformError &e) {
        if (e.number() != Err::InvalidPropertyValue)
            throw;
        s.cboMal.setListIndex(0);
    }
}

void Templates::storeSelection()
{
    saveSetting(QStringLiteral("Tilpass"), QStringLiteral("BackupIndex"),
                QString::number(s.cboMal.listIndex()));
}

bool Templates::queryClose()
{
    // A destination the Save button refuses is not saved on the way out either.
    if (s.MalEndret && !s.Fra.isEmpty() && !s.Til.isEmpty() && !destinationOverlapsSource(s.Fra, s.Til)) {
        const Answer a = msgBox(QStringLiteral("Vil du lagre endringene som er gjort på aktiv mal?"),
                                Buttons::YesNoCancel, Icon::Question);
        if (a == Answer::Cancel)
            return false;
        if (a == Answer::Yes)
            General_LagreMal();
    }
    return true;
}

} // namespace qv
