#include "tools/import/ImportMain.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "core/Errors.h"
#include "core/FolderSave.h"
#include "core/LandMap.h"
#include "core/Number.h"
#include "core/RecordSpool.h"
#include "core/SaveFile.h"
#include "core/TableFile.h"
#include "core/TableImport.h"
#include "core/TextCodec.h"
#include "core/TextFile.h"
#include "core/formats/OpenTable.h"
#include "core/formats/ProjSystem.h"

namespace tableimport {

namespace {

namespace fs = std::filesystem;

constexpr char kName[] = "tarvo-import";
constexpr char kMapName[] = "三面図全国.mdt";

// The values basisOfRecord takes in Darwin Core and GBIF, compared as headings are.
constexpr std::string_view kBasisKinds[] = {"PRESERVED_SPECIMEN",
                                            "FOSSIL_SPECIMEN",
                                            "LIVING_SPECIMEN",
                                            "HUMAN_OBSERVATION",
                                            "MACHINE_OBSERVATION",
                                            "MATERIAL_SAMPLE",
                                            "MATERIAL_CITATION",
                                            "MATERIAL_ENTITY",
                                            "OBSERVATION",
                                            "OCCURRENCE",
                                            "UNKNOWN"};

std::string Compared(std::string_view value) {
  std::string key;
  for (const char c : value) {
    if (c == '_' || c == ' ' || c == '-') continue;
    key += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return key;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string item(
        core::TrimBlanks(text.substr(start, comma == std::string::npos ? comma : comma - start)));
    if (!item.empty()) items.push_back(item);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

std::vector<double> ParseBins(const std::string& text) {
  std::vector<double> bins;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? comma : comma - start);
    try {
      bins.push_back(core::StrToFloat(part));
    } catch (const std::exception&) {
      throw std::invalid_argument("--bins は数をカンマで区切って並べます: " + text);
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return bins;
}

std::optional<int> Year(std::string_view text) {
  const std::string_view t = core::TrimBlanks(text);
  if (t.size() != 4 || t.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  return core::StrToInt(t);
}

// "1990-2019", "1990-" (from 1990 on), "-1989" (to 1989), "2019" (that year).
void ParseYears(const std::string& text, core::ImportOptions& o) {
  const auto fail = [&] {
    return std::invalid_argument(
        "--years は 1990-2019、1990-、-1989 や 2019 のように西暦 4 桁で"
        "書きます: " +
        text);
  };
  const size_t dash = text.find('-');
  if (dash == std::string::npos) {
    o.yearFrom = Year(text);
    o.yearTo = o.yearFrom;
    if (!o.yearFrom) throw fail();
    return;
  }
  const std::string from = text.substr(0, dash);
  const std::string to = text.substr(dash + 1);
  o.yearFrom = core::TrimBlanks(from).empty() ? std::nullopt : Year(from);
  o.yearTo = core::TrimBlanks(to).empty() ? std::nullopt : Year(to);
  if ((!core::TrimBlanks(from).empty() && !o.yearFrom) ||
      (!core::TrimBlanks(to).empty() && !o.yearTo) || (!o.yearFrom && !o.yearTo)) {
    throw fail();
  }
  if (o.yearFrom && o.yearTo && *o.yearFrom > *o.yearTo) {
    throw std::invalid_argument("--years の始めの年が終わりの年より後です: " + text);
  }
}

// The report of an import as the rows go by: the columns, then every row not written or
// noted, in pieces so that a table of millions of noted rows costs no memory.
class ReportStream : public core::ImportListener {
 public:
  ReportStream(std::ostream& err, const std::vector<std::string>& tables)
      : m_err(err), m_tables(tables) {}
  ~ReportStream() override { Flush(); }

  void Columns(size_t table, const std::string& columns,
               const std::vector<std::string>& notes) override {
    const std::string lead = std::string(kName) + ": " + Named(table);
    m_text += lead + columns + '\n';
    for (const std::string& note : notes)
      m_text += lead + "注意: " + note + '\n';
    Flush();
  }
  void Row(const core::ImportRejection& item, bool refused) override {
    m_text += m_tables[item.table];
    m_text += ':';
    m_text += core::ImportReportLine(item, refused);
    m_text += '\n';
    if (m_text.size() > (1 << 16)) Flush();
  }
  void Warn(const std::string& text) {
    m_text += std::string(kName) + ": 注意: " + text + '\n';
    Flush();
  }
  void Flush() {
    m_err << m_text;
    m_err.flush();
    m_text.clear();
  }

 private:
  std::string Named(size_t table) const {
    return m_tables.size() > 1 ? m_tables[table] + ": " : std::string();
  }
  std::ostream& m_err;
  const std::vector<std::string>& m_tables;
  std::string m_text;
};

// Where the records wait until the files are written: beside the output when it has a
// folder, else in the system's folder for temporary files.
std::unique_ptr<core::SpooledRecordStore> MakeSpool(const ImportArgs& parsed) {
  std::vector<std::string> folders;
  if (!parsed.outDir.empty() && fs::is_directory(parsed.outDir)) folders.push_back(parsed.outDir);
  std::error_code ec;
  const fs::file_status output = fs::status(parsed.output, ec);
  // Beside a file, not beside a device or pipe such as /dev/stdout.
  if (!parsed.output.empty() && (!fs::exists(output) || fs::is_regular_file(output))) {
    const fs::path parent = fs::path(parsed.output).parent_path();
    folders.push_back(parent.empty() ? "." : parent.string());
  }
  const char* tmp = std::getenv("TMPDIR");
  folders.push_back(tmp && *tmp ? tmp : "/tmp");
  for (size_t i = 0; i < folders.size(); ++i) {
    try {
      return std::make_unique<core::SpooledRecordStore>(folders[i]);
    } catch (const core::IoError&) {
      if (i + 1 == folders.size()) throw;
    }
  }
  return nullptr;
}

}  // namespace

std::string FindBundledMap(const std::string& programPath) {
  std::vector<fs::path> candidates;
  if (!programPath.empty()) {
    const fs::path dir = fs::path(programPath).parent_path();
    candidates.push_back(dir / "data" / kMapName);
    candidates.push_back(dir / TARVO_DATA_FROM_BIN / kMapName);
  }
  // Empty in a packaged build, so that an installed program never falls back on the files
  // of the machine it was built on.
  if constexpr (sizeof(TARVO_SOURCE_DIR) > 1) {
    candidates.push_back(fs::path(TARVO_SOURCE_DIR) / "data" / kMapName);
  }
  for (const fs::path& path : candidates) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) return path.string();
  }
  return "";
}

std::string ImportUsage() {
  return "使い方: tarvo-import 表… [--group 列] [--category 列 [--bins 値,値…]]\n"
         "                    [--title 見出し | --title-from file] [--label 値=見出し]…\n"
         "                    [--split-by 列 --out-dir フォルダ] [-o 出力.grd]\n"
         "                    [--country 国,…|any] [--basis 種類,…|any] [--years 年-年]\n"
         "                    [--max-uncertainty メートル] [--drop-sea]\n"
         "                    [--program conic|chart] [--lat 列] [--lon 列] [--mesh 列]\n"
         "                    [--elevation 列] [--feet] [--swap-latlon] [--prefer-mesh]\n"
         "                    [--layer 名前] [--datum tokyo | --crs コード]\n"
         "  CSV かタブ区切りの表（1 行目が見出し、UTF-8 か Shift-JIS）から分布データを作ります。\n"
         "  表計算（.xlsx .ods）、GPS（.gpx .kml .kmz）、GIS（.geojson .gpkg .shp）と "
         "JSON（.json）\n"
         "  のファイルも読みます（拡張子で判断）。表計算は最初のシートの 1 行目が見出し、GPS・GIS\n"
         "  は点の位置を緯度・経度にし、属性を列として読みます。gpx "
         "はウェイポイント（名前、位置、\n"
         "  ele を標高に）。JSON はオブジェクトの配列か、ID "
         "をキーにしたオブジェクトのオブジェクト\n"
         "  表…           表のファイル。いくつでも並べられ、全部で一つの分布データになる（- "
         "で標準入力）\n"
         "                 CSV の値は \"…\" で囲めます。タブ区切りの表は引用符を使わない形（GBIF\n"
         "                 のダウンロードなど）として読みます\n"
         "  --layer 名前   読むシート・層（例: --layer track_points で gpx のトラックの点）\n"
         "  --datum tokyo  緯度経度を旧日本測地系（Tokyo Datum、EPSG:4301）として読み、PROJ の\n"
         "                 選ぶ変換で JGD2011 にする（使った変換と精度を知らせる）\n"
         "  --crs コード   座標の列をこの座標参照系で読む（例: EPSG:6677 平面直角座標系 IX 系。\n"
         "                 X の列が北方向、Y の列が東方向）。--datum・--crs "
         "は座標参照系の書かれて\n"
         "                 いない層の点にも使う\n"
         "\n"
         "  カテゴリと見出し（凡例の文字）:\n"
         "  --group 列     この列の値ごとにカテゴリを作り、値を見出しにする\n"
         "                 （既定: scientificName、学名、和名の順に見つかった列。--split-by "
         "だけの\n"
         "                 ときは分けた値そのものが一つの見出しになる）\n"
         "  --category 列  この列の値ごとにカテゴリを作る（現れた順。例: basisOfRecord）\n"
         "  --bins 値,…    数を区切ってカテゴリにする。--category がなければ年で区切る（year、\n"
         "                 なければ eventDate の年）。年の区切りは「１９９０～２０１９」「２０２０ "
         "以降」\n"
         "                 「年不明」のような見出しになる（例: --bins 1990,2020）\n"
         "  --title 見出し 列の値で分けず、全部を一つのカテゴリにしてこの見出しを付ける\n"
         "  --title-from file\n"
         "                 表ごとに一つのカテゴリにし、表のファイル名（フォルダと拡張子を除く）を\n"
         "                 見出しにする\n"
         "  --label 値=見出し\n"
         "                 その値（--group・--category の値、年の区切りの見出し、ファイル名）の\n"
         "                 カテゴリの見出しを付け替える。何度でも指定できる\n"
         "                 "
         "数字で始まる見出しは数字を全角にします（数字で始まる行は記録になるため）\n"
         "\n"
         "  書かない記録（列があるときだけ。理由つきで知らせ、最後に理由ごとの数を出す）:\n"
         "  --country 国,…  countryCode がこの国の行だけ書く（既定: JP。any ですべて）\n"
         "  --basis 種類,…  basisOfRecord がこの種類の行だけ書く（既定: FOSSIL_SPECIMEN 以外の\n"
         "                 すべて。any ですべて。例: PRESERVED_SPECIMEN,HUMAN_OBSERVATION）\n"
         "  --years 年-年   year（なければ eventDate の年）がこの範囲の行だけ書く（例: "
         "1990-2019、\n"
         "                 1990-、-1989）。年の分からない行も書かない\n"
         "  --max-uncertainty メートル\n"
         "                 coordinateUncertaintyInMeters がこれより大きい行を書かない（既定: "
         "上限な\n"
         "                 し。10000 m を超える行には注意を出す）\n"
         "  --drop-sea     付属の地図で陸から 2 km より遠い海の上の座標の行を書かない（既定:\n"
         "                 書いて「海上」と注意を出す）\n"
         "\n"
         "  出力:\n"
         "  --split-by 列  この列の値ごとに別のファイルにする（例: scientificName）\n"
         "  --out-dir DIR  --split-by のファイルを書くフォルダ（なければ作る）。全部のファイルを\n"
         "                 書き終えてから置き換え、一つでも書けなければどれも元のまま残す。\n"
         "                 同じ名前のシンボリックリンクがあれば、たどらず置き換えず、何も書かない\n"
         "  -o OUT.grd     書き出すファイル（なければ標準出力）。表そのもの（標準入力から読む\n"
         "                 表も）やフォルダには書かない\n"
         "  --program      conic（Tarvo_L、カテゴリ 5 つまで、既定）か chart（Tarvo、6 つまで）\n"
         "\n"
         "  列の読み方:\n"
         "  --lat, --lon, --mesh, --elevation 列\n"
         "                 見出しで見つからない列を名前で指定する\n"
         "  --feet         単位のない標高をフィートとして読む（見出しが「(ft)」で終わる列も同じ）\n"
         "  --swap-latlon  緯度の列と経度の列を入れ替えて読む\n"
         "  --prefer-mesh  座標とメッシュコードの両方がある行でメッシュコードを使う（メッシュ\n"
         "                 コードの列がなければ使い方の誤り）\n"
         "  --version      版を出して終わる\n"
         "\n"
         "  読む見出し（大文字小文字・全角半角・空白と _・(m) などの単位は区別しない）:\n"
         "    位置   decimalLatitude/decimalLongitude、緯度/経度、latitude/longitude、lat/lon、\n"
         "           verbatimLatitude/verbatimLongitude、verbatimCoordinates（一つの欄に両方）\n"
         "    メッシュコード  メッシュコード、メッシュ、mesh、mesh3、meshcode、3次メッシュ、\n"
         "           標準地域メッシュ、1kmメッシュ、500mメッシュコードなど「メッシュ」「メッシュ\n"
         "           コード」「mesh」で終わる見出し\n"
         "    標高   minimumElevationInMeters と maximumElevationInMeters（両方あれば平均）、\n"
         "           elevation、標高、altitude、verbatimElevation、alt、ele、elev、height、海抜、\n"
         "           海抜高度の順\n"
         "    名前   scientificName、学名、和名\n"
         "    絞り込み  countryCode、basisOfRecord、coordinateUncertaintyInMeters、year、\n"
         "           eventDate（採集年、採集日なども）\n"
         "  標高やメッシュコードらしいのに読まない列、標高の列がないこと、同じ見出しの列は最初に\n"
         "  知らせます。\n"
         "  どの列を使うか: 10 進の緯度経度の列が埋まっていればそれ、次に verbatim の列、次に\n"
         "  verbatimCoordinates、どれもない行はメッシュコード（--prefer-mesh "
         "でメッシュコードが先。\n"
         "  先に使う方が読めなければ、もう一方を使って知らせる）。座標がメッシュコードの区画の外\n"
         "  なら、その距離を知らせます。\n"
         "  緯度経度は 10 進、度分秒、度と 10 進の分（° ′ ″、' "
         "\"、度分秒、N/S/E/W、北緯・東経）で、\n"
         "  メッシュコードは 6〜9 桁（6441-0455 "
         "のような区切りは取り除く。表計算ソフトの指数表記は\n"
         "  桁がすべて残っていれば読む）、標高は数、範囲（平均）、m、ft で書けます。\n"
         "  地図の範囲: 北緯 24〜46 度、東経 122〜149 度（Tarvo_L の地図と同じ）。conic では "
         "Tarvo_L が\n"
         "  どの打点精度でも範囲の中に描く記録だけを書く（北緯 46 度・東経 149 度の線上の点は\n"
         "  書かない）。chart では範囲の端を含め、メッシュコードは区画の南西の角で判定。標高は\n"
         "  -11000〜9000 m、0.1 m まで書く。日本でありえない標高（3800 m より高い、-9999・9999・\n"
         "  -999 などの「値なし」の印）は注意を出して標高なしで書く。範囲の外、座標のない行、\n"
         "  読めない値の行は書かず、表のファイルの行番号（見出しが 1 行目）と理由を標準エラーに\n"
         "  出します。同じファイル・カテゴリの同じ記録は一度だけ書き、後の行を重複として知らせ\n"
         "  ます。空の行は飛ばします。\n"
         "  文字コード: BOM があれば UTF-8、なければ ASCII でない文字が最初に現れた所から\n"
         "  1 MiB を見て UTF-8 か Shift-JIS かを決めます。使う列にその文字コードで読めない\n"
         "  バイトがある行は書かずに知らせます。\n"
         "  終了コード: 0 すべての行を書いた、1 書かなかった行がある、2 "
         "使い方の誤り・表や出力の誤り\n";
}

ImportArgs ParseImportArgs(const std::vector<std::string>& args) {
  ImportArgs parsed;
  bool standardInput = false;
  std::string titleFrom;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw std::invalid_argument(arg + " の値がありません");
      // An empty value ("-o ''", a variable left unset) names nothing: taken as not
      // given, it would send the data elsewhere than the user meant.
      if (args[i + 1].empty()) throw std::invalid_argument(arg + " の値が空です");
      return args[++i];
    };
    core::ImportOptions& o = parsed.options;
    if (arg == "--group") {
      o.groupColumn = value();
    } else if (arg == "--category") {
      o.categoryColumn = value();
    } else if (arg == "--bins") {
      o.bins = ParseBins(value());
    } else if (arg == "--title") {
      o.title = value();
      if (core::TrimBlanks(o.title).empty()) throw std::invalid_argument("--title の値が空です");
    } else if (arg == "--title-from") {
      titleFrom = value();
      if (titleFrom != "file") {
        throw std::invalid_argument(
            "--title-from は file だけです（表のファイル名を見出しにする）: " + titleFrom);
      }
      o.titleFromFile = true;
    } else if (arg == "--label") {
      const std::string label = value();
      const size_t eq = label.find('=');
      if (eq == std::string::npos || eq == 0 || core::TrimBlanks(label.substr(eq + 1)).empty()) {
        throw std::invalid_argument("--label は 値=見出し の形で書きます: " + label);
      }
      o.labels.emplace_back(label.substr(0, eq), label.substr(eq + 1));
    } else if (arg == "--country") {
      const std::string list = value();
      o.countries = {};
      if (Compared(list) != "ANY") {
        for (const std::string& code : SplitList(list))
          o.countries.kept.push_back(Compared(code));
        if (o.countries.kept.empty()) throw std::invalid_argument("--country の国がありません");
      }
    } else if (arg == "--basis") {
      const std::string list = value();
      o.basis = {};
      if (Compared(list) != "ANY") {
        for (const std::string& kind : SplitList(list)) {
          const auto known =
              std::find_if(std::begin(kBasisKinds), std::end(kBasisKinds),
                           [&](std::string_view k) { return Compared(k) == Compared(kind); });
          if (known == std::end(kBasisKinds)) {
            std::string names;
            for (const std::string_view k : kBasisKinds)
              names += (names.empty() ? "" : "、") + std::string(k);
            throw std::invalid_argument("--basis の「" + kind +
                                        "」は basisOfRecord の種類にありません（" + names +
                                        "、または any）");
          }
          o.basis.kept.emplace_back(*known);
        }
        if (o.basis.kept.empty()) throw std::invalid_argument("--basis の種類がありません");
      }
    } else if (arg == "--max-uncertainty") {
      const std::string text = value();
      const std::optional<double> metres = core::ParseReal(core::TrimBlanks(text));
      if (!metres || *metres < 0) {
        throw std::invalid_argument("--max-uncertainty はメートルの数で書きます: " + text);
      }
      o.maxUncertainty = metres;
    } else if (arg == "--years") {
      ParseYears(value(), o);
    } else if (arg == "--drop-sea") {
      o.dropSea = true;
    } else if (arg == "--split-by") {
      o.splitColumn = value();
    } else if (arg == "--out-dir") {
      parsed.outDir = value();
    } else if (arg == "-o" || arg == "--output") {
      parsed.output = value();
    } else if (arg == "--lat") {
      o.latColumn = value();
    } else if (arg == "--lon") {
      o.lonColumn = value();
    } else if (arg == "--mesh") {
      o.meshColumn = value();
    } else if (arg == "--elevation") {
      o.elevationColumn = value();
    } else if (arg == "--feet") {
      o.feet = true;
    } else if (arg == "--swap-latlon") {
      o.swapLatLon = true;
    } else if (arg == "--prefer-mesh") {
      o.preferMesh = true;
    } else if (arg == "--layer") {
      parsed.layer = value();
    } else if (arg == "--datum") {
      const std::string datum = value();
      if (Compared(datum) != "TOKYO") {
        throw std::invalid_argument(
            "--datum は tokyo（旧日本測地系）だけです。JGD2000・JGD2011・WGS 84 の座標はその"
            "まま読み、ほかの系は --crs で指定します: " +
            datum);
      }
      if (!parsed.crs.empty()) throw std::invalid_argument("--datum と --crs は一緒に使えません");
      parsed.crs = "EPSG:4301";
    } else if (arg == "--crs") {
      if (!parsed.crs.empty()) throw std::invalid_argument("--datum と --crs は一緒に使えません");
      parsed.crs = value();
    } else if (arg == "--program") {
      const std::string program = value();
      if (program == "conic") {
        o.program = core::Program::Conic;
      } else if (program == "chart") {
        o.program = core::Program::Chart;
      } else {
        throw std::invalid_argument("--program は conic か chart です: " + program);
      }
    } else if (arg.size() > 1 && arg.front() == '-') {
      throw std::invalid_argument("知らないオプションです: " + arg);
    } else {
      if (arg == "-") {
        if (standardInput) throw std::invalid_argument("標準入力（-）は一度だけ読めます");
        standardInput = true;
      }
      if (arg.empty()) throw std::invalid_argument("表のファイルの名前が空です");
      parsed.tables.push_back(arg);
    }
  }
  const core::ImportOptions& o = parsed.options;
  if (parsed.tables.empty()) throw std::invalid_argument("表のファイルを指定してください");
  if (!o.splitColumn.empty() && parsed.outDir.empty()) {
    throw std::invalid_argument("--split-by には --out-dir で書き出すフォルダを指定してください");
  }
  if (!parsed.outDir.empty() && o.splitColumn.empty()) {
    throw std::invalid_argument(
        "--out-dir は --split-by と一緒に使います（一つのファイルには -o）");
  }
  if (!parsed.outDir.empty() && !parsed.output.empty()) {
    throw std::invalid_argument("-o と --out-dir は一緒に使えません");
  }
  // Each of these names where the titles come from; two would contradict each other.
  std::vector<std::string> titling;
  if (!o.title.empty()) titling.push_back("--title");
  if (o.titleFromFile) titling.push_back("--title-from");
  if (!o.groupColumn.empty()) titling.push_back("--group");
  if (!o.categoryColumn.empty() || !o.bins.empty()) {
    titling.push_back(o.categoryColumn.empty() ? "--bins" : "--category");
  }
  if (titling.size() > 1) {
    throw std::invalid_argument(titling[0] + " と " + titling[1] +
                                " は一緒に使えません（どちらもカテゴリの見出しを決めます）");
  }
  return parsed;
}

int ImportMain(const std::vector<std::string>& args, std::FILE* standardInput, std::ostream& out,
               std::ostream& err, const ImportPlace& place) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << ImportUsage();
      return 0;
    }
  }
  for (const std::string& arg : args) {
    if (arg == "--version") {
      out << kName << ' ' << TARVO_VERSION << '\n';
      return 0;
    }
  }
  ImportArgs parsed;
  try {
    parsed = ParseImportArgs(args);
  } catch (const std::invalid_argument& error) {
    err << kName << ": " << error.what() << '\n' << ImportUsage();
    return 2;
  }
  // The system the coordinates are written in, known before any table is read.
  std::shared_ptr<formats::ProjSystem> system;
  if (!parsed.crs.empty()) {
    try {
      system = formats::ProjSystem::FromDefinition(parsed.crs);
    } catch (const std::exception& error) {
      err << kName << ": " << (parsed.crs == "EPSG:4301" ? "--datum" : "--crs") << ": "
          << error.what() << '\n';
      return 2;
    }
    parsed.options.crs = system;
  }
  formats::TableOpening opening;
  opening.layer = parsed.layer;
  opening.layerless = system;

  std::string table = parsed.tables.front();  // the table a message concerns
  ReportStream report(err, parsed.tables);
  try {
    // The land that tells records at sea, read when the first coordinate needs it.
    const std::string mapFile = place.mapFile ? *place.mapFile : FindBundledMap(place.programPath);
    std::optional<core::LandMap> land;
    bool landTried = false;
    auto loadLand = [&]() -> const core::LandMap* {
      if (!landTried) {
        landTried = true;
        if (mapFile.empty()) {
          report.Warn(std::string("付属の地図 ") + kMapName +
                      " が見つからないので、海の上の記録を調べていません");
        } else {
          try {
            core::LineReader reader = core::LineReader::Open(mapFile);
            land = core::LandMap::Read(reader);
          } catch (const std::exception& error) {
            if (parsed.options.dropSea) throw;
            report.Warn("地図 " + mapFile + " が読めないので（" + error.what() +
                        "）、海の上の記録を調べていません");
          }
        }
      }
      return land ? &*land : nullptr;
    };
    if (parsed.options.dropSea) {
      if (mapFile.empty()) {
        throw std::invalid_argument(std::string("--drop-sea には付属の地図 ") + kMapName +
                                    " が要りますが、見つかりません");
      }
      loadLand();
    }
    parsed.options.landMap = loadLand;

    // Every table is looked at before any is read, so that a missing one stops the import
    // at once; each is opened only while it is read, however many there are.
    std::uint64_t expected = 0;
    for (const std::string& path : parsed.tables) {
      struct stat info {};
      if (path == "-") continue;
      if (::stat(path.c_str(), &info) != 0) throw core::IoError(core::IoMessage(errno), path);
      if (S_ISDIR(info.st_mode)) throw core::IoError("フォルダは表として読めません", path);
      if (S_ISREG(info.st_mode)) expected += static_cast<std::uint64_t>(info.st_size);
    }

    std::unique_ptr<core::SpooledRecordStore> spool = MakeSpool(parsed);
    core::TableImporter importer(parsed.options, *spool, &report);
    importer.ExpectBytes(expected);
    std::vector<std::optional<core::FileId>> inputs;  // the regular files read
    for (const std::string& path : parsed.tables) {
      table = path;
      const std::unique_ptr<formats::OpenedTable> opened =
          formats::OpenTable(path, standardInput, opening);
      importer.Read(opened->Rows(), path);
      inputs.push_back(opened->Id());
      for (const core::FileId& other : opened->OtherIds())
        inputs.push_back(other);
    }
    table = parsed.tables.front();
    const core::ImportResult result = importer.Finish();
    for (const std::string& warning : result.warnings)
      report.Warn(warning);
    if (system) {
      for (const std::string& note : system->Notes())
        report.Warn(note);
    }
    report.Flush();

    // No table read, even through standard input, is ever written over.
    auto refuseInput = [&](const std::optional<core::FileId>& output, const std::string& path) {
      for (const std::optional<core::FileId>& input : inputs) {
        if (input && output == input) {
          throw core::IoError("読んでいる表そのものには書きません", path);
        }
      }
    };
    if (!parsed.output.empty()) {
      if (fs::is_directory(parsed.output)) {
        throw core::IoError("フォルダには書けません。ファイル名を指定してください", parsed.output);
      }
      refuseInput(core::IdOfFile(parsed.output), parsed.output);
    }
    const long rejected = [&] {
      long total = 0;
      for (size_t k = 0; k < result.refused.size(); ++k)
        if (static_cast<core::Refusal>(k) != core::Refusal::Duplicate) total += result.refused[k];
      return total;
    }();
    auto producer = [&](const core::ImportedFile& file) -> core::ByteProducer {
      return [&importer, &file](const std::function<void(std::string_view)>& write) {
        importer.WriteFile(file, write);
      };
    };
    if (result.files.empty()) {
      err << kName << ": 書ける記録がないので、何も書きませんでした\n";
    } else if (!parsed.outDir.empty()) {
      // Every name is checked before anything is written, and the files take their
      // places together or not at all.
      core::FolderSave save(parsed.outDir);
      for (const core::ImportedFile& file : result.files) {
        const core::FolderSave::Entry entry = save.Check(file.fileName);
        if (entry.exists) refuseInput(entry.id, save.PathOf(file.fileName));
      }
      for (const core::ImportedFile& file : result.files)
        save.Add(file.fileName, producer(file));
      save.Commit();
    } else if (!parsed.output.empty()) {
      core::SaveFileAtomically(parsed.output, producer(result.files.front()));
    } else {
      importer.WriteFile(result.files.front(), [&](std::string_view piece) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
      });
      out.flush();
      if (!out) {
        err << kName << ": 結果を書き込めません\n";
        return 2;
      }
    }
    err << kName << ": " << core::ImportSummary(result) << '\n';
    return rejected > 0 || result.files.empty() ? 1 : 0;
  } catch (const core::IoError& error) {
    report.Flush();
    err << kName << ": " << error.Path() << ": " << error.what() << '\n';
    return 2;
  } catch (const core::ConversionError& error) {
    report.Flush();
    err << kName << ": " << error.what() << '\n';
    return 2;
  } catch (const std::invalid_argument& error) {
    report.Flush();
    err << kName << ": " << table << ": " << error.what() << '\n';
    return 2;
  } catch (const std::bad_alloc&) {
    report.Flush();
    err << kName << ": メモリが足りません\n";
    return 2;
  }
}

}  // namespace tableimport
