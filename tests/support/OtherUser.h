#pragma once
#include <QString>
#include <functional>

// Permission bits do not bind root: tests of refusals run their check as "nobody".
namespace qvtest
{

// Runs f in a child process under the "nobody" account. Returns f's result, or -1
// when the child could not drop its rights.
int asNobody(const std::function<int()> &f);
// Makes every folder from host up to the root passable for other accounts.
void openUpToRoot(const QString &host);
// openUpToRoot, and hands the whole tree below hostRoot to "nobody"; false when a file
// could not be handed over (as for any account but root).
[[nodiscard]] bool giveToNobody(const QString &hostRoot);
// Makes host a 0600 file shared with "nobody" for reading through an access list
// (owning group: nothing, mask: read). False where the file system has no lists.
bool shareWithNobody(const QString &host);

} // namespace qvtest
