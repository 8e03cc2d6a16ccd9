#include "platform/ui/Printing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>
#include <optional>
#include <string>

#include "core/Errors.h"
#include "core/SaveFile.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/ui/DialogService.h"

namespace platform {

namespace {

const QString kSection = QStringLiteral("Page");
const QString kSize = QStringLiteral("Size");
const QString kOrientation = QStringLiteral("Orientation");

// The named paper whose key ("A4", "Letter") the file holds.
std::optional<QPageSize::PageSizeId> PageSizeOfKey(const QString& key) {
  for (int i = 0; i <= static_cast<int>(QPageSize::LastPageSize); ++i) {
    const auto id = static_cast<QPageSize::PageSizeId>(i);
    if (id != QPageSize::Custom && QPageSize::key(id).compare(key, Qt::CaseInsensitive) == 0)
      return id;
  }
  return std::nullopt;
}

QString Told(const core::IoError& error) {
  return QString::fromStdString(error.what()) + QStringLiteral("\n") +
         QString::fromStdString(error.Path());
}

}  // namespace

PageSetup PageSetupOf(const QPrinter& printer) {
  const QPageLayout layout = printer.pageLayout();
  return {layout.pageSize().id(), layout.orientation()};
}

void ApplyPageSetup(QPrinter& printer, const PageSetup& setup) {
  printer.setPageSize(QPageSize(setup.size));
  printer.setPageOrientation(setup.orientation);
}

QString PageSetupFile() {
  return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
         QStringLiteral("/print.ini");
}

PageSetup LoadPageSetup(const QString& path) {
  const IniFile ini = IniFile::Load(path);
  PageSetup setup;
  if (const auto size = PageSizeOfKey(ini.ReadString(kSection, kSize, QString()))) {
    setup.size = *size;
  }
  const QString orientation = ini.ReadString(kSection, kOrientation, QString());
  if (orientation.compare(QStringLiteral("Landscape"), Qt::CaseInsensitive) == 0) {
    setup.orientation = QPageLayout::Landscape;
  }
  return setup;
}

void SavePageSetup(const QString& path, const PageSetup& setup) {
  if (setup.size == QPageSize::Custom) return;
  QDir().mkpath(QFileInfo(path).absolutePath());
  IniFile ini = IniFile::Load(path);
  ini.WriteString(kSection, kSize, QPageSize::key(setup.size));
  ini.WriteString(kSection, kOrientation,
                  setup.orientation == QPageLayout::Landscape ? QStringLiteral("Landscape")
                                                              : QStringLiteral("Portrait"));
  ini.Save(path);
}

QRectF FitCentred(const QSizeF& figure, const QRectF& area) {
  if (figure.isEmpty() || area.isEmpty()) return {};
  const double scale = std::min(area.width() / figure.width(), area.height() / figure.height());
  const QSizeF size = figure * scale;
  return {area.left() + (area.width() - size.width()) / 2,
          area.top() + (area.height() - size.height()) / 2, size.width(), size.height()};
}

QString NothingToPrint() {
  return QStringLiteral("印刷する図がありません。先に分布図を作成してください");
}

FigurePrinter::FigurePrinter(QString setupFile) : m_setupFile(std::move(setupFile)) {}

FigurePrinter::~FigurePrinter() = default;

QPrinter& FigurePrinter::Printer(DialogService& dialogs) {
  if (m_printer) return *m_printer;
  m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  m_printer->setDocName(QGuiApplication::applicationDisplayName());
  try {
    m_kept = LoadPageSetup(m_setupFile);
  } catch (const core::IoError& error) {
    dialogs.ShowError(Told(error));
  }
  ApplyPageSetup(*m_printer, m_kept);
  return *m_printer;
}

bool FigurePrinter::Print(DialogService& dialogs, const PrintJob& job) {
  QPrinter& printer = Printer(dialogs);
  bool pagePrinted = false;
  const bool printed = dialogs.RunPrint(
      printer, [&](QPrinter& target) { pagePrinted = PrintPage(target, job, dialogs); });
  const PageSetup now = PageSetupOf(printer);
  if (now.size != QPageSize::Custom && !(now == m_kept)) {
    try {
      SavePageSetup(m_setupFile, now);
      m_kept = now;
    } catch (const core::IoError& error) {
      dialogs.ShowError(QStringLiteral("用紙の設定を保存できません\n") + Told(error));
    }
  }
  return printed && pagePrinted;
}

bool FigurePrinter::PrintPage(QPrinter& printer, const PrintJob& job, DialogService& dialogs) {
  const int dpi = job.resolution ? job.resolution(printer.pageLayout()) : printer.resolution();
  if (dpi > 0 && printer.resolution() != dpi) printer.setResolution(dpi);
  const QSize area = printer.pageLayout().paintRectPixels(printer.resolution()).size();
  const QString target =
      printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
  auto cannotWrite = [&](const QString& why) {
    dialogs.ShowError(QStringLiteral("%1 に書き込めません").arg(target) +
                      (why.isEmpty() ? QString() : QStringLiteral("\n") + why));
  };
  if (!target.isEmpty() && job.isInput && job.isInput(target)) {
    dialogs.ShowError(
        QStringLiteral("%1 は図に使っているファイルなので、印刷を書き込みません").arg(target));
    return false;
  }
  const std::function<void(QPainter&)> paint = job.prepare(area);
  if (!paint) return false;

  // The printer writes a PDF file as it goes, so a failure would leave half a file where
  // the user's was. It writes a scratch file instead, whose bytes then take the target's
  // place the way every save of the programs does.
  std::unique_ptr<QTemporaryFile> scratch;
  if (!target.isEmpty()) {
    scratch = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                               QStringLiteral("/tarvo-print-XXXXXX.pdf"));
    if (!scratch->open()) {
      cannotWrite(scratch->errorString());
      return false;
    }
    scratch->close();
    printer.setOutputFileName(scratch->fileName());
  }
  struct GiveTargetBack {
    QPrinter& printer;
    const QString& target;
    bool scratched;
    ~GiveTargetBack() {
      if (scratched) printer.setOutputFileName(target);
    }
  } giveBack{printer, target, scratch != nullptr};

  QPainter painter;
  if (!painter.begin(&printer)) {
    if (target.isEmpty()) {
      dialogs.ShowError(QStringLiteral("印刷を始められません。プリンタの設定を確かめてください"));
    } else {
      cannotWrite(QString());
    }
    return false;
  }
  paint(painter);
  painter.end();
  if (!scratch) return true;

  QFile written(scratch->fileName());
  if (!written.open(QIODevice::ReadOnly)) {
    cannotWrite(written.errorString());
    return false;
  }
  const QByteArray bytes = written.readAll();
  // The preview draws without writing: nothing to put in the target's place.
  if (bytes.isEmpty()) return true;
  try {
    core::SaveFileAtomically(
        FileNameBytes(target),
        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  } catch (const core::IoError& error) {
    cannotWrite(QString::fromStdString(error.what()));
    return false;
  }
  return true;
}

}  // namespace platform
