#pragma once

namespace conic {

/// A radio button of the settings panel, the menu item that selects it, the item's
/// caption and the code the button stands for, in the panel's order.
struct PanelItem {
  const char* radio;
  const char* item;
  const char* caption;
  int code;
};
/// Plotting precision (`GridSize`).
inline constexpr PanelItem kPrecisionItems[] = {
    {"GScale1", "StandardItem", "基準メッシュ表示", 1},
    {"GScale2", "PlotSize2Item", "２倍メッシュ表示", 2},
    {"GScale5", "PlotSize5Item", "５倍メッシュ表示", 5},
    {"GScale10", "PlotSize10Item", "２次メッシュ表示", 10},
    {"GScale0", "PlotSize0Item", "経緯度による表示", 0},
};

/// Sheet size (`SheetSize`).
inline constexpr PanelItem kSheetItems[] = {
    {"MapSizeWn", "ShowWnSizeItem", "窓幅に相当", 0},
    {"MapSizeA6", "ShowA6SizeItem", "Ａ６版相当", 1},
    {"MapSizeA5", "ShowA5SizeItem", "Ａ５版相当", 2},
    {"MapSizeA4", "ShowA4SizeItem", "Ａ４版相当", 3},
    {"MapSizeA3", "ShowA3SizeItem", "Ａ３版相当", 4},
};

}  // namespace conic
