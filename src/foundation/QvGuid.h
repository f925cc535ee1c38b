// TGUID: a 128-bit identifier with the classic field layout, and the identities of the settings owners.
#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

// A GUID as four fields: Data1 (32-bit), Data2 and Data3 (16-bit), Data4 (8 bytes).
// Its binary layout (ToBytes/FromBytes) stores Data1..Data3 little-endian, then Data4 as it is.
struct TGUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};

  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;

  // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional). In a constant expression a
  // malformed text is a compile error; at run time it throws std::invalid_argument.
  static constexpr TGUID Parse(std::string_view Text);
  // As Parse, but returns false (and leaves Value unchanged) on a malformed text.
  static bool TryParse(const QString& Text, TGUID& Value);

  // The 16-byte binary layout.
  constexpr std::array<std::uint8_t, 16> ToBytes() const;
  static constexpr TGUID FromBytes(const std::uint8_t* Bytes);  // reads exactly 16 bytes

  // "{7AF6D7FF-618B-41D9-882E-419D500DF28B}": upper-case hex, with braces.
  QString ToString() const;
  bool IsNull() const { return *this == TGUID{}; }
};

namespace QvGuidDetail {
constexpr int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}
// Parses Count hex digits at Text[Pos]; throws on a bad digit.
constexpr std::uint32_t Hex(std::string_view Text, std::size_t Pos, std::size_t Count) {
  std::uint32_t V = 0;
  for (std::size_t I = 0; I < Count; ++I) {
    const int D = HexDigit(Text[Pos + I]);
    if (D < 0) throw std::invalid_argument("TGUID: bad hex digit");
    V = V * 16 + static_cast<std::uint32_t>(D);
  }
  return V;
}
}  // namespace QvGuidDetail

constexpr TGUID TGUID::Parse(std::string_view Text) {
  if (Text.size() == 38) {
    if (Text.front() != '{' || Text.back() != '}') throw std::invalid_argument("TGUID: bad braces");
    Text = Text.substr(1, 36);
  }
  if (Text.size() != 36 || Text[8] != '-' || Text[13] != '-' || Text[18] != '-' || Text[23] != '-')
    throw std::invalid_argument("TGUID: bad layout");
  TGUID G;
  G.Data1 = QvGuidDetail::Hex(Text, 0, 8);
  G.Data2 = static_cast<std::uint16_t>(QvGuidDetail::Hex(Text, 9, 4));
  G.Data3 = static_cast<std::uint16_t>(QvGuidDetail::Hex(Text, 14, 4));
  G.Data4[0] = static_cast<std::uint8_t>(QvGuidDetail::Hex(Text, 19, 2));
  G.Data4[1] = static_cast<std::uint8_t>(QvGuidDetail::Hex(Text, 21, 2));
  for (std::size_t I = 0; I < 6; ++I)
    G.Data4[2 + I] = static_cast<std::uint8_t>(QvGuidDetail::Hex(Text, 24 + 2 * I, 2));
  return G;
}

constexpr std::array<std::uint8_t, 16> TGUID::ToBytes() const {
  std::array<std::uint8_t, 16> B{};
  for (int I = 0; I < 4; ++I) B[I] = static_cast<std::uint8_t>(Data1 >> (8 * I));
  B[4] = static_cast<std::uint8_t>(Data2);
  B[5] = static_cast<std::uint8_t>(Data2 >> 8);
  B[6] = static_cast<std::uint8_t>(Data3);
  B[7] = static_cast<std::uint8_t>(Data3 >> 8);
  for (int I = 0; I < 8; ++I) B[8 + I] = Data4[I];
  return B;
}

constexpr TGUID TGUID::FromBytes(const std::uint8_t* Bytes) {
  TGUID G;
  G.Data1 = std::uint32_t(Bytes[0]) | std::uint32_t(Bytes[1]) << 8 | std::uint32_t(Bytes[2]) << 16 |
            std::uint32_t(Bytes[3]) << 24;
  G.Data2 = static_cast<std::uint16_t>(Bytes[4] | Bytes[5] << 8);
  G.Data3 = static_cast<std::uint16_t>(Bytes[6] | Bytes[7] << 8);
  for (int I = 0; I < 8; ++I) G.Data4[I] = Bytes[8 + I];
  return G;
}

// Identities of the owners of top-level nodes in the settings file. Each owner writes
// BeginNode(1, its GUID) ... EndNode and reads EnterNode(1, its GUID) ... LeaveNode.
namespace QvSettingsGuid {
inline constexpr TGUID Editor = TGUID::Parse("{C0F4C248-34D7-4014-8116-24BEE9AB5C30}");          // TQvEditor
inline constexpr TGUID GraphicsEditor = TGUID::Parse("{E1195915-FFAE-4A56-B331-F4567336FF25}");  // TQvGraphicsEditor
inline constexpr TGUID MainForm = TGUID::Parse("{7AF6D7FF-618B-41D9-882E-419D500DF28B}");        // TMainForm
inline constexpr TGUID Help = TGUID::Parse("{3F084D7D-FB21-44A5-BA4F-B6FF3AE0B41D}");            // TQvHelp
inline constexpr TGUID DemonstrationModule =
    TGUID::Parse("{2032DB53-FE8E-4FB8-8457-43C5430C9D6B}");                                       // TQvDemonstrationModule
inline constexpr TGUID ToolPanelModule = TGUID::Parse("{9FC124C8-2014-4832-8878-3489538D623F}");  // TQvToolPanelModule
inline constexpr TGUID RedEyeTool = TGUID::Parse("{0D2C6322-B31A-4FCD-A7E4-71D628A95439}");       // TQvRedEyeTool
// The gleam tool carries the red-eye tool's value, so reading back finds the red-eye tool's node
// (the red-eye tool stands first in the registry).
inline constexpr TGUID GlareTool = RedEyeTool;                                                     // TQvGlareTool
inline constexpr TGUID BrightnessContrastTool =
    TGUID::Parse("{B395C67E-2462-4FDD-8BAD-8640A1A1EEDB}");                                       // TQvBrightnessContrastTool
inline constexpr TGUID UndoBrushTool = TGUID::Parse("{F4389003-82F6-42DE-8590-E63FF2CA7BF6}");    // TQvUndoBrushTool
inline constexpr TGUID Crop2Tool = TGUID::Parse("{FA533C1A-B74B-486B-BB5E-7AEA47608D79}");        // TQvCrop2Tool
inline constexpr TGUID TextTool = TGUID::Parse("{663FE753-B6FB-4703-B7E5-6E8A8E0DD5E0}");         // TQvTextTool
inline constexpr TGUID TWAIN = TGUID::Parse("{7CD54716-7786-4572-98B1-0847D89940AE}");             // TQvTWAIN
}  // namespace QvSettingsGuid

// Interface identities, for code that wants to name them (the C++ code tests interfaces with dynamic_cast).
namespace QvInterfaceGuid {
inline constexpr TGUID Settings = TGUID::Parse("{8E85B1DA-44F0-4B60-B45D-21D0EBC05E33}");          // IQvSettings
inline constexpr TGUID DocumentObserver = TGUID::Parse("{81AAE3E7-2E13-47DF-A573-63B5BC51D3F3}");  // IQvDocumentObserver
inline constexpr TGUID DemoTarget = TGUID::Parse("{337C31B6-B4C2-4951-AE25-F7644D01E59E}");        // IQvDemoTarget
}  // namespace QvInterfaceGuid
