#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Writes the bytes to the file so that a failure leaves the old file whole: the bytes go
/// to a temporary file beside it, which replaces the old file only once it is complete.
/// Raises core::IoError with the user-visible message when the file cannot be written.
void SaveFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace platform
