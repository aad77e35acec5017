#pragma once
#include "engine/RunState.h"
#include "engine/Templates.h"

namespace qv
{

// Copies the found files one by one into the mirrored tree below the destination,
// clearing each source's archive attribute after its copy.
class Copier
{
public:
    Copier(RunState &state, Templates &templates) : s(state), t(templates) {}

    void General_Kopier();

    static const QString kFolderMessage;
    static const QString kDiskFullMessage;

private:
    RunState &s;
    Templates &t;
};

} // namespace qv
