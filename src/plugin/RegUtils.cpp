#include "RegUtils.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifndef OCUVANE_INSTALL_XDG_DIR
#define OCUVANE_INSTALL_XDG_DIR "/usr/local/etc/xdg"
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

}  // namespace

std::vector<std::string> KeyFileFolders() {
  std::vector<std::string> folders;
  // Relative entries are ignored, as the base-directory rules ask.
  std::string home = Environment("XDG_CONFIG_HOME");
  if (home.empty() || home.front() != '/') {
    const std::string userHome = Environment("HOME");
    home = userHome.empty() ? std::string() : userHome + "/.config";
  }
  if (!home.empty()) folders.push_back(home);

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
    const std::string path = folder + "/" + Key;
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) continue;
    std::ifstream file(path, std::ios::binary);
    if (!file) continue;
    std::string contents(MaximumKeyFileSize + 1, '\0');
    file.read(contents.data(), std::streamsize(contents.size()));
    const auto got = std::size_t(file.gcount());
    if (file.bad() || got > MaximumKeyFileSize) return Default;
    contents.resize(got);
    return ParseKeyFileValue(contents, ValueName).value_or(Default);
  }
  return Default;
}
