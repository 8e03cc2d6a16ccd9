#include "platform/ui/ProgramMain.h"

#include <QApplication>
#include <QScreen>
#include <algorithm>
#include <iostream>

#include "platform/text/FileName.h"
#include "platform/ui/CommandLine.h"
#include "platform/ui/JapaneseInterface.h"

namespace platform {

void FitToScreen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen) return;
  const QRect free = screen->availableGeometry();
  // Before the window is shown its frame is not known; a title bar and borders as most
  // desktops draw them.
  constexpr int kFrameWidth = 8;
  constexpr int kFrameHeight = 40;
  const QSize room(free.width() - kFrameWidth, free.height() - kFrameHeight);
  if (window->width() <= room.width() && window->height() <= room.height()) return;
  window->resize(std::min(window->width(), room.width()),
                 std::min(window->height(), room.height()));
  window->move(free.topLeft());
}

int ProgramMain(int argc, char** argv, const ProgramEntry& entry) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << FileNameFromBytes(argv[i]);
  // Help, the version and mistyped options are answered before any window or display
  // exists, so that a script is told at once rather than left waiting.
  const CommandLine line = ReadCommandLine(arguments, entry.syntax);
  switch (line.kind) {
    case CommandKind::Help:
      PrintHelp(std::cout, entry.syntax, entry.windowForm);
      return FinishExport(entry.name, 0);
    case CommandKind::Version:
      std::cout << VersionLine(entry.name) << '\n';
      return FinishExport(entry.name, 0);
    case CommandKind::UsageError:
      PrintUsage(std::cerr, entry.syntax, line.why);
      return 2;
    case CommandKind::Export:
    case CommandKind::Window:
      break;
  }
  const bool exporting = line.kind == CommandKind::Export;
  if (!exporting && !HasDisplay(arguments)) {
    std::cerr << entry.name
              << ": 画面がない（DISPLAY も WAYLAND_DISPLAY もない）のでウインドウを開けません。"
                 "図を書き出すには --export を使います（"
              << entry.name << " --help）\n";
    return 2;
  }
  SetRuntimeDirWhenMissing();
  // Scripts and batch jobs need no display.
  if (exporting) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(entry.name));
  QApplication::setApplicationDisplayName(QString::fromLatin1(entry.name));
  InstallJapaneseInterface();
  if (exporting) {
    return FinishExport(
        entry.name,
        entry.runExport(line.arguments, QApplication::applicationFilePath(), std::cout, std::cerr));
  }
  return entry.runWindow(line.arguments);
}

}  // namespace platform
