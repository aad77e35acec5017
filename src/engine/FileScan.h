#pragma once
#include "engine/RunState.h"
#include "platform/scan/TreeScan.h"

#include <array>

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

    // The five row texts' rules, for the list and its tests.
    static QString sizeText(quint64 bytes);
    // The locale's separators, looked up once for a whole scan.
    struct NumberSeparators {
        QString group;
        QChar decimal;
        static NumberSeparators current();
    };
    static QString sizeText(quint64 bytes, const NumberSeparators &separators);
    static QString attributeLetters(quint32 attributes);
    static QString summaryText(qint32 files, qint64 kilobytes, qint32 folders);

private:
    // A scan meets a few extensions over and over: each is made into text once, so
    // most files cost no new text.
    class Extensions
    {
    public:
        QString of(const QString &name); // as General_FinnFilendelsen
    private:
        struct Known {
            QString raw, text;
            bool used = false;
        };
        std::array<Known, 256> m_known; // open addressing by the raw extension's hash
    };

    RunState &s;
    QStringList m_excluded;     // the exclusion list in lower case, for one scan
    TreeScan *m_tree = nullptr; // the tree being scanned
    NumberSeparators m_separators;
    Extensions m_extensions;
};

} // namespace qv
