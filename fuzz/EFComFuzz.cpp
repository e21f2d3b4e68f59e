// DecodeEFCom and the EF.COM log lines over an EF.COM buffer: the input from
// position 0, the rest of the 256 bytes zero as the read command leaves them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "card/FileReading.h"
#include "document/EFCom.h"
#include "fuzz/FuzzSupport.h"
#include "reading/DocumentPresenter.h"
#include "reading/OpenDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto buffer = std::make_unique<TEFComBuffer>();
  std::copy_n(data, std::min(size, buffer->size()), buffer->begin());
  tEFComFile efCom;
  DecodeEFCom(*buffer, efCom);
  if (efCom.LDSVersion.Size() != 10 || efCom.UnicodeVersion.Size() != 10) Finding("version of another width");
  ShowEfCom(efCom, PiccView());
  return 0;
}
