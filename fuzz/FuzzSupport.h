#pragma once
#include "engine/BackupMal.h"
#include "platform/base/UserDialog.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace qvfuzz
{

// A private world for one fuzzing process: drives C: and D: in a temporary folder,
// the program folder C:\Program\Backup, and every per-user folder beside them.
// Made on first use; nothing outside it is read or written.
struct Sandbox {
    QString root;        // host folder holding everything
    QString programHost; // host path of the program folder
};
const Sandbox &sandbox();

inline QByteArray inputBytes(const unsigned char *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Empties the program folder (and the files a previous input left in the drives).
void resetFiles();
void writeProgramFile(const QString &name, const QByteArray &bytes);
QByteArray readProgramFile(const QString &name);
// Writes a host file and gives it a time no earlier write had, so a cache keyed by
// size and time reads it again.
void writeFreshFile(const QString &hostPath, const QByteArray &bytes);

// Answers every question with its default button, cancels every prompt, and counts.
class CountingDialog : public qv::UserDialog
{
public:
    qv::Answer messageBox(const QString &text, qv::Buttons buttons, qv::Icon icon, const QString &title,
                          int defaultButton) override;
    QString prompt(const QString &, const QString &, const QString &) override { return {}; }
    void setBusyPointer(bool) override {}
    void processEvents() override {}
    int messages = 0;
    QString last;
};

// The rows as a comparable list, sorted without regard to case as the window shows them.
std::vector<qv::BackupMal> sortedRows(const std::vector<qv::BackupMal> &rows);
bool sameRow(const qv::BackupMal &a, const qv::BackupMal &b);
QString describe(const qv::BackupMal &m);

// A fresh program folder holding one file with the input's bytes, and the counting
// dialogue in place.
void startWithProgramFile(const QString &name, const QByteArray &bytes, CountingDialog &dialog);

// Reports a broken property and stops the process so the fuzzer keeps the input.
[[noreturn]] void fail(const QString &what);

} // namespace qvfuzz
