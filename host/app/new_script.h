// vesk_host new: writes a standalone panel script project that builds
// against the installed vesk package (find_package(vesk)), with a script
// class, its export, a panel file, a plant, a session that passes and a
// README.
#ifndef VESK_HOST_NEW_SCRIPT_H
#define VESK_HOST_NEW_SCRIPT_H

#include <string>

namespace vesk_host {

// Why `name` cannot name a script (it becomes the C++ class, the CMake
// target and the file names), or empty when it can: a C++ identifier of at
// most 64 characters, not a keyword, not a name the implementation reserves
// (a leading underscore, "__"), not one of CMake's reserved target names.
std::string scriptNameProblem(const std::string& name);

// Writes the project for `name` into `folder` (empty: ./NAME), which must not
// exist yet; its parent folders are made when missing. Never overwrites
// anything: an existing folder is refused, and a project that cannot be
// written completely is removed again. Messages go to standard error.
// Returns 0 when written, 3 for a bad name, an existing folder or a folder
// that cannot be written.
int newScript(const std::string& name, const std::string& folder);

} // namespace vesk_host

#endif
