#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ImportOptions.h"

namespace formats {

/// A coordinate reference system whose positions are made latitude and longitude on JGD2011
/// (EPSG:6668) with PROJ. PROJ lists the transformations it can carry out on this machine
/// (those whose grids are missing left out) and picks one for each point by its area and
/// accuracy, so a finer grid, where installed, is used by its own choice; which ones were
/// used, with their accuracy, is told in Notes.
class ProjSystem : public core::CoordinateSystem {
 public:
  /// A system the user named: "EPSG:6669", another authority's code, WKT or a PROJ string.
  /// Raises std::invalid_argument (Japanese message) for anything that is no coordinate
  /// reference system, or one PROJ has no way to JGD2011 from.
  static std::unique_ptr<ProjSystem> FromDefinition(std::string_view definition);
  /// The Tokyo Datum's latitude and longitude (EPSG:4301).
  static std::unique_ptr<ProjSystem> Tokyo();
  ~ProjSystem() override;
  ProjSystem(const ProjSystem&) = delete;
  ProjSystem& operator=(const ProjSystem&) = delete;

  bool Angular() const override { return m_angular; }
  std::vector<std::string> NorthKeys() const override;
  std::vector<std::string> EastKeys() const override;
  std::optional<std::pair<double, double>> ToLatLon(double north, double east) override;
  /// The same for a position given in the order of the system's own axes.
  std::optional<std::pair<double, double>> AxesToLatLon(double first, double second);

  /// Whether the first axis points north (latitude, or a plane rectangular zone's X).
  bool NorthFirst() const { return m_northFirst; }
  /// "Tokyo (EPSG:4301)": the system's name and code, as the report gives them.
  const std::string& Name() const { return m_name; }
  /// The system is JGD2011's latitude and longitude itself: nothing is transformed.
  bool IsTarget() const { return m_same; }
  /// What the report says: the system, and each transformation used with its accuracy and
  /// the number of points it moved; points no transformation could take.
  std::vector<std::string> Notes() const;

 private:
  struct Proj;
  explicit ProjSystem(std::unique_ptr<Proj> proj);
  std::unique_ptr<Proj> m_proj;
  std::string m_name;
  bool m_angular = true;
  bool m_northFirst = true;
  bool m_same = false;
};

}  // namespace formats
