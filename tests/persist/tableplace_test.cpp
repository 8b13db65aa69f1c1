#include "persist/tableplace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

// A program folder of its own keeps its table; an installed program reads the
// shipped table until the user has a copy, and always saves to the user's.
TEST(TablePlace, BuildTreesKeepTheirTableInstalledProgramsUseTheUsersCopy) {
  testing::TempFolder root;
  const std::string data = root.Path("data/");
  setenv("XDG_DATA_HOME", data.c_str(), 1);

  std::filesystem::create_directories(root.Path("build"));
  const std::string build = root.Path("build/");
  TablePlace place = ChooseTablePlace(build);
  EXPECT_EQ(place.read, build + "translate.dat");  // none yet: made there, as ever
  EXPECT_EQ(place.save, build + "translate.dat");
  root.Write("build/translate.dat", {0});
  EXPECT_EQ(ChooseTablePlace(build).save, build + "translate.dat");

  std::filesystem::create_directories(root.Path("prefix/bin"));
  std::filesystem::create_directories(root.Path("prefix/share/trellimap"));
  const std::string installed = root.Write("prefix/share/trellimap/translate.dat", {0});
  const std::string bin = root.Path("prefix/bin/");
  const std::string user = data + "Vandoriq/Trellimap/translate.dat";
  place = ChooseTablePlace(bin);
  EXPECT_TRUE(std::filesystem::equivalent(place.read, installed));
  EXPECT_EQ(place.save, user);
  EXPECT_TRUE(std::filesystem::is_directory(data + "Vandoriq/Trellimap"));
  root.Write("data/Vandoriq/Trellimap/translate.dat", {0});
  EXPECT_EQ(ChooseTablePlace(bin).read, user);
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace trellimap
