#include "support/ScriptedCard.h"

#include <algorithm>
#include <array>

#include "reader/ApduExchange.h"
#include "reader/ReaderFeatures.h"

std::vector<TAnswer> AnswersOf(const std::vector<TBytes>& answers) {
  std::vector<TAnswer> script;
  script.reserve(answers.size());
  for (const TBytes& answer : answers) script.push_back({answer});
  return script;
}

void TScriptedCard::Expect(const TBytes& command, const TBytes& answer) {
  Script.push_back({answer, kScardSuccess, command});
}

void TScriptedCard::Rewind() { scriptPosition_ = 0; }

void TScriptedCard::Reset() {
  Script.clear();
  Tamper.clear();
  Rewind();
  Commands.clear();
  Exchanges.clear();
  ResponseBufferWasClear.clear();
  Calls.clear();
  Connects = Transmits = Mismatches = 0;
}

void TScriptedCard::Record(std::string call) {
  if (Recording) Calls.push_back(std::move(call));
}

void TScriptedCard::Mismatch(const std::string& what) {
  ++Mismatches;
  if (Complain) Complain(what);
}

std::int32_t TScriptedCard::EstablishContext(std::uint32_t scope, TScardContext& context) {
  if (Behind) return Behind->EstablishContext(scope, context);
  context = Context;
  return EstablishResult;
}

std::int32_t TScriptedCard::ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) {
  OfferedListLength = length;
  if (Behind) return Behind->ListReaders(context, buffer, length);
  if (Readers.empty() && NoReadersResult != kScardSuccess) {
    length = 0;
    return NoReadersResult;
  }
  TBytes names;  // each name with its zero, and the closing zero
  for (const std::string& reader : Readers) {
    names.insert(names.end(), reader.begin(), reader.end());
    names.push_back(0);
  }
  names.push_back(0);
  if (names.size() > length || names.size() > buffer.size()) return ScardCode(kScardEInsufficientBuffer);
  std::ranges::copy(names, buffer.begin());
  length = static_cast<std::uint32_t>(names.size());
  return kScardSuccess;
}

std::int32_t TScriptedCard::Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                                    std::uint32_t preferredProtocols, TScardHandle& card,
                                    std::uint32_t& activeProtocol) {
  ++Connects;
  if (RestartAtConnect) {
    Rewind();
    Commands.clear();
    Exchanges.clear();
    ResponseBufferWasClear.clear();
  }
  Record("connect " + readerName + " " + std::to_string(shareMode) + " " + std::to_string(preferredProtocols));
  if (Behind) return Behind->Connect(context, readerName, shareMode, preferredProtocols, card, activeProtocol);
  if (ConnectResult != kScardSuccess) return ConnectResult;
  if (RefuseUnlisted && std::ranges::find(Readers, readerName) == Readers.end()) return ScardCode(kScardEUnknownReader);
  card = Handle;
  activeProtocol = Protocol;
  return kScardSuccess;
}

std::int32_t TScriptedCard::Disconnect(TScardHandle card, std::uint32_t disposition) {
  Record("disconnect " + std::to_string(card) + " " + std::to_string(disposition));
  if (Behind) return Behind->Disconnect(card, disposition);
  return card == 0 ? ScardCode(kScardEInvalidHandle) : DisconnectResult;
}

std::int32_t TScriptedCard::Control(TScardHandle card, std::uint32_t controlCode, std::span<const std::uint8_t> command,
                                    std::span<std::uint8_t> answer, std::uint32_t& answerLength) {
  // A size given is answered here even in front of another API: the reader's
  // word on extended length, and nothing else, comes from the script.
  if (Behind && MaxApduDataSize == 0) return Behind->Control(card, controlCode, command, answer, answerLength);
  answerLength = 0;
  std::array<std::uint8_t, 6> given{};
  if (MaxApduDataSize == 0) return ScardCode(kScardEUnsupportedFeature);
  if (controlCode == kIoctlGetFeatureRequest)
    given = TlvPropertiesFeature(kSimulatedTlvPropertiesCode);
  else if (controlCode == kSimulatedTlvPropertiesCode)
    given = MaxApduDataSizeProperty(MaxApduDataSize);
  else
    return ScardCode(kScardEUnsupportedFeature);
  if (given.size() > answer.size()) return ScardCode(kScardEInsufficientBuffer);
  std::ranges::copy(given, answer.begin());
  answerLength = static_cast<std::uint32_t>(given.size());
  return kScardSuccess;
}

std::int32_t TScriptedCard::ReaderAtr(TScardContext context, const std::string& readerName, std::span<std::uint8_t> atr,
                                      std::uint32_t& atrLength) {
  Record("atr " + readerName);
  if (Behind) return Behind->ReaderAtr(context, readerName, atr, atrLength);
  atrLength = 0;
  if (ReaderAtrResult != kScardSuccess) return ReaderAtrResult;
  const auto held = Atrs.find(readerName);
  if (held == Atrs.end()) return kScardSuccess;
  if (held->second.size() > atr.size()) return ScardCode(kScardEInsufficientBuffer);
  std::ranges::copy(held->second, atr.begin());
  atrLength = static_cast<std::uint32_t>(held->second.size());
  return kScardSuccess;
}

std::int32_t TScriptedCard::ReleaseContext(TScardContext context) {
  return Behind ? Behind->ReleaseContext(context) : kScardSuccess;
}

std::int32_t TScriptedCard::GetStatusChange(TScardContext context, std::uint32_t timeoutMs,
                                            std::span<TReaderState> states) {
  if (Behind) return Behind->GetStatusChange(context, timeoutMs, states);
  bool changed = false;
  for (TReaderState& state : states) {
    const bool listed = std::ranges::find(Readers, state.Reader) != Readers.end();
    std::uint32_t found = kScardStateUnknown;
    if (state.Reader == kPnpNotificationReader)
      found = static_cast<std::uint32_t>(Readers.size()) << 16;
    else if (listed)
      found = Atrs.contains(state.Reader) ? kScardStatePresent : kScardStateEmpty;
    state.EventState = found == state.CurrentState ? found : found | kScardStateChanged;
    changed = changed || found != state.CurrentState;
  }
  return changed ? kScardSuccess : ScardCode(kScardETimeout);
}

TAnswer TScriptedCard::NextScripted(std::span<const std::uint8_t> command) {
  if (Cycle && scriptPosition_ == Script.size()) scriptPosition_ = 0;
  const TAnswer& step = Script[scriptPosition_++];
  if (!step.Command.empty() && !std::ranges::equal(step.Command, command))
    Mismatch("command " + std::to_string(Transmits - 1) + ": expected " + ToHex(step.Command) + ", sent " +
             ToHex(command));
  return {step.Bytes, step.Result};
}

TAnswer TScriptedCard::Answer(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                              std::size_t capacity) {
  if (scriptPosition_ < Script.size() || (Cycle && !Script.empty())) return NextScripted(command);
  if (Responder) return Responder(TBytes(command.begin(), command.end()));
  if (Behind) {
    TBytes response(capacity);
    std::uint32_t length = 0;
    const std::int32_t result = Behind->Transmit(card, protocol, command, response, length);
    response.resize(std::min<std::size_t>(length, capacity));
    return {response, result};
  }
  Mismatch("unexpected command " + ToHex(command));
  return Unscripted;
}

std::int32_t TScriptedCard::Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                                     std::span<std::uint8_t> response, std::uint32_t& responseLength) {
  const std::size_t index = Transmits++;
  if (BeforeTransmit) BeforeTransmit(command);
  if (Recording) {
    Record("transmit " + std::to_string(protocol) + " " + std::to_string(command.size()) + " " +
           std::to_string(response.size()));
    Commands.emplace_back(command.begin(), command.end());
    ResponseBufferWasClear.push_back(std::ranges::all_of(ReaderLink().RecvBuf, [](std::uint8_t b) { return b == 0; }));
  }

  TAnswer answer = Answer(card, protocol, command, response.size());
  if (const auto tamper = Tamper.find(index); tamper != Tamper.end()) answer = tamper->second(answer);
  if (Recording) Exchanges.push_back({answer.Bytes, answer.Result, TBytes(command.begin(), command.end())});

  responseLength = 0;
  if (answer.Result != kScardSuccess) return answer.Result;
  if (answer.Bytes.size() > response.size()) return ScardCode(kScardEInsufficientBuffer);
  std::ranges::copy(answer.Bytes, response.begin());
  responseLength = static_cast<std::uint32_t>(answer.Bytes.size());
  return kScardSuccess;
}
