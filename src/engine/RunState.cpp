#include "engine/RunState.h"

#include "engine/FileScan.h"
#include "engine/modBackup.h"
#include "platform/base/Collation.h"
#include "platform/base/PlatformError.h"
#include "platform/files/FolderOps.h"

#include <algorithm>

namespace qv
{

namespace
{
bool lessNoCase(const QString &a, const QString &b)
{
    return lessName(a, b);
}
} // namespace

bool flagValue(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok)
        return n != 0;
    return t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 ||
           t.compare(QStringLiteral("sann"), Qt::CaseInsensitive) == 0;
}

// ---- TemplateBox

void TemplateBox::clear()
{
    m_items.clear();
    m_index = -1;
}

void TemplateBox::addSorted(const QString &text)
{
    const auto pos = std::upper_bound(m_items.begin(), m_items.end(), text, lessNoCase);
    m_items.insert(pos, text);
}

void TemplateBox::insertAt(int index, const QString &text)
{
    m_items.insert(qBound(0, index, count()), text);
    if (m_index >= index)
        ++m_index;
}

void TemplateBox::removeAt(int index)
{
    if (index < 0 || index >= count())
        raiseError(Err::InvalidPropertyValue);
    m_items.removeAt(index);
    if (m_index == index)
        m_index = -1;
    else if (m_index > index)
        --m_index;
}

void TemplateBox::setListIndex(int index)
{
    setListIndexQuietly(index);
    if (onClick && index >= 0)
        onClick();
}

void TemplateBox::setListIndexQuietly(int index)
{
    if (index < -1 || index >= count())
        raiseError(Err::InvalidPropertyValue);
    m_index = index;
    if (index >= 0)
        m_editText.clear();
}

QString TemplateBox::text() const
{
    return m_index >= 0 ? m_items.at(m_index) : m_editText;
}

// ---- TemplateTable

void TemplateTable::remove(int row)
{
    if (row < 1 || row > count())
        raiseError(Err::IndexOutOfBounds);
    m_rows.erase(m_rows.begin() + (row - 1));
}

BackupMal &TemplateTable::row(int row)
{
    if (row < 1 || row > count())
        raiseError(Err::IndexOutOfBounds);
    return m_rows[row - 1];
}

void TemplateTable::sortByName()
{
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const BackupMal &a, const BackupMal &b) { return lessNoCase(a.Malnavn, b.Malnavn); });
}

// ---- InMemoryFileList

QString InMemoryFileList::GetFile(int row) const
{
    if (row < 1 || row > GetCount())
        return QStringLiteral("-1");
    return m_found->windowsPath(row - 1);
}

QList<InMemoryFileList::Row> InMemoryFileList::rows() const
{
    QList<Row> rows;
    const FileScan::NumberSeparators separators = FileScan::NumberSeparators::current();
    for (int i = 0; i < GetCount(); ++i)
        rows.push_back(FileScan::rowTexts(*m_found, i, separators));
    return rows;
}

// ---- RunState

RunState::RunState()
{
    chkUnderkat.value = true;
    optAlle.value = true;
    chkZip.enabled = false;
    chkAlleMaler.enabled = false;
}

void RunState::setFileList(FoundFileList *list)
{
    m_fileList = list ? list : &m_memoryList;
}

void RunState::setOptAlle(bool on)
{
    optAlle.value = on;
    if (on)
        optEndrede.value = false;
}

void RunState::setOptEndrede(bool on)
{
    optEndrede.value = on;
    if (on)
        optAlle.value = false;
}

QString RunState::shortPath(PathFields::Field field, const QString &path) const
{
    if (!pathFields)
        return path;
    return General_KortSti([&](const QString &t) { return pathFields->textWidth(field, t); }, path,
                           pathFields->room(field) - 10);
}

void RunState::showFra(const QString &path)
{
    txtFra.text = shortPath(PathFields::FraBox, path);
    txtFra.tooltip = path;
}

void RunState::showTil(const QString &path)
{
    txtTil.text = shortPath(PathFields::TilBox, path);
    txtTil.tooltip = path;
}

TemplateOutcome &RunState::currentOutcome()
{
    if (outcome.templates.isEmpty())
        outcome.templates.append(TemplateOutcome{});
    return outcome.templates.last();
}

void RunState::noteCopied(const QString &path)
{
    LoggTekst += "  " + path + kCrLf;
    ++currentOutcome().copied;
}

void RunState::noteNotCopied(const QString &path, const QString &reason, bool folder, const QString &logNote)
{
    Tilgangsfeil += path + logNote + kCrLf;
    currentOutcome().notCopied.append({path, reason, folder});
}

void RunState::noteFailure(const QString &cause)
{
    TemplateOutcome &t = currentOutcome();
    if (!t.failed())
        t.failure = cause;
}

void RunState::escPressed()
{
    EscTrykket = true;
    ZipAvbryt = 1;
}

void RunState::General_Opptatt(bool busy)
{
    if (busy) {
        for (TextBox *t : {&txtSistKjort, &txtFra, &txtTil})
            t->enabled = false;
        for (Toggle *t : {&chkAlleMaler, &chkUnderkat, &chkZip, &optAlle, &optEndrede, &chkFullSti})
            t->enabled = false;
        for (Command *c : {&qvbStart, &qvbNy, &qvbLagre, &qvbSlett, &qvbUtelat, &qvbAvslutt, &qvbFra, &qvbTil,
                           &mnuFil, &mnuRediger, &mnuOm})
            c->enabled = false;
        cboMal.enabled = false;
        lvw1().setEnabled(false);
        return;
    }
    if (MalEndret) {
        qvbLagre.enabled = true;
        mnuRedigerLagreMal.enabled = true;
    }
    if (cboMal.listIndex() > 0) {
        qvbSlett.enabled = true;
        mnuRedigerSlettMal.enabled = true;
    }
    if (!Fra.isEmpty() && !Til.isEmpty()) {
        qvbStart.enabled = true;
        mnuFilStart.enabled = true;
    }
    if (cboMal.count() > 1)
        chkAlleMaler.enabled = true;
    chkZip.enabled = optEndrede.value;
    cboMal.enabled = true;
    for (TextBox *t : {&txtSistKjort, &txtFra, &txtTil})
        t->enabled = true;
    for (Toggle *t : {&chkUnderkat, &optAlle, &optEndrede, &chkFullSti})
        t->enabled = true;
    for (Command *c : {&qvbFra, &qvbTil, &qvbAvslutt, &qvbNy, &qvbUtelat, &mnuFil, &mnuRediger, &mnuOm})
        c->enabled = true;
    lvw1().setEnabled(true);
}

bool destinationOverlapsSource(const QString &fra, const QString &til)
{
    return !fra.isEmpty() && !til.isEmpty() &&
           (fra.contains(til, Qt::CaseInsensitive) || til.contains(fra, Qt::CaseInsensitive) ||
            folderWithin(til, fra));
}

void RunState::General_SjekkMottaker()
{
    if (Fra.isEmpty() || Til.isEmpty())
        return;
    if (!destinationOverlapsSource(Fra, Til)) {
        General_Opptatt(false);
        return;
    }
    txtTil.text = QStringLiteral("Finn en gyldig mottaker-mappe.");
    qvbStart.enabled = false;
    qvbLagre.enabled = false;
    mnuFilStart.enabled = false;
    mnuRedigerLagreMal.enabled = false;
}

} // namespace qv
