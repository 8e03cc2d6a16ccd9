#pragma once

#include <QString>

namespace platform {

// Where the files a program brings and the files it keeps are found. `programPath` is the
// program file the folder rules start from.

/// A file bundled with the program, in `folder`: beside the program, installed under
/// share/tarvo, or in the source tree the program was built from. Empty when none is.
QString FindBundled(const QString& programPath, const QString& folder, const QString& name);

/// A data or map file as named: an existing file, or a path with a folder, as it stands; a
/// bare name that is not in the current folder is looked up among the bundled data files.
QString ResolveDataFile(const QString& programPath, const QString& name);

/// A settings file as named. A bare name, as typed into the panel, and a file in the
/// program's folder mean the file beside the program; where that folder cannot be written
/// (an installed program), the user's configuration folder holds it instead.
QString ResolveSettingsFile(const QString& programPath, const QString& name);

}  // namespace platform
