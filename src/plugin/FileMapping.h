// A file on disk seen through memory mappings. The plug-in writes and reads the exchange file
// with it, and the editor rewrites the same file in place; plain C++ for both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TMapAccess { Read, Write };  // Write permits reading too

class TFileMapping {
public:
  // Opens FileName for reading and writing and creates it (mode 0600) when it does not exist;
  // an existing file is opened as it is. Whether that worked is IsOpen(). Never use this to
  // look at a file the user named: HasExchangeMagic probes without creating anything.
  explicit TFileMapping(const std::string& FileName);
  ~TFileMapping();  // releases every view still mapped, then closes the file

  TFileMapping(const TFileMapping&) = delete;
  TFileMapping& operator=(const TFileMapping&) = delete;

  bool IsOpen() const { return FFile >= 0; }

  // The file's current size in bytes (all 64 bits).
  std::uint64_t GetSize() const;

  // Maps Size bytes from Offset (Size 0: to the end of the mapping) and returns the address of
  // byte Offset, or nullptr when the file is empty, the range lies outside the mapping or the
  // system refuses.
  void* MapView(std::uint64_t Offset, std::uint64_t Size, TMapAccess Access);
  void UnmapView(void* Address);

  // Makes the file exactly Size bytes long, with its blocks allocated, so that writing through
  // a view cannot fault on a full disk. The mapping then covers the new size. Views mapped
  // earlier must have been released. On failure returns false and LastError() says why; the
  // mapping keeps covering what the file actually holds.
  bool SetSize(std::uint64_t Size);

  const std::string& LastError() const { return FError; }

private:
  struct TView {
    void* Base;
    std::size_t Length;
    void* Address;
  };

  int FFile = -1;
  std::uint64_t FMapping = 0;  // bytes the mapping covers: the file size when last looked at
  std::vector<TView> FViews;
  std::string FFileName;
  std::string FError;

  void UpdateMapping();
};
