#pragma once
#include "engine/BackupMal.h"
#include "engine/FoundFiles.h"
#include "engine/RunOutcome.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qv
{

// The places where the window shows a path in limited room, and how it measures
// text there: the engine shortens paths without knowing fonts or pixels.
class PathFields
{
public:
    enum Field { FraBox, TilBox, StatusLine };
    virtual ~PathFields() = default;
    virtual int room(Field field) const = 0; // pixels a text may take
    virtual int textWidth(Field field, const QString &text) const = 0;
};

// A control as the engine sees it: a value, and enabled/visible flags.
struct Toggle {
    bool value = false;
    bool enabled = true;
    bool visible = true;
};

struct TextBox {
    QString text;
    QString tooltip;
    bool enabled = true;
};

struct Command {
    bool enabled = true;
};

// The template box cboMal: entries kept sorted without regard to case; entry 0 is
// the new-template entry once the start-up has inserted it.
class TemplateBox
{
public:
    static inline const QString kNyMal = QStringLiteral("[ Ny mal ]");

    void clear();
    void addSorted(const QString &text); // the box's own sorted insertion
    void insertAt(int index, const QString &text);
    void removeAt(int index);
    int count() const { return int(m_items.size()); }
    const QString &item(int i) const { return m_items.at(i); }
    const QStringList &items() const { return m_items; }

    int listIndex() const { return m_index; }
    // Selecting runs the Click handler; an index at or above the count (or below -1)
    // raises 380.
    void setListIndex(int index);
    // Selects without running the Click handler.
    void setListIndexQuietly(int index);
    QString text() const; // text of the selected entry, or the edit text
    void setText(const QString &t) { m_editText = t; }

    bool enabled = true;
    std::function<void()> onClick;

private:
    QStringList m_items;
    int m_index = -1;
    QString m_editText;
};

// The hidden template table lsv1: rows numbered from 1.
class TemplateTable
{
public:
    void createColumns() { m_columns = true; }
    bool hasColumns() const { return m_columns; }
    void clear() { m_rows.clear(); }
    void append(const BackupMal &row) { m_rows.push_back(row); }
    void remove(int row);    // raises 35600 when out of range
    BackupMal &row(int row); // raises 35600 when out of range
    int count() const { return int(m_rows.size()); }
    void sortByName(); // ascending, without regard to case
    const std::vector<BackupMal> &rows() const { return m_rows; }

    bool sorted = true;

private:
    std::vector<BackupMal> m_rows;
    bool m_columns = false;
};

// What the engine needs of the found-file list lvw1: it shows the found files, the
// engine keeps them (RunState::found).
class FoundFileList
{
public:
    virtual ~FoundFileList() = default;
    virtual void Clear() = 0;
    // Told of each file as the scan finds it (row 0-based); the list shows them at Show.
    virtual void Added(const FoundFiles &found, int row)
    {
        Q_UNUSED(found);
        Q_UNUSED(row);
    }
    // The scan's files, kept by the caller until the next Clear.
    virtual void Show(const FoundFiles &found) = 0;
    virtual int GetCount() const = 0;
    virtual QString GetFile(int row) const = 0; // 1-based; "-1" outside the rows
    virtual void Refresh() = 0;
    virtual bool Enabled() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool ShowFullPath() const = 0;
    virtual void setShowFullPath(bool on) = 0;
};

// The found-file list without a window (headless runs and tests): the rows' texts are
// made when asked for.
class InMemoryFileList : public FoundFileList
{
public:
    using Row = FoundFiles::Texts;
    void Clear() override { m_found = nullptr; }
    void Show(const FoundFiles &found) override { m_found = &found; }
    int GetCount() const override { return m_found ? m_found->count() : 0; }
    QString GetFile(int row) const override;
    void Refresh() override { ++m_refreshes; }
    bool Enabled() const override { return m_enabled; }
    void setEnabled(bool on) override { m_enabled = on; }
    bool ShowFullPath() const override { return m_fullPath; }
    void setShowFullPath(bool on) override { m_fullPath = on; }

    QList<Row> rows() const;
    int refreshCount() const { return m_refreshes; }

private:
    const FoundFiles *m_found = nullptr;
    bool m_enabled = true, m_fullPath = false;
    int m_refreshes = 0;
};

} // namespace qv
Q_DECLARE_TYPEINFO(qv::FoundFiles::Texts, Q_RELOCATABLE_TYPE);
namespace qv
{

struct ProgressBar {
    qint64 MaxValue = 100;
    qint64 Value = 0;
    bool Visible = false;
};

// A destination that lies in the source (or holds it): a backup there would take
// itself along, one level deeper each run. Also through a link or a bind mount.
bool destinationOverlapsSource(const QString &fra, const QString &til);

// The main window's state as every engine module reads and writes it, under the
// names of the window's controls and variables.
class RunState
{
public:
    RunState();

    // Active template mirrored in the controls.
    QString Fra, Til;
    TextBox txtFra, txtTil, txtSistKjort;
    Toggle optAlle, optEndrede, chkUnderkat, chkZip, chkAlleMaler, chkFullSti;
    Toggle lblTaMed;

    TemplateBox cboMal;
    TemplateTable lsv1;
    // The files the last scan found, in the order found; the list lvw1 shows them.
    FoundFiles found;
    FoundFileList &lvw1() { return *m_fileList; }
    const FoundFileList &lvw1() const { return *m_fileList; }
    void setFileList(FoundFileList *list); // not owned; nullptr: the in-memory list
    InMemoryFileList &memoryFileList() { return m_memoryList; }

    QString shbStatus; // the status line text
    ProgressBar pgr1;

    // Commands: buttons and menu items carry their own enabled flags.
    Command qvbStart, qvbNy, qvbLagre, qvbSlett, qvbUtelat, qvbAvslutt, qvbFra, qvbTil;
    Command mnuFilStart, mnuRedigerNyMal, mnuRedigerLagreMal, mnuRedigerSlettMal, mnuFilUtelat, mnuFilAvslutt;
    Command mnuFil, mnuRediger, mnuOm;

    // Run flags and texts.
    bool MalEndret = false;
    bool EscTrykket = false;
    qint16 ZipAvbryt = 0;
    bool Avbrutt = false;
    bool AlleMalerKjorer = false;
    // The user already confirmed stopping the run (closing the window during it):
    // an Esc ends the copy without asking again.
    bool stopConfirmed = false;
    QString LoggTekst;
    // The log's access-error section of the current template: written through noteNotCopied.
    QString Tilgangsfeil;

    // No user to answer (the command line): the run asks nothing, stops at a full
    // disk, and leaves its end message to the caller.
    bool unattended = false;
    // Scan only: the files found are listed in the outcome; nothing is copied, marked or logged.
    bool dryRun = false;
    // What the current or last Start came to.
    RunOutcome outcome;
    // The template being run (made when a step reports outside a run).
    TemplateOutcome &currentOutcome();
    // A file taken: logged and counted.
    void noteCopied(const QString &path);
    // A file left out, or a folder that could not be read.
    // logNote: put after the path in the log's line.
    void noteNotCopied(const QString &path, const QString &reason = {}, bool folder = false,
                       const QString &logNote = {});
    // The step ends early for this reason (one or more sentences).
    void noteFailure(const QString &cause);

    QStringList UtelatListe;

    // The 1-based index of the file a copy or zip step is handling, 0 outside one:
    // lets a scripted key press arrive "after file k".
    int fileInProgress = 0;

    // Where paths are shown shortened; the window installs its fields (not owned).
    // Without them (headless) paths are shown whole.
    const PathFields *pathFields = nullptr;
    QString shortPath(PathFields::Field field, const QString &path) const;

    // Sets the option pair so that at most one is set.
    void setOptAlle(bool on);
    void setOptEndrede(bool on);
    // Shows a path in txtFra/txtTil: shortened to the box width minus 10, whole in the tooltip.
    void showFra(const QString &path);
    void showTil(const QString &path);

    // The Esc key, whatever state the window is in.
    void escPressed();

    void General_Opptatt(bool busy);
    void General_SjekkMottaker();

private:
    InMemoryFileList m_memoryList;
    FoundFileList *m_fileList = &m_memoryList;
};

} // namespace qv
