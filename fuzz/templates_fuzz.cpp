// The template file BackupMal.txt as the window reads it at start, then rewritten as
// any later change rewrites it. Property: the rewrite loses no template, and a file
// that read without a complaint reads back exactly as it was read.
#include "FuzzSupport.h"

#include "engine/BackupEngine.h"

#include <cstdint>

using namespace qv;

namespace
{
std::vector<BackupMal> load()
{
    BackupEngine e;
    e.templates.General_LesMal();
    // Entry i of the box and row i of the table are one template.
    for (int i = 1; i < e.state.cboMal.count(); ++i)
        if (e.state.cboMal.item(i) != e.state.lsv1.rows().at(size_t(i - 1)).Malnavn)
            qvfuzz::fail("box entry " + QString::number(i) + " is not table row " + QString::number(i));
    return e.state.lsv1.rows();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    qvfuzz::CountingDialog dialog;
    qvfuzz::startWithProgramFile("BackupMal.txt", qvfuzz::inputBytes(data, size), dialog);

    BackupEngine e;
    e.templates.General_LesMal();
    const std::vector<BackupMal> first = qvfuzz::sortedRows(e.state.lsv1.rows());
    const int complaints = dialog.messages;
    e.templates.General_SkrivMalfil();
    const bool refused = dialog.messages > complaints;

    const std::vector<BackupMal> second = qvfuzz::sortedRows(load());
    setDialog(nullptr);

    // Every template read before the rewrite is read after it.
    std::vector<bool> used(second.size());
    for (const BackupMal &m : first) {
        bool found = false;
        for (size_t j = 0; j < second.size() && !found; ++j)
            if (!used[j] && qvfuzz::sameRow(m, second[j]))
                used[j] = found = true;
        if (!found)
            qvfuzz::fail("the rewrite lost " + qvfuzz::describe(m));
    }
    if (complaints == 0 && !refused && second.size() != first.size())
        qvfuzz::fail("a clean file read back with " + QString::number(second.size()) + " templates, not " +
                     QString::number(first.size()));
    return 0;
}
