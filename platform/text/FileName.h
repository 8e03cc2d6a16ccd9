#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

/// File names as the system spells them are bytes, and files from old Windows disks have
/// names that are not UTF-8. A name travels through the program as a QString in which each
/// byte that is not part of a UTF-8 character stands as the lone surrogate U+DC80..U+DCFF,
/// and goes back to the very same bytes when the file is opened or written.
QString FileNameFromBytes(std::string_view bytes);
std::string FileNameBytes(const QString& name);

/// Whether a file (of any kind) stands at the name.
bool FileExists(const QString& name);

}  // namespace platform
