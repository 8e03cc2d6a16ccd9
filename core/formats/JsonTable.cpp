#include "core/formats/JsonTable.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <unordered_map>

#include "core/Errors.h"
#include "core/Number.h"
#include "core/TextCodec.h"
#include "core/formats/GdalTable.h"

namespace formats {

namespace {

std::string Text(const QString& text) {
  return text.toStdString();
}

bool IsGeoJsonObject(const QJsonObject& object) {
  const QString type = object.value(QStringLiteral("type")).toString();
  return type == QStringLiteral("FeatureCollection") || type == QStringLiteral("Feature");
}

}  // namespace

struct JsonTable::Rows {
  QJsonDocument document;
  QJsonArray array;   // the rows of an array
  QJsonObject keyed;  // the rows of an object of objects
  QStringList keys;   // its keys, in the file's order as Qt keeps it (sorted)
  bool byKey = false;
  std::string keyColumn;
  std::vector<QString> columns;
  long next = 0;  // rows given
  bool headed = false;
};

JsonTable::~JsonTable() = default;

JsonTable::JsonTable(const std::string& path) : m_rows(std::make_unique<Rows>()) {
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (!file) throw core::IoError(core::IoMessage(errno), path);
  struct Close {
    std::FILE* f;
    ~Close() { std::fclose(f); }
  } close{file};
  QByteArray bytes;
  char piece[1 << 16];
  for (;;) {
    const size_t got = std::fread(piece, 1, sizeof piece, file);
    if (got > 0) bytes.append(piece, static_cast<qsizetype>(got));
    if (bytes.size() > kMaxJsonBytes) {
      throw std::invalid_argument("JSON の表は " + std::to_string(kMaxJsonBytes >> 20) +
                                  " MiB までです（全体を一度に読むため）。CSV にしてから読んで"
                                  "ください");
    }
    if (got < sizeof piece) {
      if (std::ferror(file)) throw core::IoError(core::IoMessage(errno), path);
      break;
    }
  }
  QJsonParseError error{};
  Rows& r = *m_rows;
  r.document = QJsonDocument::fromJson(bytes, &error);
  bytes.clear();
  if (error.error != QJsonParseError::NoError) {
    throw std::invalid_argument("JSON として読めません（" + std::to_string(error.offset) +
                                " バイト目: " + Text(error.errorString()) + "）");
  }
  auto allObjects = [](const QJsonArray& array) {
    return std::all_of(array.begin(), array.end(),
                       [](const QJsonValue& v) { return v.isObject(); });
  };
  if (r.document.isArray()) {
    r.array = r.document.array();
    if (r.array.isEmpty()) throw std::invalid_argument("JSON の配列が空です");
    m_notes.push_back(
        "JSON の配列の要素を一つずつ行として読みました。行番号は要素の番号（最初が"
        " 1）です");
  } else {
    const QJsonObject top = r.document.object();
    if (IsGeoJsonObject(top)) throw GeoJsonFound();
    if (top.isEmpty()) throw std::invalid_argument("JSON のオブジェクトが空です");
    const bool objects =
        std::all_of(top.begin(), top.end(), [](const QJsonValue& v) { return v.isObject(); });
    if (objects) {
      r.keyed = top;
      r.keys = top.keys();
      r.byKey = true;
      m_notes.push_back("JSON のオブジェクトの値を一つずつ行として読み、キーを列「" +
                        std::string("%KEY%") + "」にしました。行番号はキーの順（最初が 1）です");
    } else {
      QString found;
      for (auto it = top.begin(); it != top.end(); ++it) {
        if (it.value().isArray() && !it.value().toArray().isEmpty() &&
            allObjects(it.value().toArray())) {
          if (!found.isEmpty()) {
            throw std::invalid_argument("JSON にオブジェクトの配列が「" + Text(found) + "」と「" +
                                        Text(it.key()) + "」の二つあり、どちらが表か分かりません");
          }
          found = it.key();
        }
      }
      if (found.isEmpty()) {
        throw std::invalid_argument(
            "JSON ですが表の形ではありません（オブジェクトの配列、または ID をキーにした"
            "オブジェクトのオブジェクトを読みます）");
      }
      r.array = top.value(found).toArray();
      m_notes.push_back("JSON の「" + core::VisibleText(Text(found)) +
                        "」の配列の要素を一つずつ行として読みました。行番号は要素の番号（最初が"
                        " 1）です");
    }
  }

  // The columns: every member name, in the order first met.
  std::unordered_map<std::string, size_t> seen;
  auto addColumns = [&](const QJsonObject& object) {
    for (auto it = object.begin(); it != object.end(); ++it) {
      std::string name = Text(it.key());
      if (seen.emplace(name, r.columns.size()).second) {
        r.columns.push_back(it.key());
        if (r.columns.size() >= core::TableReader::kMaxFields) {
          throw std::invalid_argument("JSON の列が " +
                                      std::to_string(core::TableReader::kMaxFields) +
                                      " を超えるので読めません");
        }
      }
    }
  };
  if (r.byKey) {
    for (const QString& key : r.keys)
      addColumns(r.keyed.value(key).toObject());
    r.keyColumn = "id";
    if (seen.count("id")) r.keyColumn = seen.count("key") ? "_key" : "key";
    for (std::string& note : m_notes) {
      const size_t at = note.find("%KEY%");
      if (at != std::string::npos) note.replace(at, 5, r.keyColumn);
    }
  } else {
    for (const QJsonValue& value : r.array)
      if (value.isObject()) addColumns(value.toObject());
  }
}

bool JsonTable::Next(core::TableRow& row) {
  Rows& r = *m_rows;
  row.fields.clear();
  row.error.clear();
  row.undecodable.clear();
  if (!r.headed) {
    r.headed = true;
    row.line = 0;
    if (r.byKey) row.fields.push_back(r.keyColumn);
    for (const QString& column : r.columns) {
      row.fields.push_back(Text(column));
      if (MarkUndecodable(row.fields.back())) row.undecodable.push_back(row.fields.size() - 1);
    }
    return true;
  }
  const long size = r.byKey ? static_cast<long>(r.keys.size()) : static_cast<long>(r.array.size());
  if (r.next >= size) return false;
  const long index = r.next++;
  row.line = index + 1;
  QJsonValue value;
  if (r.byKey) {
    const QString& key = r.keys.at(index);
    row.fields.push_back(Text(key));
    value = r.keyed.value(key);
  } else {
    value = r.array.at(index);
  }
  if (!value.isObject()) {
    row.fields.clear();
    row.error = "オブジェクトでない要素です";
    return true;
  }
  const QJsonObject object = value.toObject();
  size_t bytes = 0;
  for (const QString& column : r.columns) {
    const QJsonValue cell = object.value(column);
    std::string text;
    switch (cell.type()) {
      case QJsonValue::String:
        text = Text(cell.toString());
        break;
      case QJsonValue::Double:
        text = core::FormatShortest(cell.toDouble());
        break;
      case QJsonValue::Bool:
        text = cell.toBool() ? "true" : "false";
        break;
      case QJsonValue::Array:
        text = QJsonDocument(cell.toArray()).toJson(QJsonDocument::Compact).toStdString();
        break;
      case QJsonValue::Object:
        text = QJsonDocument(cell.toObject()).toJson(QJsonDocument::Compact).toStdString();
        break;
      default:
        break;
    }
    bytes += text.size();
    if (bytes > core::TableReader::kMaxRowBytes) {
      row.Refuse(core::RowTooLongMessage());
      return true;
    }
    row.fields.push_back(std::move(text));
  }
  return true;
}

bool IsGeoJson(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (!file) return false;
  char start[4096];
  const size_t got = std::fread(start, 1, sizeof start, file);
  std::fclose(file);
  const std::string_view text(start, got);
  const size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (first == std::string_view::npos || text[first] != '{') return false;
  // GeoJSON writers put the type first; a table of objects rarely names one at its top.
  for (size_t at = text.find("\"type\""); at != std::string_view::npos;
       at = text.find("\"type\"", at + 1)) {
    size_t i = text.find_first_not_of(" \t\r\n", at + 6);
    if (i == std::string_view::npos || text[i] != ':') continue;
    i = text.find_first_not_of(" \t\r\n", i + 1);
    if (i == std::string_view::npos) break;
    const std::string_view value = text.substr(i);
    if (value.rfind("\"FeatureCollection\"", 0) == 0 || value.rfind("\"Feature\"", 0) == 0) {
      return true;
    }
    break;
  }
  return false;
}

}  // namespace formats
