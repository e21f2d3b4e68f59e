// DecodeDG12 over the data group and whatever follows it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "document/DG12.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const std::optional<tDG12File> dg12 = DecodeDG12(bytes);
  if (!dg12) return 0;
  // Nothing taken may be longer than the input it came from.
  const auto fits = [size](const std::optional<std::string>& text) { return !text || text->size() <= 3 * size; };
  if (!fits(dg12->IssuingAuthority) || !fits(dg12->DateOfIssue) || !fits(dg12->Endorsements))
    Finding("value longer than the data group");
  if (dg12->FrontImageSize.value_or(0) > size || dg12->RearImageSize.value_or(0) > size)
    Finding("image size beyond the data group");
  return 0;
}
