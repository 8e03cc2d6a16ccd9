#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;

namespace platform {

class DialogService;

/// The paper a figure is printed on: its size and which way up.
struct PageSetup {
  QPageSize::PageSizeId size = QPageSize::A4;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  friend bool operator==(const PageSetup&, const PageSetup&) = default;
};

PageSetup PageSetupOf(const QPrinter& printer);
void ApplyPageSetup(QPrinter& printer, const PageSetup& setup);

/// The file that keeps the page setup between runs, in the user's configuration folder: a
/// file of the program's own, apart from its settings file, which users pass around.
QString PageSetupFile();

/// The page setup kept in `path`; A4 portrait when there is no such file. A size that names
/// no paper or an orientation other than "Portrait" and "Landscape" is left at A4 portrait's.
/// Raises core::IoError when the file exists but cannot be read.
PageSetup LoadPageSetup(const QString& path);
/// Keeps the page setup in `path` (its folder made when missing) so that a failed write
/// leaves the old file whole; raises core::IoError. A page of no named size is not kept.
void SavePageSetup(const QString& path, const PageSetup& setup);

/// The largest rectangle with the proportions of `figure` inside `area`, centred in it;
/// empty when either is empty.
QRectF FitCentred(const QSizeF& figure, const QRectF& area);

/// The message of a print command before any figure was drawn.
QString NothingToPrint();

/// What a window prints on one page.
struct PrintJob {
  /// Dots per inch the page is drawn at, for the page layout the user chose: the unit of the
  /// page's coordinates and, for a raster figure, of its pixels.
  std::function<int(const QPageLayout&)> resolution;
  /// Gets the figure ready for a printable area of `area` device pixels. Returns what paints
  /// it (the painter's origin at the printable area's corner), or an empty function when the
  /// figure cannot be drawn, the reason told already: then no page is begun, so a printer
  /// gets no empty sheet.
  std::function<std::function<void(QPainter&)>(const QSize& area)> prepare;
  /// True for a file the figure is drawn from, which printing to a file must not replace.
  std::function<bool(const QString& path)> isInput;
};

/// The printer of a window. The page setup the user leaves in the print preview lasts for
/// the run and is kept in a file for the next runs.
class FigurePrinter {
 public:
  /// `setupFile` keeps the page setup; PageSetupFile() for a program's window.
  explicit FigurePrinter(QString setupFile = PageSetupFile());
  ~FigurePrinter();
  FigurePrinter(const FigurePrinter&) = delete;
  FigurePrinter& operator=(const FigurePrinter&) = delete;

  /// Shows the print preview of `job`'s page through `dialogs`, and prints when the user
  /// asks. A page printed to a PDF file is written as every save is: whole or not at all,
  /// never over an input, a pipe or device written directly. True when printed. What goes
  /// wrong is shown through `dialogs`.
  bool Print(DialogService& dialogs, const PrintJob& job);

 private:
  QPrinter& Printer(DialogService& dialogs);
  /// One drawing of the page, on the preview or the printer; false (told) when it failed.
  bool PrintPage(QPrinter& printer, const PrintJob& job, DialogService& dialogs);

  QString m_setupFile;
  PageSetup m_kept;
  // Made on first use: making one asks the print system for its printers.
  std::unique_ptr<QPrinter> m_printer;
};

}  // namespace platform
