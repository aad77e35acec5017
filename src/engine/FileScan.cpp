#include "engine/FileScan.h"

#include "engine/Exclusions.h"
#include "engine/modBackup.h"
#include "platform/base/Locale.h"
#include "platform/base/StopRequest.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace qv
{

namespace
{
// Right-aligned in 16 places (longer texts move the gap to the left, as the platform's
// pad arithmetic does).
QString padded(const QString &text)
{
    return QString(std::abs(int(text.size()) - 16), ' ') + text;
}
} // namespace

QString FileScan::sizeText(quint64 bytes)
{
    return sizeText(bytes, NumberSeparators::current());
}

FileScan::NumberSeparators FileScan::NumberSeparators::current()
{
    return {groupSeparator(), decimalSeparator()};
}

QString FileScan::sizeText(quint64 bytes, const NumberSeparators &separators)
{
    // Kilobytes with two decimals, halves up, grouped: in whole numbers, since this runs
    // once per found file. Sizes beyond 2^54 bytes take the general formatting.
    if (bytes >> 54)
        return padded(formatGrouped(double(bytes) / 1024.0, 2) + QStringLiteral(" kb."));
    const quint64 scaled = bytes * 100;
    const quint64 hundredths = scaled / 1024 + ((scaled % 1024) * 2 >= 1024 ? 1 : 0);
    char digits[24];
    const int n =
        std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(hundredths / 100));
    const QString &group = separators.group;
    const qsizetype length = n + (n - 1) / 3 * group.size() + 7;
    QString text;
    text.reserve(std::max<qsizetype>(length, 16));
    // Right-aligned in 16 places (longer texts move the gap to the left, as the
    // platform's pad arithmetic does).
    text.fill(u' ', std::abs(int(length) - 16));
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            text += group;
        text += QLatin1Char(digits[i]);
    }
    const unsigned cents = unsigned(hundredths % 100);
    text += separators.decimal;
    text += QChar(u'0' + cents / 10);
    text += QChar(u'0' + cents % 10);
    text += QLatin1String(" kb.");
    return text;
}

QString FileScan::attributeLetters(quint32 a)
{
    // Asked for every found file, and there are only sixteen texts: they are shared.
    static const std::array<QString, 16> texts = [] {
        std::array<QString, 16> t;
        for (unsigned bits = 0; bits < 16; ++bits) {
            QString &letters = t[bits];
            for (unsigned i = 0; i < 4; ++i)
                if (bits & (1u << i))
                    letters += QLatin1Char("ahrs"[i]);
            if (letters.isEmpty())
                letters = QStringLiteral(" ");
        }
        return t;
    }();
    return texts[((a & Attr::Archive) ? 1 : 0) | ((a & Attr::Hidden) ? 2 : 0) |
                 ((a & Attr::ReadOnly) ? 4 : 0) | ((a & Attr::System) ? 8 : 0)];
}

FoundFiles::Texts FileScan::rowTexts(const FoundFiles &found, int i, const NumberSeparators &separators)
{
    return {found.windowsPath(i), found.extension(i), sizeText(found.size(i), separators),
            formatFileTimeUtcNs(found.mtimeNs(i)), attributeLetters(found.attributes(i))};
}

QString FileScan::summaryText(qint32 files, qint64 kilobytes, qint32 folders)
{
    return QString::number(files) + " filer funnet (" + formatGrouped(double(kilobytes), 0) + " kb).  " +
           QString::number(qint64(folders) + 1) + " mapper gjennomsøkt.";
}

QString FileScan::Extensions::of(const QString &name)
{
    const QStringView file = WinPath::fileNameOf(name);
    const qsizetype dot = file.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    // A name with an extension of its own each time must not grow the table without end.
    constexpr qsizetype kMostKept = 256;
    const QString raw = file.sliced(dot + 1).toString();
    if (const auto known = m_known.constFind(raw); known != m_known.cend())
        return known.value();
    QString text = General_FinnFilendelsen(name);
    if (m_known.size() < kMostKept)
        m_known.insert(raw, text);
    return text;
}

void FileScan::General_SokFiler()
{
    dialog().setBusyPointer(true);
    s.lvw1().Clear();
    s.found.clear();
    QString folder = WinPath(s.Fra).withTrailingSeparator().text();
    const QString pattern = QStringLiteral("*.*");
    if (s.optAlle.value)
        s.shbStatus = QStringLiteral("Søker etter alle filer...");
    else if (s.optEndrede.value)
        s.shbStatus = QStringLiteral("Søker etter nye og endrede filer...");
    dialog().processEvents();
    qint32 files = 0, folders = 0;
    m_excluded = Exclusions::lowerCased(s.UtelatListe);
    double total;
    {
        const MarkDestination marksOf(s.Til);
        // A link into the destination would take earlier backups into this one.
        TreeScan tree(folder, s.chkUnderkat.value, s.Til);
        m_tree = &tree;
        total = General_FinnFiler(folder, pattern, files, folders);
        m_tree = nullptr;
        // Nothing is left out without a word: what could not be read is named in the log.
        for (const QString &path : tree.problems())
            s.noteNotCopied(path, QStringLiteral("Kunne ikke leses."), path.endsWith(u'\\'));
    }
    // Half to even, as the platform's whole-number conversion rounds.
    const qint64 kilobytes = qint64(std::nearbyint(total));
    s.shbStatus = summaryText(files, kilobytes, folders);
    s.lvw1().Show(s.found);
    dialog().setBusyPointer(false);
}

double FileScan::General_FinnFiler(QString &folder, const QString &pattern, qint32 &files, qint32 &folders)
{
    const bool newAndChanged = s.optEndrede.value;
    const quint32 mask = newAndChanged
                             ? Attr::Archive
                             : (Attr::ReadOnly | Attr::Hidden | Attr::System | Attr::Archive | Attr::Normal |
                                Attr::Temporary | Attr::Compressed | Attr::Encrypted);
    folder = WinPath(folder).withTrailingSeparator().text();
    const bool allNames = pattern == u"*.*" || pattern == u"*";

    // Depth first, each folder's files before its subfolders, without a call per
    // level: a tree may be many thousands of folders deep.
    QStringList pending{folder};
    QStringList subFolders;
    double total = 0;
    bool entered = false;
    QString listed; // the folder being listed
    const auto visit = [&](const ScanEntry &e) {
        if (e.attributes & Attr::Directory) {
            // The scan says which folders may be walked: a link back up the path never is.
            if (e.walk && s.chkUnderkat.value) {
                subFolders << e.path + u'\\';
                ++folders;
            }
            return;
        }
        if (!(e.attributes & mask) || (!allNames && !wildcardMatch(pattern, e.name)))
            return;
        const QString ext = m_extensions.of(e.name);
        if (Exclusions::isExcluded(ext, m_excluded))
            return;
        ++files;
        total += double(e.size) / 1024.0;
        if (!entered) {
            s.found.enterFolder(listed, e.hostFolder);
            entered = true;
        }
        s.found.add(e.hostName, e.size, e.mtimeNs, e.attributes);
        s.lvw1().Added(s.found, s.found.count() - 1);
    };
    while (!pending.isEmpty()) {
        // A stop from outside the window (a signal) ends the walk; the run then stops.
        if (stop::requested()) {
            s.Avbrutt = true;
            return total;
        }
        listed = pending.takeLast();
        entered = false;
        subFolders.clear();
        m_tree->list(listed, visit);
        for (qsizetype i = subFolders.size(); i-- > 0;)
            pending << std::move(subFolders[i]);
    }
    return total;
}

} // namespace qv
