#include "tools/pacechip/PaceSessionForgery.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <eac/eac.h>
#include <openssl/bn.h>
#include <openssl/buffer.h>

#include "crypto/OpenSslPointers.h"
#include "tools/pacechip/EacBuffers.h"
#include "tools/simchip/Apdu.h"
#include "tools/simchip/Tlv.h"

namespace pacechip {

namespace {

using simchip::TBytes;

// The value of the first object with this tag among those laid end to end.
std::optional<std::span<const std::uint8_t>> FindObject(std::span<const std::uint8_t> objects, std::uint16_t tag) {
  for (std::size_t at = 0; at < objects.size();) {
    const auto object = simchip::ReadTlv(objects.subspan(at));
    if (!object) return std::nullopt;
    if (object->Tag == tag) return object->Value;
    at += object->Size;
  }
  return std::nullopt;
}

// The counter one step on for the pending command, put back as it was afterwards.
class TCounterAhead {
public:
  explicit TCounterAhead(EAC_CTX& eac) : eac_(eac), saved_(BN_dup(eac.ssc)) {
    if (!saved_ || !EAC_increment_ssc(&eac_)) throw std::runtime_error("OpenPACE counter");
  }
  ~TCounterAhead() { BN_copy(eac_.ssc, saved_.get()); }
  TCounterAhead(const TCounterAhead&) = delete;
  TCounterAhead& operator=(const TCounterAhead&) = delete;

private:
  EAC_CTX& eac_;
  TSecretBignumPtr saved_;
};

}  // namespace

std::optional<TCommandApdu> UnwrapPendingCommand(const TOpenPaceChip& chip, std::span<const std::uint8_t> command) {
  EAC_CTX* eac = chip.SessionContext();
  const std::optional<TCommandApdu> wrapped = ParseCommand(command);
  if (!eac || !wrapped) return std::nullopt;
  TCommandApdu plain{0x00, wrapped->Ins, wrapped->P1, wrapped->P2, {}, std::nullopt};
  const std::span<const std::uint8_t> objects(wrapped->Data);
  if (const auto do87 = FindObject(objects, 0x87); do87 && do87->size() > 1) {
    const TCounterAhead ahead(*eac);
    const TBuf deciphered(EAC_decrypt(eac, BufOf(do87->subspan(1)).get()));
    const TBuf unpadded(deciphered ? EAC_remove_iso_pad(deciphered.get()) : nullptr);
    if (!unpadded) return std::nullopt;
    plain.Data = BytesOf(unpadded.get());
  }
  if (const auto do97 = FindObject(objects, 0x97); do97 && do97->size() == 1)
    plain.Le = (*do97)[0] == 0 ? 256 : (*do97)[0];
  return plain;
}

std::optional<TBytes> WrapAsLastAnswer(const TOpenPaceChip& chip, std::span<const std::uint8_t> data,
                                       std::uint16_t status) {
  EAC_CTX* eac = chip.SessionContext();
  if (!eac) return std::nullopt;
  const TBytes statusBytes{static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status)};
  TBytes body;
  if (!data.empty()) {
    const TBuf padded(EAC_add_iso_pad(eac, BufOf(data).get()));
    const TBuf cryptogram(EAC_encrypt(eac, padded.get()));
    if (!cryptogram) throw std::runtime_error("OpenPACE cannot encipher");
    TBytes value{0x01};
    simchip::Append(value, BytesOf(cryptogram.get()));
    body = simchip::MakeTlv(0x87, value);
  }
  simchip::Append(body, simchip::MakeTlv(0x99, statusBytes));
  const TBuf paddedBody(EAC_add_iso_pad(eac, BufOf(body).get()));
  const TBuf mac(EAC_authenticate(eac, paddedBody.get()));
  if (!mac) throw std::runtime_error("OpenPACE cannot authenticate");
  simchip::Append(body, simchip::MakeTlv(0x8E, BytesOf(mac.get())));
  simchip::Append(body, statusBytes);
  return body;
}

std::optional<TBytes> UnwrapLastAnswer(const TOpenPaceChip& chip, std::span<const std::uint8_t> answer) {
  EAC_CTX* eac = chip.SessionContext();
  if (!eac || answer.size() < 2) return std::nullopt;
  const auto do87 = FindObject(answer.first(answer.size() - 2), 0x87);
  if (!do87 || do87->size() <= 1) return TBytes{};
  const TBuf deciphered(EAC_decrypt(eac, BufOf(do87->subspan(1)).get()));
  const TBuf unpadded(deciphered ? EAC_remove_iso_pad(deciphered.get()) : nullptr);
  if (!unpadded) return std::nullopt;
  return BytesOf(unpadded.get());
}

}  // namespace pacechip
