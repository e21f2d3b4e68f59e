// DecodeDG11 over the DG11 held in the stream.
#include <cstddef>
#include <cstdint>
#include <span>

#include "card/MemoryStream.h"
#include "document/DG11.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream;
  stream.Write(std::span(data, size));
  tDG11File dg11;
  try {
    DecodeDG11(stream, dg11);
  } catch (const EReadError&) {
    return 0;
  }
  if (dg11.PersonalNumber.Size() > 100 || dg11.Telephone.Size() > 100) Finding("short text past its capacity");
  return 0;
}
