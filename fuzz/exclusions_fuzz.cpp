// The exclusion list BackupUtelat.txt as the editor shows it, then written back as OK
// on the unchanged editor writes it. Property: it reads back as the same entries.
#include "FuzzSupport.h"

#include "engine/BackupEngine.h"

#include <cstdint>

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    qvfuzz::CountingDialog dialog;
    qvfuzz::startWithProgramFile("BackupUtelat.txt", qvfuzz::inputBytes(data, size), dialog);

    BackupEngine e;
    QStringList editor;
    e.exclusions.General_LesUtelat(true, &editor);
    if (editor != e.state.UtelatListe)
        qvfuzz::fail("the editor shows another list than the one in use");
    const int before = dialog.messages;
    e.exclusions.General_LagreUtelat(editor);
    if (dialog.messages != before)
        qvfuzz::fail("an entry that was read could not be written: " + dialog.last);

    BackupEngine again;
    again.exclusions.General_LesUtelat(false);
    setDialog(nullptr);
    if (again.state.UtelatListe != editor)
        qvfuzz::fail("the list read back as " + again.state.UtelatListe.join(u'|') + ", not " +
                     editor.join(u'|'));
    return 0;
}
