#pragma once
// The chart window of a program in a fresh test folder, its map the test island, built
// once: what the output and plotting tests start from.

#include <QLineEdit>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "chart/TForm1.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace chart {

struct IslandWindow {
  std::filesystem::path root;
  platform::ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<TForm1> form;

  /// Fields set (name, text) before the build.
  explicit IslandWindow(const std::string& prefix,
                        std::initializer_list<std::pair<const char*, const char*>> fields = {}) {
    root = testsupport::FreshTestFolder(prefix);
    testsupport::WriteBytes(root / "island.mdt", testsupport::kIslandMap);
    auto owned = std::make_unique<platform::ScriptedDialogs>();
    dialogs = owned.get();
    form = std::make_unique<TForm1>(QStringList(), std::move(owned),
                                    testsupport::Q(root / "bin" / "Tarvo"));
    form->SetFixedClientSize(800, 600);
    Field("EditMapFile")->setText(testsupport::Q(root / "island.mdt"));
    // The sample a first start shows has no place on the island.
    Field("EditGrdFile")->clear();
    for (const auto& [name, text] : fields)
      Field(name)->setText(QString::fromUtf8(text));
  }
  QLineEdit* Field(const char* name) const {
    return form->findChild<QLineEdit*>(QString::fromLatin1(name));
  }
};

}  // namespace chart
