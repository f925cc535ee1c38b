// OcuvanePlugin.8bf: the module a host loads. It exports ENTRYPOINT and nothing else.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include <dlfcn.h>

#include "ExternalPhotoshopFilter.h"
#include "PluginPropertyList.h"
#include "RegUtils.h"

namespace {

// The property list, in a section of its own so that a host can find it in the file.
__attribute__((section("pipl"), used)) const auto OcuvanePropertyList = PluginPropertyList;

const char* const AboutText =
    "Ocuvane Plug-in\n"
    "Version: 3.13.0\n"
    "Opens the image in the Ocuvane editor; retouch it there and press OK to bring it back.";
const char* const AboutCaption = "About Ocuvane Plug-in";

// Where the host loaded this module from; empty when the loader cannot say.
std::string ModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || !info.dli_fname) return std::string();
  return info.dli_fname;
}

// Creates the one filter when the host loads the module and frees it when the host unloads it.
struct TPluginModule {
  TPluginModule() noexcept {
    try {
      auto* filter = new TExternalPhotoshopFilter(FindEditor(ModulePath()), AboutText, AboutCaption);
      filter->Initialize();
    } catch (const std::exception& error) {
      // Without a filter every selector answers -30100; say why once.
      std::fprintf(stderr, "Error: the Ocuvane plug-in cannot start: %s\n", error.what());
    } catch (...) {
      std::fprintf(stderr, "Error: the Ocuvane plug-in cannot start.\n");
    }
  }
  ~TPluginModule() { delete CurrentFilter(); }
};

TPluginModule Module;

}  // namespace

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(std::int16_t selector, void* record,
                                                                  std::intptr_t* data, std::int16_t* result) {
  DispatchSelector(selector, record, data, result);
}
