#pragma once
// POSIX access lists and other extended attributes, read and written as the raw
// attributes the kernel offers (system.posix_acl_access and the rest), so that a
// copy keeps them as `cp -a` does and a place that cannot hold them never gets a
// mode that grants more than the list did.

namespace qv::acl
{

// mode with its group class narrowed to what the access list (in the raw attribute
// form) grants the owning group: the owning-group entry within the mask, not the
// mask alone, which is what a mode shows for a file with a list.
unsigned narrowedMode(unsigned mode, const char *list, long length);
// The same for an open file (its mode as given): its list read with one call.
unsigned narrowedModeOf(int fd, unsigned mode);
unsigned narrowedModeAt(const char *path, unsigned mode);

// Copies every extended attribute of from onto to (both open). False when the
// access list (or the default list of a folder) could not be kept; other attributes
// the target refuses (a namespace it lacks) are passed over.
bool copyAttributes(int from, int to);

} // namespace qv::acl
