// A CSCA master list file: the CMS SignedData, the CscaMasterList and the
// check of the list's own signature.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzSupport.h"
#include "trust/MasterList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TMasterList list = ReadMasterList(std::span<const std::uint8_t>(data, size));
  if (!list.Readable && (!list.Certificates.empty() || list.SignatureValid))
    Finding("an unreadable list gave something");
  if (list.Readable && list.SignatureText.empty()) Finding("no signature line");
  return 0;
}
