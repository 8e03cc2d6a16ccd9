#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

/// The bytes as a C string literal, so that a failed check can be pasted into a test.
inline void PrintEscaped(const char* label, std::string_view bytes) {
  std::fprintf(stderr, "  %s (%zu bytes): \"", label, bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
      std::fputc(b, stderr);
    } else {
      std::fprintf(stderr, "\\x%02X\"\"", b);
    }
  }
  std::fputs("\"\n", stderr);
}

/// Stops the run when an invariant does not hold; libFuzzer saves the input that broke it.
/// The message names the invariant, so that distinct faults are told apart in the log.
inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", invariant);
  std::abort();
}

/// Require for two byte strings that must be equal; both are printed when they are not.
inline void RequireSame(std::string_view got, std::string_view want, const char* invariant) {
  if (got == want) return;
  PrintEscaped("got", got);
  PrintEscaped("want", want);
  Require(false, invariant);
}

}  // namespace fuzz
