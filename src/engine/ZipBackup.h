#pragma once
#include "engine/RunState.h"

#include "engine/Templates.h"
#include <QDateTime>

#include <QByteArray>
#include <QElapsedTimer>
#include <vector>

namespace qv
{

// Packs the found files into one dated archive in the destination folder through
// the zip library, clearing archive attributes only after the archive was made.
class ZipBackup
{
public:
    ZipBackup(RunState &state, Templates &templates) : s(state), t(templates) {}

    // True when the archive was made and the step completed.
    bool General_ZipBackup();
    // Registers the callbacks, sets the options and packs ZipFilnavn into the archive.
    short ZipArkiver();

    // The archive name for a source and destination at a given local time.
    static QString archiveName(const QString &fra, const QString &til, const QDateTime &local);

    static const QString kFolderMessage;

private:
    void removeStaleTemporaries(const QDateTime &startedUtc);
    static int ZipPrint(const char *text, unsigned long length);
    static int ZipService(const char *text, unsigned long length);
    static int ZipPassord(char *buffer, int size, const char *prompt, const char *name);
    static int ZipKommentar(char *buffer);

    RunState &s;
    Templates &t;
    std::vector<QByteArray> ZipFilnavn; // no fixed limit on the number of files
    QByteArray m_archive;
    int ZipTeller = 0;
    QElapsedTimer m_statusShown;
    static ZipBackup *s_active; // the library's callbacks carry no context
};

} // namespace qv
