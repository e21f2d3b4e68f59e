#include "support/FakeCard.h"

#include <gtest/gtest.h>
#include <algorithm>

#include "reader/ApduExchange.h"

void TFakeCardApi::Reset() {
  Script.clear();
  scriptPosition_ = 0;
  Tamper.clear();
  Commands.clear();
  ResponseBufferWasClear.clear();
}

std::int32_t TFakeCardApi::EstablishContext(std::uint32_t, TScardContext& context) {
  context = 1;
  return 0;
}
std::int32_t TFakeCardApi::ListReaders(TScardContext, std::span<std::uint8_t>, std::uint32_t& length) {
  length = 0;
  return ScardCode(kScardENoReadersAvailable);
}
std::int32_t TFakeCardApi::Connect(TScardContext, const std::string&, std::uint32_t, std::uint32_t, TScardHandle& card,
                                   std::uint32_t& activeProtocol) {
  card = 1;
  activeProtocol = kScardProtocolT1;
  return 0;
}
std::int32_t TFakeCardApi::Disconnect(TScardHandle, std::uint32_t) { return 0; }

std::int32_t TFakeCardApi::Transmit(TScardHandle, std::uint32_t, std::span<const std::uint8_t> command,
                                    std::span<std::uint8_t> response, std::uint32_t& responseLength) {
  const std::size_t index = Commands.size();
  Commands.emplace_back(command.begin(), command.end());
  ResponseBufferWasClear.push_back(std::ranges::all_of(ReaderLink().RecvBuf, [](std::uint8_t b) { return b == 0; }));

  TAnswer answer;
  if (scriptPosition_ < Script.size()) {
    answer = Script[scriptPosition_++];
  } else if (Responder) {
    answer = Responder(Commands.back());
  } else {
    ADD_FAILURE() << "unexpected command " << ToHex(command);
    answer = {{0x6F, 0x00}};
  }
  if (const auto tamper = Tamper.find(index); tamper != Tamper.end()) answer = tamper->second(answer);

  responseLength = 0;
  if (answer.Result != 0) return answer.Result;
  if (answer.Bytes.size() > response.size()) return ScardCode(kScardEInsufficientBuffer);  // insufficient buffer
  std::ranges::copy(answer.Bytes, response.begin());
  responseLength = static_cast<std::uint32_t>(answer.Bytes.size());
  return 0;
}

TFixedRandomSource::TFixedRandomSource(TBytes bytes)
    : bytes_(std::move(bytes)), seam_(*this, RandomSource, SetRandomSource) {}

void TFixedRandomSource::Fill(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) {
    if (position_ == bytes_.size()) {
      ADD_FAILURE() << "more random bytes drawn than fed";
      b = 0;
      continue;
    }
    b = bytes_[position_++];
  }
}

TAnswer ConnectionLost(TAnswer) { return {{}, kCardRemoved}; }

TFakeCardApi::TTamper StatusOnly(std::uint16_t status) {
  return [status](TAnswer) {
    return TAnswer{{static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status & 0xFF)}};
  };
}

TFakeCardApi::TTamper FlipByte(int index) {
  return [index](TAnswer answer) {
    const auto at =
        index < 0 ? answer.Bytes.size() - static_cast<std::size_t>(-index) : static_cast<std::size_t>(index);
    answer.Bytes.at(at) ^= 0x01;
    return answer;
  };
}
