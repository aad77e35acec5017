// Scripts of user actions as the scripting driver reads them (docs/scripting.md).
// Property: whatever the actions did, the template file the program left reads back
// as the templates the program holds.
#include "FuzzSupport.h"

#include "ScriptRunner.h"
#include "engine/BackupEngine.h"

#include <QTextStream>
#include <cstdint>

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    const qvfuzz::Sandbox &box = qvfuzz::sandbox();
    qvfuzz::resetFiles();
    qvfuzz::writeFreshFile(box.root + "/c/a.txt", "a");
    const QString script = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    QString transcript;
    QTextStream out(&transcript);
    std::vector<BackupMal> held;
    {
        ScriptRunner runner(out);
        runner.run(script.split(u'\n'));
        held = qvfuzz::sortedRows(runner.engine().state.lsv1.rows());
    }
    qvfuzz::CountingDialog dialog;
    setDialog(&dialog);
    BackupEngine again;
    again.templates.General_LesMal();
    setDialog(nullptr);
    const std::vector<BackupMal> read = qvfuzz::sortedRows(again.state.lsv1.rows());
    if (read.size() != held.size())
        qvfuzz::fail("the program holds " + QString::number(held.size()) + " templates, its file " +
                     QString::number(read.size()));
    for (size_t i = 0; i < read.size(); ++i)
        if (!qvfuzz::sameRow(read[i], held[i]))
            qvfuzz::fail("held " + qvfuzz::describe(held[i]) + ", read " + qvfuzz::describe(read[i]));
    return 0;
}
