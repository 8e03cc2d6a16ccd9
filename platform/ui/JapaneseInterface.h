#pragma once

namespace platform {

/// What both programs set up once their application object exists: the installed twins of
/// the Windows fonts the settings name, and the toolkit's own dialogs in Japanese, as the
/// rest of the interface is.
void InstallJapaneseInterface();

}  // namespace platform
