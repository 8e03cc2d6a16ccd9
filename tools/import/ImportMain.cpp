#include "tools/import/ImportMain.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "core/Errors.h"
#include "core/FolderSave.h"
#include "core/Number.h"
#include "core/SaveFile.h"
#include "core/TableFile.h"
#include "core/TextCodec.h"

namespace tableimport {

namespace {

constexpr char kName[] = "tarvo-import";

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

}  // namespace

std::string ImportUsage() {
  return "使い方: tarvo-import TABLE [--group 列] [--category 列 [--bins 値,値…]]\n"
         "                    [--split-by 列 --out-dir フォルダ] [-o OUT.grd]\n"
         "                    [--program conic|chart] [--lat 列] [--lon 列] [--mesh 列]\n"
         "                    [--elevation 列] [--feet] [--swap-latlon] [--prefer-mesh]\n"
         "  CSV かタブ区切りの表（1 行目が見出し、UTF-8 か Shift-JIS）から分布データを作ります。\n"
         "  TABLE          表のファイル（- で標準入力）。CSV の値は \"…\" で囲めます。\n"
         "                 タブ区切りの表は引用符を使わない形（GBIF "
         "のダウンロードなど）として読みます\n"
         "  --group 列     --category "
         "のないとき、この列の値ごとにカテゴリを作り、値を見出しにする\n"
         "                 （既定: scientificName、学名、和名の順に見つかった列。--split-by "
         "だけの\n"
         "                 ときは分けた値そのものが一つの見出しになる）\n"
         "  --category 列  この列の値ごとにカテゴリを作る（現れた順。例: basisOfRecord）\n"
         "  --bins 値,…    --category の列を数として区切る（例: --category year --bins "
         "1950,1990）\n"
         "  --split-by 列  この列の値ごとに別のファイルにする（例: scientificName）\n"
         "  --out-dir DIR  --split-by のファイルを書くフォルダ（なければ作る）。全部のファイルを\n"
         "                 書き終えてから置き換え、一つでも書けなければどれも元のまま残す。\n"
         "                 同じ名前のシンボリックリンクがあれば、たどらず置き換えず、何も書かない\n"
         "  -o OUT.grd     書き出すファイル（なければ標準出力）。表そのもの（標準入力から読む\n"
         "                 表も）やフォルダには書かない\n"
         "  --program      conic（Tarvo_L、カテゴリ 5 つまで、既定）か chart（Tarvo、6 つまで）\n"
         "  --lat, --lon, --mesh, --elevation 列\n"
         "                 見出しで見つからない列を名前で指定する\n"
         "  --feet         単位のない標高をフィートとして読む（見出しが「(ft)」で終わる列も同じ）\n"
         "  --swap-latlon  緯度の列と経度の列を入れ替えて読む\n"
         "  --prefer-mesh  座標とメッシュコードの両方がある行でメッシュコードを使う\n"
         "  --version      版を出して終わる\n"
         "\n"
         "  読む見出し（大文字小文字・全角半角・空白と _ は区別しない）:\n"
         "    位置   decimalLatitude/decimalLongitude、緯度/経度、latitude/longitude、\n"
         "           verbatimLatitude/verbatimLongitude、verbatimCoordinates（一つの欄に両方）、\n"
         "           メッシュコード、メッシュ\n"
         "    標高   minimumElevationInMeters と maximumElevationInMeters（両方あれば平均）、\n"
         "           elevation、標高、altitude、verbatimElevation の順\n"
         "    名前   scientificName、学名、和名\n"
         "  どの列を使うか: 10 進の緯度経度の列が埋まっていればそれ、次に verbatim の列、次に\n"
         "  verbatimCoordinates、どれもない行はメッシュコード（--prefer-mesh "
         "でメッシュコードが先）。\n"
         "  緯度経度は 10 進、度分秒、度と 10 進の分（° ′ ″、' "
         "\"、度分秒、N/S/E/W、北緯・東経）で、\n"
         "  メッシュコードは 6〜9 桁（6441-0455 "
         "のような区切りは取り除く）、標高は数、範囲（平均）、\n"
         "  m、ft で書けます。\n"
         "  地図の範囲: 北緯 24〜46 度、東経 122〜149 度（Tarvo_L の地図と同じ）。conic では "
         "Tarvo_L が\n"
         "  どの打点精度でも範囲の中に描く記録だけを書く（北緯 46 度・東経 149 度の線上の点は\n"
         "  書かない）。chart では範囲の端を含め、メッシュコードは区画の南西の角で判定。標高は\n"
         "  -11000〜9000 m、0.1 m "
         "まで書く。範囲の外、座標のない行、読めない値の行は書かず、表のファイルの\n"
         "  行番号（見出しが 1 "
         "行目）と理由を標準エラーに出します。同じファイル・カテゴリの同じ記録は\n"
         "  一度だけ書き、後の行を重複として知らせます。空の行は飛ばします。\n"
         "  文字コード: BOM があれば UTF-8、なければ ASCII でない文字が最初に現れた所から\n"
         "  1 MiB を見て UTF-8 か Shift-JIS かを決めます。使う列にその文字コードで読めない\n"
         "  バイトがある行は書かずに知らせます。\n"
         "  終了コード: 0 すべての行を書いた、1 書かなかった行がある、2 "
         "使い方の誤り・表や出力の誤り\n";
}

ImportArgs ParseImportArgs(const std::vector<std::string>& args) {
  ImportArgs parsed;
  bool haveTable = false;
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
    } else if (haveTable) {
      throw std::invalid_argument("表は一つだけ指定してください");
    } else {
      parsed.table = arg;
      haveTable = true;
    }
  }
  if (!haveTable) throw std::invalid_argument("表のファイルを指定してください");
  if (!parsed.options.splitColumn.empty() && parsed.outDir.empty()) {
    throw std::invalid_argument("--split-by には --out-dir で書き出すフォルダを指定してください");
  }
  if (!parsed.outDir.empty() && parsed.options.splitColumn.empty()) {
    throw std::invalid_argument(
        "--out-dir は --split-by と一緒に使います（一つのファイルには -o）");
  }
  if (!parsed.outDir.empty() && !parsed.output.empty()) {
    throw std::invalid_argument("-o と --out-dir は一緒に使えません");
  }
  return parsed;
}

int ImportMain(const std::vector<std::string>& args, std::FILE* standardInput, std::ostream& out,
               std::ostream& err) {
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
  const std::string& table = parsed.table;
  try {
    core::TableFile bytes(table, standardInput);
    core::TableReader reader(bytes);
    const core::ImportResult result = core::ImportTable(reader, parsed.options);
    err << kName << ": " << result.columns << '\n';
    for (const std::string& warning : result.warnings)
      err << kName << ": 注意: " << warning << '\n';
    for (const std::string& line : core::ImportReport(result))
      err << table << ":" << line << '\n';

    // The table read, even through standard input, is never written over.
    const std::optional<core::FileId>& input = bytes.Id();
    auto refuseInput = [&](const std::optional<core::FileId>& output, const std::string& path) {
      if (input && output == input) {
        throw core::IoError("読んでいる表そのものには書きません", path);
      }
    };
    if (!parsed.output.empty()) {
      if (std::filesystem::is_directory(parsed.output)) {
        throw core::IoError("フォルダには書けません。ファイル名を指定してください", parsed.output);
      }
      refuseInput(core::IdOfFile(parsed.output), parsed.output);
    }
    const long rejected = static_cast<long>(result.rejections.size()) - result.duplicates;
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
        save.Add(file.fileName, core::EncodeImportedFile(file));
      save.Commit();
    } else if (!parsed.output.empty()) {
      core::SaveFileAtomically(parsed.output, core::EncodeImportedFile(result.files.front()));
    } else {
      out << core::EncodeImportedFile(result.files.front());
      out.flush();
      if (!out) {
        err << kName << ": 結果を書き込めません\n";
        return 2;
      }
    }
    err << kName << ": " << core::ImportSummary(result) << '\n';
    return rejected > 0 || result.files.empty() ? 1 : 0;
  } catch (const core::IoError& error) {
    err << kName << ": " << error.Path() << ": " << error.what() << '\n';
    return 2;
  } catch (const std::invalid_argument& error) {
    err << kName << ": " << table << ": " << error.what() << '\n';
    return 2;
  } catch (const std::bad_alloc&) {
    err << kName << ": メモリが足りません\n";
    return 2;
  }
}

}  // namespace tableimport
