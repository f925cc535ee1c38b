// TFileMapping over real files, and the key-file lookup that replaces the registry.

#include <sys/stat.h>

#include <cstring>

#include "FileMapping.h"
#include "PluginTestSupport.h"
#include "RegUtils.h"

TEST(FileMapping, CreatesPrivateFileAndWritesThroughTheView) {
  TScratchFolder folder;
  const std::string path = folder / "exchange";
  {
    TFileMapping mapping(path);
    ASSERT_TRUE(mapping.IsOpen());
    EXPECT_EQ(0u, mapping.GetSize());
    EXPECT_EQ(nullptr, mapping.MapView(0, 0, TMapAccess::Write)) << "an empty file has nothing to map";
    ASSERT_TRUE(mapping.SetSize(10000));
    EXPECT_EQ(10000u, mapping.GetSize());
    auto* view = static_cast<std::uint8_t*>(mapping.MapView(0, 0, TMapAccess::Write));
    ASSERT_NE(nullptr, view);
    std::memcpy(view, "PSPF", 4);
    view[9999] = 0x5A;
    EXPECT_EQ(nullptr, mapping.MapView(0, 10001, TMapAccess::Read)) << "a view past the end is refused";
    EXPECT_EQ(nullptr, mapping.MapView(10000, 0, TMapAccess::Read));
    // An offset inside a page still gives the address of that byte.
    const auto* tail = static_cast<const std::uint8_t*>(mapping.MapView(9999, 1, TMapAccess::Read));
    ASSERT_NE(nullptr, tail);
    EXPECT_EQ(0x5A, *tail);
    mapping.UnmapView(const_cast<std::uint8_t*>(tail));
    mapping.UnmapView(view);
  }
  struct stat st {};
  ASSERT_EQ(0, ::stat(path.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777u);
  const std::string bytes = ReadWholeFile(path);
  ASSERT_EQ(10000u, bytes.size());
  EXPECT_EQ("PSPF", bytes.substr(0, 4));
  EXPECT_EQ('\x5A', bytes[9999]);
}

TEST(FileMapping, ShrinksInPlaceAndKeepsAnExistingFile) {
  TScratchFolder folder;
  const std::string path = folder / "existing";
  WriteWholeFile(path, std::string(5000, 'x'));
  TFileMapping mapping(path);
  EXPECT_EQ(5000u, mapping.GetSize()) << "opening must not truncate";
  ASSERT_TRUE(mapping.SetSize(40));
  EXPECT_EQ(40u, mapping.GetSize());
  EXPECT_EQ(nullptr, mapping.MapView(0, 41, TMapAccess::Read)) << "the mapping follows the new size";
  EXPECT_FALSE(mapping.SetSize(~std::uint64_t(0))) << "a size beyond the file offset range";
  EXPECT_FALSE(mapping.LastError().empty());
}

TEST(FileMapping, UnopenableFileReportsInsteadOfMapping) {
  TFileMapping mapping("/nonexistent-folder/exchange");
  EXPECT_FALSE(mapping.IsOpen());
  EXPECT_EQ(nullptr, mapping.MapView(0, 0, TMapAccess::Write));
  EXPECT_FALSE(mapping.SetSize(100));
  EXPECT_NE(std::string::npos, mapping.LastError().find("/nonexistent-folder/exchange"));
}

TEST(KeyFileValue, KeepsTheWholeValueAndLosesOnlyLineEndsOrATerminator) {
  struct Case {
    std::string contents;
    std::string valueName;
    std::optional<std::string> expected;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"/opt/ocuvane/bin/ocuvane\n", "", "/opt/ocuvane/bin/ocuvane"},
      // Regression: the last character was dropped when no terminator was stored.
      {"/usr/bin/ocuvane", "", "/usr/bin/ocuvane"},
      {"/usr/bin/ocuvane\0"s, "", "/usr/bin/ocuvane"},
      {"/usr/bin/ocuvane\r\n", "", "/usr/bin/ocuvane"},
      {"", "", ""},
      {"\nLanguage=1031\n", "", ""},
      {"/usr/bin/ocuvane\nLanguage=1031\r\n", "Language", "1031"},
      {"/usr/bin/ocuvane\nLanguage=1031\n", "Lang", std::nullopt},
      {"Language=1031\n", "Language", std::nullopt},  // the first line is the default value
      {std::string(5000, 'a'), "", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, ParseKeyFileValue(c.contents, c.valueName)) << "contents: " << c.contents;
}

TEST(ReadRegString, SearchesConfigHomeThenConfigDirsThenDefault) {
  TScratchFolder folder;
  const std::string home = folder / "home", first = folder / "dir1", second = folder / "dir2";
  TScopedEnv homeEnv("XDG_CONFIG_HOME", home);
  TScopedEnv dirsEnv("XDG_CONFIG_DIRS", first + ":relative/ignored:" + second);
  const std::string key = "Quillmere/Photo Plugins/Ocuvane";

  const std::vector<std::string> folders = KeyFileFolders();
  ASSERT_EQ(4u, folders.size());
  EXPECT_EQ(home, folders[0]);
  EXPECT_EQ(first, folders[1]);
  EXPECT_EQ(second, folders[2]);

  std::filesystem::create_directories(first + "/" + key);  // a folder where the file belongs is no key
  EXPECT_EQ("fallback", ReadRegString("", "fallback", key));
  WriteWholeFile(second + "/" + key, "/from/second\n");
  EXPECT_EQ("/from/second", ReadRegString("", "fallback", key));
  std::filesystem::remove(first + "/" + key);
  WriteWholeFile(first + "/" + key, "/from/first\n");
  EXPECT_EQ("/from/first", ReadRegString("", "fallback", key));
  WriteWholeFile(home + "/" + key, "/from/home");
  EXPECT_EQ("/from/home", ReadRegString("", "fallback", key));
  EXPECT_EQ("fallback", ReadRegString("Missing", "fallback", key)) << "the first key file found is the key";
}

TEST(ReadRegString, UnsetVariablesFallBackToHomeConfigAndEtcXdg) {
  TScopedEnv home("HOME", "/home/someone");
  TScopedEnv configHome("XDG_CONFIG_HOME", std::nullopt);
  TScopedEnv configDirs("XDG_CONFIG_DIRS", "");
  const std::vector<std::string> expected{"/home/someone/.config", "/etc/xdg", OCUVANE_INSTALL_XDG_DIR};
  EXPECT_EQ(expected, KeyFileFolders());
}

TEST(FindEditor, UserKeyThenOwnInstallationThenSystemKeys) {
  TScratchFolder folder;
  const std::string home = folder / "home", system = folder / "system", prefix = folder / "prefix";
  TScopedEnv homeEnv("XDG_CONFIG_HOME", home);
  TScopedEnv dirsEnv("XDG_CONFIG_DIRS", system);
  const std::string key = "Quillmere/Photo Plugins/Ocuvane";
  const std::string module = prefix + "/" OCUVANE_INSTALL_LIBDIR "/ocuvane/OcuvanePlugin.8bf";
  const std::string editor = prefix + "/" OCUVANE_INSTALL_BINDIR "/ocuvane";
  WriteWholeFile(module, "module");

  EXPECT_EQ("", FindEditor(module)) << "nothing names an editor yet";
  WriteWholeFile(system + "/" + key, "/from/system\n");
  EXPECT_EQ("/from/system", FindEditor(module));

  WriteWholeFile(editor, "#!/bin/sh\n");
  EXPECT_EQ("/from/system", FindEditor(module)) << "a file that cannot be run is no editor";
  std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
  EXPECT_EQ(editor, FindEditor(module)) << "the own installation comes before the system's key files";
  EXPECT_EQ("/from/system", FindEditor("")) << "a module that cannot say where it is goes by the system key files";

  // Linked into another host's folder, the module still finds the installation it belongs to.
  const std::string link = folder / "host-plugins/OcuvanePlugin.8bf";
  std::filesystem::create_directories(folder / "host-plugins");
  std::filesystem::create_symlink(module, link);
  EXPECT_EQ(editor, FindEditor(link));

  WriteWholeFile(home + "/" + key, "/from/home\n");
  EXPECT_EQ("/from/home", FindEditor(module)) << "the user's choice wins";
}
