#include "core/formats/ProjSystem.h"

#include <proj.h>

#include <cmath>
#include <stdexcept>

#include "core/Number.h"
#include "core/TextCodec.h"

namespace formats {

namespace {

constexpr char kTarget[] = "EPSG:6668";  // JGD2011, latitude then longitude

std::string CodeOf(PJ_CONTEXT* ctx, const PJ* object) {
  const char* authority = proj_get_id_auth_name(object, 0);
  const char* code = proj_get_id_code(object, 0);
  (void)ctx;
  if (!authority || !code) return "";
  return std::string(authority) + ":" + code;
}

std::string Accuracy(double metres) {
  if (metres < 0) return "精度不明";
  return "精度 " + core::FormatShortest(metres) + " m";
}

}  // namespace

struct ProjSystem::Proj {
  PJ_CONTEXT* ctx = nullptr;
  PJ* source = nullptr;
  PJ* target = nullptr;
  PJ_OPERATION_FACTORY_CONTEXT* factory = nullptr;
  PJ_OBJ_LIST* operations = nullptr;
  std::vector<PJ*> ops;    // instantiated as first used
  std::vector<long> used;  // points each operation moved
  long failed = 0;         // points no operation could take
  ~Proj() {
    for (PJ* op : ops)
      if (op) proj_destroy(op);
    if (operations) proj_list_destroy(operations);
    if (factory) proj_operation_factory_context_destroy(factory);
    if (target) proj_destroy(target);
    if (source) proj_destroy(source);
    if (ctx) proj_context_destroy(ctx);
  }
};

ProjSystem::ProjSystem(std::unique_ptr<Proj> proj) : m_proj(std::move(proj)) {}
ProjSystem::~ProjSystem() = default;

std::unique_ptr<ProjSystem> ProjSystem::Tokyo() {
  return FromDefinition("EPSG:4301");
}

std::unique_ptr<ProjSystem> ProjSystem::FromDefinition(std::string_view definition) {
  auto proj = std::make_unique<Proj>();
  proj->ctx = proj_context_create();
  if (!proj->ctx) throw std::invalid_argument("PROJ を使えません");
  // Only what is installed: a transformation never waits on, or differs by, the network.
  proj_context_set_enable_network(proj->ctx, 0);
  proj_log_level(proj->ctx, PJ_LOG_NONE);
  const std::string text(definition);
  const std::string shown = core::VisibleText(text.size() > 80 ? text.substr(0, 80) + "…" : text);
  PJ* made = text.find('\0') == std::string::npos ? proj_create(proj->ctx, text.c_str()) : nullptr;
  if (!made || !proj_is_crs(made)) {
    if (made) proj_destroy(made);
    throw std::invalid_argument("座標参照系「" + shown +
                                "」が分かりません（EPSG:6677 のようなコードで書きます）");
  }
  // A system tied to a datum shift (a shapefile's TOWGS84) or with heights is read by its
  // horizontal part, whose axes the positions are given in.
  PJ* horizontal = made;
  const PJ_TYPE type = proj_get_type(made);
  if (type == PJ_TYPE_COMPOUND_CRS) {
    horizontal = proj_crs_get_sub_crs(proj->ctx, made, 0);
  }
  PJ* plain = horizontal;
  if (horizontal && proj_get_type(horizontal) == PJ_TYPE_BOUND_CRS) {
    plain = proj_get_source_crs(proj->ctx, horizontal);
  }
  proj->source = horizontal;
  if (horizontal != made) proj_destroy(made);
  if (!proj->source || !plain) {
    if (plain && plain != proj->source) proj_destroy(plain);
    throw std::invalid_argument("座標参照系「" + shown + "」に水平の座標がありません");
  }
  const PJ_TYPE plainType = proj_get_type(plain);
  const bool angular =
      plainType == PJ_TYPE_GEOGRAPHIC_2D_CRS || plainType == PJ_TYPE_GEOGRAPHIC_3D_CRS;
  const bool projected = plainType == PJ_TYPE_PROJECTED_CRS;
  PJ* cs = proj_crs_get_coordinate_system(proj->ctx, plain);
  const char* direction = nullptr;
  const bool axisKnown = cs && proj_cs_get_axis_count(proj->ctx, cs) >= 2 &&
                         proj_cs_get_axis_info(proj->ctx, cs, 0, nullptr, nullptr, &direction,
                                               nullptr, nullptr, nullptr, nullptr);
  const std::string first = axisKnown && direction ? direction : "";
  if (cs) proj_destroy(cs);
  std::string name = proj_get_name(plain) ? proj_get_name(plain) : "";
  std::string code = CodeOf(proj->ctx, plain);
  if (code.empty()) code = CodeOf(proj->ctx, proj->source);
  if (plain != proj->source) proj_destroy(plain);
  if (!angular && !projected) {
    throw std::invalid_argument("座標参照系「" + shown + "」（" + name +
                                "）は緯度経度でも投影座標でもないので使えません");
  }

  proj->target = proj_create(proj->ctx, kTarget);
  proj->factory = proj_create_operation_factory_context(proj->ctx, nullptr);
  if (!proj->target || !proj->factory) throw std::invalid_argument("PROJ のデータが見つかりません");
  proj_operation_factory_context_set_grid_availability_use(
      proj->ctx, proj->factory, PROJ_GRID_AVAILABILITY_DISCARD_OPERATION_IF_MISSING_GRID);
  proj_operation_factory_context_set_spatial_criterion(proj->ctx, proj->factory,
                                                       PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
  proj->operations = proj_create_operations(proj->ctx, proj->source, proj->target, proj->factory);
  const int count = proj->operations ? proj_list_get_count(proj->operations) : 0;
  if (count <= 0) {
    throw std::invalid_argument("座標参照系「" + shown + "」（" + name +
                                "）から JGD2011 の緯度経度へ変換する方法が PROJ にありません");
  }
  proj->ops.assign(static_cast<size_t>(count), nullptr);
  proj->used.assign(static_cast<size_t>(count), 0);

  auto system = std::unique_ptr<ProjSystem>(new ProjSystem(std::move(proj)));
  system->m_name = core::VisibleText(name) + (code.empty() ? "" : " (" + code + ")");
  system->m_angular = angular;
  system->m_northFirst = first == "north" || first == "North";
  system->m_same = proj_is_equivalent_to_with_ctx(system->m_proj->ctx, system->m_proj->source,
                                                  system->m_proj->target, PJ_COMP_EQUIVALENT) != 0;
  return system;
}

std::vector<std::string> ProjSystem::NorthKeys() const {
  if (m_angular) return {};
  return m_northFirst ? std::vector<std::string>{"x", "northing", "北距"}
                      : std::vector<std::string>{"y", "northing", "北距"};
}

std::vector<std::string> ProjSystem::EastKeys() const {
  if (m_angular) return {};
  return m_northFirst ? std::vector<std::string>{"y", "easting", "東距"}
                      : std::vector<std::string>{"x", "easting", "東距"};
}

std::optional<std::pair<double, double>> ProjSystem::ToLatLon(double north, double east) {
  return m_northFirst ? AxesToLatLon(north, east) : AxesToLatLon(east, north);
}

std::optional<std::pair<double, double>> ProjSystem::AxesToLatLon(double first, double second) {
  Proj& p = *m_proj;
  if (!std::isfinite(first) || !std::isfinite(second)) {
    ++p.failed;
    return std::nullopt;
  }
  if (m_same) return std::pair{first, second};
  const PJ_COORD in = proj_coord(first, second, 0, 0);
  const int index = proj_get_suggested_operation(p.ctx, p.operations, PJ_FWD, in);
  if (index < 0 || index >= static_cast<int>(p.ops.size())) {
    ++p.failed;
    return std::nullopt;
  }
  const size_t i = static_cast<size_t>(index);
  if (!p.ops[i]) p.ops[i] = proj_list_get(p.ctx, p.operations, index);
  if (!p.ops[i]) {
    ++p.failed;
    return std::nullopt;
  }
  proj_errno_reset(p.ops[i]);
  const PJ_COORD out = proj_trans(p.ops[i], PJ_FWD, in);
  if (proj_errno(p.ops[i]) != 0 || !std::isfinite(out.v[0]) || !std::isfinite(out.v[1]) ||
      std::fabs(out.v[0]) > 90 || std::fabs(out.v[1]) > 360) {
    proj_errno_reset(p.ops[i]);
    ++p.failed;
    return std::nullopt;
  }
  ++p.used[i];
  return std::pair{out.v[0], out.v[1]};
}

std::vector<std::string> ProjSystem::Notes() const {
  const Proj& p = *m_proj;
  std::vector<std::string> notes;
  if (m_same) {
    notes.push_back("座標参照系: " + m_name + "。JGD2011 の緯度経度なので変換しません");
    return notes;
  }
  std::string used;
  for (size_t i = 0; i < p.ops.size(); ++i) {
    if (p.used[i] == 0 || !p.ops[i]) continue;
    const char* opName = proj_get_name(p.ops[i]);
    // A projection's inverse is a calculation, with no datum shift to be uncertain about.
    const bool conversion = proj_get_type(p.ops[i]) == PJ_TYPE_CONVERSION;
    std::string text = "「" + core::VisibleText(opName ? opName : "?") + "」（" +
                       (conversion ? std::string("投影の計算のみで誤差なし")
                                   : Accuracy(proj_coordoperation_get_accuracy(p.ctx, p.ops[i])));
    if (proj_coordoperation_has_ballpark_transformation(p.ctx, p.ops[i])) {
      text += "、測地系の違いを無視した概算";
    }
    text += "、" + std::to_string(p.used[i]) + " 点）";
    used += (used.empty() ? "" : "、") + text;
  }
  std::string note = "座標参照系: " + m_name + "。JGD2011 (EPSG:6668) の緯度経度へ PROJ の変換";
  note += used.empty() ? "で変換する点はありませんでした" : used + "で変換しました";
  notes.push_back(note);
  if (p.failed > 0) {
    notes.push_back(std::to_string(p.failed) + " 点は " + m_name +
                    " から緯度経度へ変換できませんでした（その行は書いていません）");
  }
  return notes;
}

}  // namespace formats
