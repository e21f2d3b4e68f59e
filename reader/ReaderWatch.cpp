#include "reader/ReaderWatch.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

namespace {

// Results that say the context is no longer any good: a new one is needed.
constexpr std::array kServiceGone{kScardENoService, kScardEServiceStopped, kScardEInvalidHandle};
// Results that say the chosen reader is gone: another is chosen.
constexpr std::array kReaderGone{kScardEUnknownReader, kScardEReaderUnavailable};

bool OneOf(std::int32_t result, std::span<const TScardError> codes) {
  return std::ranges::any_of(codes, [result](TScardError code) { return result == ScardCode(code); });
}

// The upper 16 bits of a reader's event state count the card's comings and goings.
constexpr unsigned kCountShift = 16;

}  // namespace

void TReaderWatch::Start() { Connect(); }

void TReaderWatch::Connect() {
  // A context of a resource manager that went away cannot be released; the result does not matter.
  if (link_.hContext != 0) PcscApi().ReleaseContext(link_.hContext);
  link_.hContext = 0;
  link_.ReaderName.clear();
  link_.DiscoverReader();
  // No reader yet is a standing context all the same: the notification reader tells when one comes.
  connected_ = link_.LastResult == kScardSuccess || link_.LastResult == ScardCode(kScardENoReadersAvailable);
  if (!connected_) link_.ReaderName.clear();
  notificationKnown_ = false;
  notificationState_ = kScardStateUnaware;
  readerState_ = kScardStateUnaware;
}

void TReaderWatch::ChooseAgain() {
  link_.ReaderName.clear();  // with no reader listed any more, none is chosen
  link_.ChooseReader();
  if (OneOf(link_.LastResult, kServiceGone)) Lose();
}

void TReaderWatch::Lose() {
  connected_ = false;
  link_.ReaderName.clear();
}

TReaderEvents TReaderWatch::Look() {
  TReaderEvents events;
  const std::string before = link_.ReaderName;
  const bool hadCard = cardPresent_;
  if (!connected_)
    Connect();
  else if (link_.ReaderName.empty())
    ChooseAgain();  // also where the notification reader does not tell of readers plugged in
  // A reader chosen anew is looked at in this same look, its card not yet known:
  // a card already on it is placed now, not one look later.
  if (link_.ReaderName != before) ForgetCard();
  if (connected_) {
    const std::string observed = link_.ReaderName;
    Observe(events);
    if (link_.ReaderName != observed) ForgetCard();
  }
  events.ReaderChanged = link_.ReaderName != before;
  events.CardTaken = events.CardTaken || (hadCard && (events.ReaderChanged || !cardPresent_));
  return events;
}

void TReaderWatch::ForgetCard() {
  readerState_ = kScardStateUnaware;
  cardPresent_ = false;
}

void TReaderWatch::Observe(TReaderEvents& events) {
  std::array<TReaderState, 2> states{{{kPnpNotificationReader, notificationState_}, {link_.ReaderName, readerState_}}};
  const std::span<TReaderState> asked = std::span(states).first(link_.ReaderName.empty() ? 1 : 2);
  const std::int32_t result = PcscApi().GetStatusChange(link_.hContext, 0, asked);
  if (OneOf(result, kServiceGone)) {
    Lose();  // the next look tries a new context
    return;
  }
  bool chooseAgain = OneOf(result, kReaderGone);
  if (result == kScardSuccess) {
    if (states[0].EventState & kScardStateChanged) {
      // The first answer only tells how many readers there are.
      chooseAgain = chooseAgain || notificationKnown_;
      notificationKnown_ = true;
      notificationState_ = states[0].EventState & ~kScardStateChanged;
    }
    if (asked.size() == 2 && (states[1].EventState & kScardStateChanged)) {
      const std::uint32_t found = states[1].EventState & ~kScardStateChanged;
      chooseAgain = chooseAgain || (found & (kScardStateUnknown | kScardStateUnavailable)) != 0;
      CardState(found, events);
    }
  }
  if (chooseAgain) ChooseAgain();
}

void TReaderWatch::CardState(std::uint32_t found, TReaderEvents& events) {
  const bool present = (found & kScardStatePresent) != 0 && (found & kScardStateMute) == 0;
  // The count tells of a card swapped between two looks.
  const std::uint32_t knownCount = readerState_ >> kCountShift;
  const bool swapped = knownCount != 0 && knownCount != found >> kCountShift;
  events.CardTaken = cardPresent_ && (!present || swapped);
  events.CardPlaced = present && (!cardPresent_ || swapped);
  cardPresent_ = present;
  readerState_ = found;
}
