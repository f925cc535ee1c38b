// Parses arbitrary bytes as a settings file, then looks up every element of the levels along the
// path of first children, the way the settings owners do, and frees the tree.
#include "QvSDF.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TQvSDFReader Reader(QByteArray(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size)));
  for (const auto& Node : Reader.Root().Nodes) {
    if (Reader.EnterNode(Node->Id, QvSettingsGuid::MainForm)) Reader.LeaveNode();
  }
  for (int Level = 0; Level < 10000; ++Level) {
    const TQvSDFItems& Items = Reader.Current() ? Reader.Current()->Items : Reader.Root();
    std::int32_t I = 0;
    bool B = false;
    QString S;
    QByteArray Bytes;
    unsigned char Buffer[44];
    Reader.ReadInteger(0, I);
    for (const auto& E : Items.Elements) {
      Reader.ReadInteger(E->Id, I);
      Reader.ReadBoolean(E->Id, B);
      Reader.ReadWideString(E->Id, S);
      Reader.ReadBuffer(E->Id, Buffer, sizeof Buffer);
      Reader.ReadBytes(E->Id, Bytes);
    }
    if (Items.Nodes.empty() || !Reader.EnterNode(Items.Nodes.front()->Id)) break;
  }
  Reader.ReturnToTopLevel();
  return 0;
}
