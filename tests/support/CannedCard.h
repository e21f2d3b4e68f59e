#pragma once
// A card behind the PC/SC seam that gives canned answers in order, whatever
// the command: from the first again when they are used up and Cycle is set,
// else 6F 00. For fuzz targets and benchmarks that replay a dialogue.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "reader/PcscApi.h"
#include "support/Hex.h"

class TCannedCard : public TPcscApi {
public:
  std::int32_t EstablishContext(std::uint32_t, TScardContext& context) override {
    context = 1;
    return kScardSuccess;
  }
  std::int32_t ListReaders(TScardContext, std::span<std::uint8_t>, std::uint32_t& length) override {
    length = 0;
    return ScardCode(kScardENoReadersAvailable);
  }
  std::int32_t Connect(TScardContext, const std::string&, std::uint32_t, std::uint32_t, TScardHandle& card,
                       std::uint32_t& activeProtocol) override {
    card = 1;
    activeProtocol = kScardProtocolT1;
    return kScardSuccess;
  }
  std::int32_t Transmit(TScardHandle, std::uint32_t, std::span<const std::uint8_t>, std::span<std::uint8_t> response,
                        std::uint32_t& responseLength) override {
    static const TBytes kNoAnswer{0x6F, 0x00};
    if (Cycle && Next == Answers.size()) Next = 0;
    const TBytes& answer = Next < Answers.size() ? Answers[Next++] : kNoAnswer;
    responseLength = static_cast<std::uint32_t>(std::min(answer.size(), response.size()));
    std::copy_n(answer.begin(), responseLength, response.begin());
    return kScardSuccess;
  }
  std::int32_t Disconnect(TScardHandle, std::uint32_t) override { return kScardSuccess; }

  std::vector<TBytes> Answers;
  bool Cycle = false;
  std::size_t Next = 0;  // the answer given next
};
