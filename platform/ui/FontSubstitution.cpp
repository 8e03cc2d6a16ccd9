#include "platform/ui/FontSubstitution.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace platform {
namespace {

struct Twin {
  const char* windowsName;
  const char* installed;
  const char* generic;
};

constexpr Twin kTwins[] = {
    {"Cambria", "Caladea", "serif"},
    {"Tahoma", "DejaVu Sans", "sans-serif"},
    {"ＭＳ ゴシック", "IPAGothic", "sans-serif"},
    {"ＭＳ Ｐゴシック", "IPAPGothic", "sans-serif"},
    {"ＭＳ 明朝", "IPAMincho", "serif"},
    {"ＭＳ Ｐ明朝", "IPAPMincho", "serif"},
    {"MS Gothic", "IPAGothic", "sans-serif"},
    {"MS PGothic", "IPAPGothic", "sans-serif"},
    {"MS Mincho", "IPAMincho", "serif"},
    {"MS PMincho", "IPAPMincho", "serif"},
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

QString GenericFontFamily(const QString& family) {
  const QString key = Key(family);
  for (const Twin& twin : kTwins) {
    if (Key(QString::fromUtf8(twin.windowsName)) == key ||
        Key(QString::fromUtf8(twin.installed)) == key) {
      return QString::fromUtf8(twin.generic);
    }
  }
  for (const char* generic : {"serif", "sans-serif", "monospace"}) {
    if (key == QLatin1String(generic)) return QString::fromLatin1(generic);
  }
  if (QFontDatabase::isFixedPitch(family)) return QStringLiteral("monospace");
  // Names say "Sans" for the faces without serifs even when they also say "Serif" elsewhere.
  if (key.contains(QLatin1String("sans")) || key.contains(QStringLiteral("ゴシック")) ||
      key.contains(QLatin1String("gothic"))) {
    return QStringLiteral("sans-serif");
  }
  for (const QString& word :
       {QStringLiteral("serif"), QStringLiteral("明朝"), QStringLiteral("mincho"),
        QStringLiteral("roman"), QStringLiteral("times"), QStringLiteral("song")}) {
    if (key.contains(word)) return QStringLiteral("serif");
  }
  return QStringLiteral("sans-serif");
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
