#include "platform/ui/FontSubstitution.h"

#include <QFont>
#include <QStringList>

namespace platform {
namespace {

struct Twin {
  const char* windowsName;
  const char* installed;
};

constexpr Twin kTwins[] = {
    {"Cambria", "Caladea"},         {"Tahoma", "DejaVu Sans"},
    {"ＭＳ ゴシック", "IPAGothic"}, {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},     {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"MS Gothic", "IPAGothic"},     {"MS PGothic", "IPAPGothic"},
    {"MS Mincho", "IPAMincho"},     {"MS PMincho", "IPAPMincho"},
};

// Settings written by hand or by other tools spell the Japanese names with half-width
// letters or an ideographic space; compatibility folding makes those one key.
QString Key(const QString& name) {
  QString key = name.normalized(QString::NormalizationForm_KC).toCaseFolded();
  key.removeIf([](QChar c) { return c.isSpace(); });
  return key;
}

// QFont looks substitutes up by the exact family string, so each usual spelling of a
// Japanese name is registered on its own.
QStringList Spellings(const QString& name) {
  QStringList out{name};
  const auto vary = [&out](const QString& from, const QStringList& to) {
    const QStringList current = out;
    for (const QString& s : current) {
      if (!s.contains(from)) continue;
      for (const QString& t : to) {
        QString v = s;
        v.replace(from, t);
        if (!out.contains(v)) out << v;
      }
    }
  };
  if (!name.startsWith(QStringLiteral("ＭＳ"))) return out;
  vary(QStringLiteral("ＭＳ"), {QStringLiteral("MS")});
  vary(QStringLiteral("Ｐ"), {QStringLiteral("P")});
  vary(QStringLiteral(" "), {QStringLiteral("\u3000"), QString()});
  return out;
}

}  // namespace

QString SubstituteFontFamily(const QString& windowsName) {
  const QString key = Key(windowsName);
  for (const Twin& twin : kTwins) {
    if (Key(QString::fromUtf8(twin.windowsName)) == key) return QString::fromUtf8(twin.installed);
  }
  return windowsName;
}

void InstallFontSubstitutions() {
  for (const Twin& twin : kTwins) {
    const QString installed = QString::fromUtf8(twin.installed);
    for (const QString& spelling : Spellings(QString::fromUtf8(twin.windowsName))) {
      QFont::insertSubstitution(spelling, installed);
    }
  }
}

}  // namespace platform
