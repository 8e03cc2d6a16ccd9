#pragma once

namespace platform {

/// Shows the busy cursor for its lifetime and restores the previous one when it ends, on
/// every path out of the scope including exceptions. Guards nest. Without a
/// QGuiApplication (headless export, tests) it does nothing.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  bool m_shown = false;
};

}  // namespace platform
