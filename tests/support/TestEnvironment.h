#pragma once
#include <QString>

// Gives every test process a private world: temporary XDG folders and HOME, a
// drive table whose C: is a temporary folder, nb_NO number formatting.
namespace qvtest
{

void setUpProcessEnvironment();  // call before the Q*Application exists
void setUpApplicationDefaults(); // call after it exists

QString processRoot(); // host folder that holds the private world

} // namespace qvtest
