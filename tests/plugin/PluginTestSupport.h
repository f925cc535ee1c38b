// Small helpers shared by the plug-in tests: a scratch folder, scoped environment variables,
// file contents.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class TScratchFolder {
public:
  TScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ocuvane-plugin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) FPath = pattern;
  }
  ~TScratchFolder() {
    std::error_code ignored;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ignored);
  }
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return FPath + "/" + name; }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FPath)) names.push_back(entry.path().filename());
    return names;
  }

private:
  std::string FPath;
};

// Sets (or with nullopt unsets) an environment variable for the lifetime of the object.
class TScopedEnv {
public:
  TScopedEnv(const char* name, std::optional<std::string> value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~TScopedEnv() {
    if (FOld)
      ::setenv(FName.c_str(), FOld->c_str(), 1);
    else
      ::unsetenv(FName.c_str());
  }

private:
  std::string FName;
  std::optional<std::string> FOld;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}
