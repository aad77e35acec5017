#pragma once
// Where libzip writes an archive: a temporary file beside the target that only the
// owner can read, buffered, renamed over the target when libzip commits.
#include "platform/paths/HostPath.h"

#include <zip.h>

namespace qv::zip
{

// A libzip source for zip_open_from_source(ZIP_CREATE | ZIP_TRUNCATE); the source
// owns its state. The temporary file is "<target>.XXXXXX" (mode 0600), removed on
// rollback and when the source is freed before a commit. null: errno says why.
zip_source_t *createOutput(const HostPath &target, zip_error_t *error);

} // namespace qv::zip
