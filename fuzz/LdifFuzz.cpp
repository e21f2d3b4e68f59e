// An ICAO PKD LDIF file: line folding, entries, base64 values and the
// master lists, certificates and CRLs they hold.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzSupport.h"
#include "trust/LdifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TLdifContents contents = ReadLdif(std::span<const std::uint8_t>(data, size));
  for (const TMasterList& list : contents.MasterLists)
    if (!list.Readable) Finding("an unreadable master list was kept");
  return 0;
}
