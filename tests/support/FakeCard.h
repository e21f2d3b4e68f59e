#pragma once
// Test doubles below the access layer: a PC/SC API whose card answers are
// scripted per command (recording every command sent) and a random source of
// known bytes.

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/RandomSource.h"
#include "reader/PcscApi.h"
#include "support/Hex.h"
#include "support/ScopedSeam.h"

inline constexpr std::int32_t kCardRemoved = ScardCode(kScardWRemovedCard);

struct TAnswer {
  TBytes Bytes;
  std::int32_t Result = 0;
};

// A card reached through the PC/SC seam. Each command gets, in this order of
// precedence: the next canned answer of Script, or the Responder's answer
// (passed through Tamper[index] when one is set for that command).
class TFakeCardApi : public TPcscApi {
public:
  using TResponder = std::function<TAnswer(const TBytes& command)>;
  using TTamper = std::function<TAnswer(TAnswer chipAnswer)>;

  // Installs itself as the process-wide PC/SC API for its lifetime.
  TFakeCardApi() : seam_(*this, PcscApi, SetPcscApi) {}

  std::int32_t EstablishContext(std::uint32_t, TScardContext& context) override;
  std::int32_t ListReaders(TScardContext, std::span<std::uint8_t>, std::uint32_t& length) override;
  std::int32_t Connect(TScardContext, const std::string&, std::uint32_t, std::uint32_t, TScardHandle& card,
                       std::uint32_t& activeProtocol) override;
  std::int32_t Transmit(TScardHandle, std::uint32_t, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override;
  std::int32_t Disconnect(TScardHandle, std::uint32_t) override;

  // Forgets the commands, the script and the tampering: command indices start at 0 again.
  void Reset();

  std::vector<TAnswer> Script;  // consumed from the front
  TResponder Responder;
  std::map<std::size_t, TTamper> Tamper;  // by command index, 0-based

  std::vector<TBytes> Commands;              // every command sent
  std::vector<bool> ResponseBufferWasClear;  // per command: RecvBuf all zero when it was sent

private:
  TScopedSeam<TPcscApi> seam_;
  std::size_t scriptPosition_ = 0;
};

// Delivers the given bytes in order; installs itself for its lifetime.
class TFixedRandomSource : public TRandomSource {
public:
  explicit TFixedRandomSource(TBytes bytes);
  void Fill(std::span<std::uint8_t> bytes) override;
  std::size_t Remaining() const { return bytes_.size() - position_; }

private:
  TBytes bytes_;
  std::size_t position_ = 0;
  TScopedSeam<TRandomSource> seam_;
};

// Tamper helpers.
TAnswer ConnectionLost(TAnswer);
// Replaces the answer by a bare status word.
TFakeCardApi::TTamper StatusOnly(std::uint16_t status);
// Flips one bit of the byte at index (counted from the end when negative).
TFakeCardApi::TTamper FlipByte(int index);
