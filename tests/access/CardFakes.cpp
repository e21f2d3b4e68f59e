#include "CardFakes.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "reader/ApduExchange.h"

TBytes Hex(std::string_view text) {
  TBytes bytes;
  std::string digits;
  for (const char c : text)
    if (c != ' ') digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TFakeCardApi::TFakeCardApi() { SetPcscApi(this); }
TFakeCardApi::~TFakeCardApi() { SetPcscApi(nullptr); }

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
  return ScardCode(0x8010002E);
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
  ResponseBufferWasClear.push_back(std::ranges::all_of(RecvBuf, [](std::uint8_t b) { return b == 0; }));

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
  if (answer.Bytes.size() > response.size()) return ScardCode(0x80100008);  // insufficient buffer
  std::ranges::copy(answer.Bytes, response.begin());
  responseLength = static_cast<std::uint32_t>(answer.Bytes.size());
  return 0;
}

TFixedRandomSource::TFixedRandomSource(TBytes bytes) : bytes_(std::move(bytes)) { SetRandomSource(this); }
TFixedRandomSource::~TFixedRandomSource() { SetRandomSource(nullptr); }

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
    const auto at = index < 0 ? answer.Bytes.size() - static_cast<std::size_t>(-index) : static_cast<std::size_t>(index);
    answer.Bytes.at(at) ^= 0x01;
    return answer;
  };
}
