#include "card/LengthLimitsLearning.h"

#include <array>
#include <optional>

#include "card/AtrInfo.h"
#include "reader/Atr.h"
#include "reader/CardCapabilities.h"
#include "reader/ReaderFeatures.h"

namespace {

// 00 A4 00 0C 02 2F 01: SELECT of EF.ATR/INFO by its identifier, in the master file.
TCommandApdu SelectAtrInfo() {
  return {0x00, kInsSelect, 0x00, 0x0C, {kEfAtrInfo >> 8, kEfAtrInfo & 0xFF}, std::nullopt};
}

std::optional<TChipApduLimits> ReadAtrInfo(TCardSession& session) {
  if (const TCardAnswer selected = session.TransmitPlain(SelectAtrInfo());
      !selected.Taken() || selected.Status() != kSwSuccess)
    return std::nullopt;
  const TCardAnswer read = session.TransmitPlain({0x00, kInsReadBinary, 0x00, 0x00, {}, kShortMaxAnswerData});
  if (!read.Taken() || (read.Status() != kSwSuccess && read.Status() != kSwEndOfFileWarning)) return std::nullopt;
  return ExtendedLengthInfo(read.Response.Data);
}

}  // namespace

void LearnLengthLimits(TCardSession& session) {
  TReaderLink& link = session.Link();
  TLengthLimits limits;
  limits.ReaderMaxData = AskMaxApduDataSize(PcscApi(), link.hCard);
  session.SetLengths(limits);
  if (!limits.ReaderExtended()) return;

  std::array<std::uint8_t, kMaxAtrSize> atr{};
  std::uint32_t atrLength = 0;
  const TAtrLengthFields fields =
      PcscApi().ReaderAtr(link.hContext, link.ReaderName, atr, atrLength) == kScardSuccess
          ? LengthFieldsOfAtr(std::span<const std::uint8_t>(atr).first(std::min<std::size_t>(atrLength, atr.size())))
          : TAtrLengthFields::Unknown;
  if (fields == TAtrLengthFields::Extended) {
    session.SetLengths(ChipWithExtendedLength(limits));
    return;
  }
  if (fields == TAtrLengthFields::Short) return;
  if (const std::optional<TChipApduLimits> info = ReadAtrInfo(session)) {
    limits.ChipMaxCommandData = info->MaxCommandData;
    limits.ChipMaxAnswerData = info->MaxAnswerData;
    session.SetLengths(limits);
  }
}
