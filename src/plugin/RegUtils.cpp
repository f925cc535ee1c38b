#include "RegUtils.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#ifndef OCUVANE_INSTALL_XDG_DIR
#define OCUVANE_INSTALL_XDG_DIR "/usr/local/etc/xdg"
#endif
// The editor relative to the folder the plug-in is installed in.
#ifndef OCUVANE_PLUGIN_TO_EDITOR
#define OCUVANE_PLUGIN_TO_EDITOR "../../bin/ocuvane"
#endif

namespace {

// Key files are a line or two; anything larger is not one of ours.
constexpr std::size_t MaximumKeyFileSize = 64 * 1024;
// A value longer than the longest path the system accepts cannot name an executable.
constexpr std::size_t MaximumValueLength = 4096;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The user's key-file folder, or empty when there is none. Relative entries are ignored, as the
// base-directory rules ask.
std::string UserKeyFileFolder() {
  std::string home = Environment("XDG_CONFIG_HOME");
  if (home.empty() || home.front() != '/') {
    const std::string userHome = Environment("HOME");
    home = userHome.empty() ? std::string() : userHome + "/.config";
  }
  return home;
}

std::vector<std::string> SystemKeyFileFolders() {
  std::vector<std::string> folders;
  std::string dirs = Environment("XDG_CONFIG_DIRS");
  if (dirs.empty()) dirs = "/etc/xdg";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string folder = dirs.substr(start, end - start);
    if (!folder.empty() && folder.front() == '/') folders.push_back(folder);
    start = end + 1;
  }
  folders.push_back(OCUVANE_INSTALL_XDG_DIR);
  return folders;
}

enum class TKeyFile { Missing, Read, Unreadable };

// Reads the key file Key under Folder into Contents.
TKeyFile ReadKeyFile(const std::string& Folder, const std::string& Key, std::string& Contents) {
  const std::string path = Folder + "/" + Key;
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path, ignored)) return TKeyFile::Missing;
  std::ifstream file(path, std::ios::binary);
  if (!file) return TKeyFile::Missing;
  Contents.assign(MaximumKeyFileSize + 1, '\0');
  file.read(Contents.data(), std::streamsize(Contents.size()));
  const auto got = std::size_t(file.gcount());
  if (file.bad() || got > MaximumKeyFileSize) return TKeyFile::Unreadable;
  Contents.resize(got);
  return TKeyFile::Read;
}

// The default value of the first key file under Folders; nothing when there is no key file there.
std::optional<std::string> FirstEditorKey(const std::vector<std::string>& Folders) {
  for (const std::string& folder : Folders) {
    std::string contents;
    const TKeyFile state = ReadKeyFile(folder, OcuvaneEditorKey, contents);
    if (state == TKeyFile::Missing) continue;
    if (state == TKeyFile::Unreadable) return std::string();
    return ParseKeyFileValue(contents, "").value_or(std::string());
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> KeyFileFolders() {
  std::vector<std::string> folders;
  const std::string home = UserKeyFileFolder();
  if (!home.empty()) folders.push_back(home);
  for (std::string& folder : SystemKeyFileFolders()) folders.push_back(std::move(folder));
  return folders;
}

std::string EditorBesideModule(const std::string& ModulePath) {
  if (ModulePath.empty()) return std::string();
  std::error_code error;
  // A module linked into another host's plug-in folder still belongs to the installation it links to.
  const std::filesystem::path module = std::filesystem::weakly_canonical(std::filesystem::absolute(ModulePath, error), error);
  if (error || !module.has_parent_path()) return std::string();
  const std::filesystem::path editor = (module.parent_path() / OCUVANE_PLUGIN_TO_EDITOR).lexically_normal();
  if (!std::filesystem::is_regular_file(editor, error) || ::access(editor.c_str(), X_OK) != 0) return std::string();
  return editor.string();
}

std::string FindEditor(const std::string& ModulePath) {
  const std::string home = UserKeyFileFolder();
  if (!home.empty())
    if (std::optional<std::string> editor = FirstEditorKey({home})) return *editor;
  if (std::string editor = EditorBesideModule(ModulePath); !editor.empty()) return editor;
  return FirstEditorKey(SystemKeyFileFolders()).value_or(std::string());
}

std::optional<std::string> ParseKeyFileValue(std::string_view Contents, std::string_view ValueName) {
  std::size_t start = 0;
  bool first = true;
  while (start < Contents.size() || (first && start == 0)) {
    std::size_t end = Contents.find('\n', start);
    if (end == std::string_view::npos) end = Contents.size();
    std::string_view line = WithoutLineEnd(Contents.substr(start, end - start));
    std::optional<std::string_view> value;
    if (first) {
      if (ValueName.empty()) value = line;
    } else if (!ValueName.empty() && line.size() > ValueName.size() && line.substr(0, ValueName.size()) == ValueName &&
               line[ValueName.size()] == '=') {
      value = line.substr(ValueName.size() + 1);
    }
    if (value) {
      std::string_view text = *value;
      const std::size_t nul = text.find('\0');
      if (nul != std::string_view::npos) text = text.substr(0, nul);
      if (text.size() > MaximumValueLength) return std::nullopt;
      return std::string(text);
    }
    first = false;
    start = end + 1;
  }
  return std::nullopt;
}

std::string ReadRegString(const std::string& ValueName, const std::string& Default, const std::string& Key) {
  for (const std::string& folder : KeyFileFolders()) {
    std::string contents;
    const TKeyFile state = ReadKeyFile(folder, Key, contents);
    if (state == TKeyFile::Missing) continue;
    if (state == TKeyFile::Unreadable) return Default;
    return ParseKeyFileValue(contents, ValueName).value_or(Default);
  }
  return Default;
}
