#include "persist/optionsfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

class OptionsFileTest : public ::testing::Test {
 protected:
  OptionsFileTest() {
    for (const char* name : {"XDG_CONFIG_HOME", "HOME"})
      if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
  }
  ~OptionsFileTest() override {
    unsetenv("XDG_CONFIG_HOME");
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  }
  testing::TempFolder folder;

 private:
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(OptionsFileTest, DataFolderFollowsTheConfigurationFolders) {
  setenv("XDG_CONFIG_HOME", folder.Path("config/").c_str(), 1);
  EXPECT_EQ(DataFolder(false, "/prog/"), folder.Path("config/") + "Vandoriq/Trellimap/");
  EXPECT_FALSE(std::filesystem::exists(folder.Path("config")));  // reading never creates it
  const std::string made = DataFolder(true, "/prog/");
  EXPECT_TRUE(std::filesystem::is_directory(made));  // writing creates it with its parents

  setenv("XDG_CONFIG_HOME", "", 1);
  setenv("HOME", folder.Path("home").c_str(), 1);
  EXPECT_EQ(DataFolder(false, "/prog/"), folder.Path("home") + "/.config/Vandoriq/Trellimap/");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  EXPECT_EQ(DataFolder(true, "/prog/"), "/prog/");
}

TEST_F(OptionsFileTest, LanguageRoundTripsAndOddFilesMeanEnglish) {
  const std::string dir = folder.Path("");
  EXPECT_EQ(ReadOptions(dir), 0);  // no file
  ASSERT_TRUE(WriteOptions(dir, 1));
  EXPECT_EQ(std::filesystem::file_size(dir + "options.dat"), 4u);
  EXPECT_EQ(ReadOptions(dir), 1);
  ASSERT_TRUE(WriteOptions(dir, 29));
  EXPECT_EQ(ReadOptions(dir), 29);
  for (const auto& bytes : {std::vector<uint8_t>{1, 0}, {30, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}, {}}) {
    folder.Write("options.dat", bytes);
    EXPECT_EQ(ReadOptions(dir), 0);
  }
  EXPECT_FALSE(WriteOptions(folder.Path("missing/"), 1));
}

}  // namespace
}  // namespace trellimap
