#pragma once
#include "platform/base/Result.h"

#include <QObject>
#include <QString>
#include <memory>

class QFileSystemWatcher;

namespace qv
{

// A folder watched for changes of its entries. The notification only raises a flag;
// the controls' timers test and clear it, so nothing ever waits on the file system.
class ChangeWatch : public QObject
{
    Q_OBJECT
public:
    explicit ChangeWatch(const QString &windowsFolder, QObject *parent = nullptr);
    ~ChangeWatch() override;

    bool valid() const { return m_valid; } // the folder could be watched
    const QString &folder() const { return m_folder; }
    bool takeChanged(); // the flag, cleared by reading it

private:
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    QString m_folder;
    bool m_valid = false;
    bool m_changed = false;
};

// Moves a file or folder (Windows path) to the desktop trash; where there is no
// trash it is deleted for good (a folder with everything below it): true when it
// went to the trash. Fails 53 when nothing is there, 70 when it cannot be removed.
Result<bool> moveToTrash(const QString &windowsPath);

// The type name shown for an entry: "Filmappe" for folders, else the description of
// the content type found from the name (e.g. "Tekstdokument" where translated, the
// upper-case extension + " fil" when nothing is known).
QString typeName(const QString &windowsPath, bool isFolder);

} // namespace qv
