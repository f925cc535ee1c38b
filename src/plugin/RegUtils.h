// Values of the plug-in's key files. A key is a relative path such as
// "Quillmere/Photo Plugins/Ocuvane"; the key file is looked up under $XDG_CONFIG_HOME (default
// ~/.config), then under each folder of $XDG_CONFIG_DIRS (default /etc/xdg), then under the
// install prefix's etc/xdg. The first key file that can be opened is the key.
//
// Key file contents: the first line is the key's default (unnamed) value; later lines of the
// form Name=Value hold named values. Line ends ("\n" or "\r\n") are not part of a value.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The key that names the editor executable.
inline constexpr const char* OcuvaneEditorKey = "Quillmere/Photo Plugins/Ocuvane";

// The value ValueName ("" for the default value) of Key, or Default when no key file exists or
// the value cannot be read.
std::string ReadRegString(const std::string& ValueName, const std::string& Default, const std::string& Key);

// The folders searched for key files, in order: the user's folder first, then the system's.
std::vector<std::string> KeyFileFolders();

// The editor the plug-in at ModulePath starts: the user's key file names it when there is one;
// else the editor installed under the same prefix as the module (found through the module's own
// location, so an installation works from any prefix without a key file); else the first system
// key file names it. Empty when none of them does.
std::string FindEditor(const std::string& ModulePath);

// The editor installed with the module at ModulePath ("<prefix>/<libdir>/ocuvane/<module>" gives
// "<prefix>/<bindir>/ocuvane"), or empty when there is no executable file there.
std::string EditorBesideModule(const std::string& ModulePath);

// The value ValueName of a key file's contents, or nothing when the contents do not hold it.
// A value ends at its first NUL: a writer that stored the terminator keeps exactly its text.
std::optional<std::string> ParseKeyFileValue(std::string_view Contents, std::string_view ValueName);
