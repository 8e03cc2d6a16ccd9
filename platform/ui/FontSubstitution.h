#pragma once

#include <QString>

namespace platform {

/// The installed metric or style twin of a Windows font the settings files name:
/// Cambria → Caladea, Tahoma → DejaVu Sans, ＭＳ ゴシック → IPAGothic,
/// ＭＳ Ｐゴシック → IPAPGothic, ＭＳ 明朝 → IPAMincho, ＭＳ Ｐ明朝 → IPAPMincho.
/// Full- or half-width letters and spaces, the English names ("MS PGothic") and letter case
/// do not matter. Any other name comes back unchanged.
QString SubstituteFontFamily(const QString& windowsName);

/// The generic family ("serif", "sans-serif" or "monospace") a reader without `family` or its
/// twin should fall back to: the Mincho faces and Cambria are serif, the Gothic faces and
/// Tahoma sans-serif; another name is judged by its fixed pitch and its wording, sans-serif
/// when nothing tells.
QString GenericFontFamily(const QString& family);

/// Registers the twins with QFont::insertSubstitution so that a QFont made with a Windows
/// name in any of its usual spellings resolves to the twin. Call once after the
/// application object exists; calling again does no harm.
void InstallFontSubstitutions();

}  // namespace platform
