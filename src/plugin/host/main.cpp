// ocuvane-filterhost IN OUT [--plugin PATH] [--planes 3|4] [--row-padding N]
//
// Runs a filter plug-in on a binary PPM/PAM image and writes the result. Exit status 0 when the
// filter returned 0; 1 when it returned anything else (the code is printed on standard error);
// 2 when the host itself cannot run (bad arguments, unreadable input, no plug-in).

#include <cstdio>
#include <cstdlib>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

#include "FilterHost.h"
#include "NetPbm.h"

#ifndef OCUVANE_INSTALLED_PLUGIN
#define OCUVANE_INSTALLED_PLUGIN "/usr/local/lib/ocuvane/OcuvanePlugin.8bf"
#endif
#ifndef OCUVANE_PROGRAMS_TO_PLUGIN
#define OCUVANE_PROGRAMS_TO_PLUGIN "../lib/ocuvane/OcuvanePlugin.8bf"
#endif

namespace {

int Usage() {
  std::fprintf(stderr, "usage: ocuvane-filterhost IN OUT [--plugin PATH] [--planes 3|4] [--row-padding N]\n");
  return 2;
}

// OcuvanePlugin.8bf beside this program (a build tree) when there is one, else the one installed
// with this program under whatever prefix, else the one of the configured prefix.
std::string DefaultPlugin() {
  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string folder(self, std::size_t(length));
    folder = folder.substr(0, folder.rfind('/') + 1);
    for (const char* relative : {"OcuvanePlugin.8bf", OCUVANE_PROGRAMS_TO_PLUGIN}) {
      const std::string path = folder + relative;
      if (::access(path.c_str(), R_OK) == 0) return path;
    }
  }
  return OCUVANE_INSTALLED_PLUGIN;
}

bool ParseInt(const char* text, long low, long high, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input, output, plugin = DefaultPlugin();
  long planes = 0, padding = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--plugin" && i + 1 < argc) {
      plugin = argv[++i];
    } else if (argument == "--planes" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 3, 4, planes)) return Usage();
    } else if (argument == "--row-padding" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 0, 4096, padding)) return Usage();
    } else if (!argument.empty() && argument[0] == '-') {
      return Usage();
    } else if (input.empty()) {
      input = argument;
    } else if (output.empty()) {
      output = argument;
    } else {
      return Usage();
    }
  }
  if (input.empty() || output.empty()) return Usage();

  THostImage image;
  std::string error;
  if (!ReadNetPbm(input, image, error)) {
    std::fprintf(stderr, "ocuvane-filterhost: %s\n", error.c_str());
    return 2;
  }
  image = ConvertHostImage(image, planes ? std::int32_t(planes) : image.Planes, padding);

  void* module = ::dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "ocuvane-filterhost: cannot load the plug-in: %s\n", ::dlerror());
    return 2;
  }
  auto entry = reinterpret_cast<TFilterHost::TEntry>(::dlsym(module, "ENTRYPOINT"));
  if (!entry) {
    std::fprintf(stderr, "ocuvane-filterhost: \"%s\" exports no ENTRYPOINT\n", plugin.c_str());
    ::dlclose(module);
    return 2;
  }

  int status = 0;
  {
    TFilterHost host(image);
    const std::int16_t result = host.Run(entry);
    std::printf("processEvent calls: %d\n", host.ProcessEventCalls);
    std::fflush(stdout);
    if (result != 0) {
      std::fprintf(stderr, "ocuvane-filterhost: the filter returned %d\n", result);
      status = 1;
    } else if (!WriteNetPbm(output, ConvertHostImage(host.Destination(), host.Destination().Planes, 0), error)) {
      std::fprintf(stderr, "ocuvane-filterhost: %s\n", error.c_str());
      status = 2;
    }
  }
  ::dlclose(module);
  return status;
}
