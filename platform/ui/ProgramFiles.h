#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Where the files a program brings and the files it keeps are found. `programPath` is the
// program file the folder rules start from.

/// A file bundled with the program, in `folder` ("data" or "docs"): beside the program,
/// installed (data in share/tarvo/data, the manual in share/doc/tarvo, both found from the
/// program's own folder), or in the source tree the program was built from, unless it was
/// built for a package. Empty when none is.
QString FindBundled(const QString& programPath, const QString& folder, const QString& name);

/// A data or map file as named: an existing file, or a path with a folder, as it stands; a
/// bare name that is not in the current folder is looked up among the bundled data files.
QString ResolveDataFile(const QString& programPath, const QString& name);

/// A settings file as named. A bare name, as typed into the panel, and a file in the
/// program's folder mean the file beside the program; where that folder cannot be written,
/// and for an installed program (one with its installed data folder), the user's
/// configuration folder holds it instead.
QString ResolveSettingsFile(const QString& programPath, const QString& name);

/// A file handed to a program on its command line to open, as a file manager does: the
/// first argument that is not the settings file (".ini", which start-up reads). A ".mdt"
/// file is map data; any other file is taken as distribution data, as a dropped file is.
struct FileToOpen {
  enum class Kind { None, Data, Map };
  Kind kind = Kind::None;
  QString path;  ///< absolute, relative ones taken from the current folder
};
FileToOpen FileToOpenFromArguments(const QStringList& arguments);

}  // namespace platform
