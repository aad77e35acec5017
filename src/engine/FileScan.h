#pragma once
#include "engine/FoundFiles.h"
#include "engine/RunState.h"
#include "platform/scan/TreeScan.h"

#include <QHash>

namespace qv
{

// Lists what a backup run takes: the files of the active template's source folder
// (and below, when subfolders are included), less excluded types and, in
// new-and-changed mode, less files whose archive attribute is clear.
class FileScan
{
public:
    explicit FileScan(RunState &state) : s(state) {}

    void General_SokFiler();
    // Walks one folder; folder gets a trailing "\" when missing. Returns the kilobytes
    // of the files listed here and below, unrounded (the driver rounds the total once).
    double General_FinnFiler(QString &folder, const QString &pattern, qint32 &files, qint32 &folders);

    // The five row texts' rules, for the list and its tests; the row's texts as shown.
    static QString sizeText(quint64 bytes);
    // The locale's separators, looked up once for a whole scan.
    struct NumberSeparators {
        QString group;
        QChar decimal;
        static NumberSeparators current();
    };
    static QString sizeText(quint64 bytes, const NumberSeparators &separators);
    static QString attributeLetters(quint32 attributes);
    static FoundFiles::Texts rowTexts(const FoundFiles &found, int i, const NumberSeparators &separators);
    static QString summaryText(qint32 files, qint64 kilobytes, qint32 folders);

private:
    // A scan meets a few extensions over and over: each is made into text once, so
    // most files cost no new text (a scan of a million files takes 6 % longer without).
    class Extensions
    {
    public:
        QString of(const QString &name); // as General_FinnFilendelsen
    private:
        QHash<QString, QString> m_known; // raw extension -> its text
    };

    RunState &s;
    QStringList m_excluded;     // the exclusion list in lower case, for one scan
    TreeScan *m_tree = nullptr; // the tree being scanned
    Extensions m_extensions;
};

} // namespace qv
