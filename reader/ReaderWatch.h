#pragma once
// Watches the chosen reader through SCardGetStatusChange, one look at a time
// and never waiting, so that the caller's thread (the window's) keeps its
// pace: cards placed and taken away, readers plugged in or taken away, and a
// resource manager that went away and came back. The link's context and
// reader name are kept true all along; the card connection is left alone.

#include <cstdint>

#include "reader/ApduExchange.h"

// What one look found.
struct TReaderEvents {
  bool ReaderChanged = false;  // another reader chosen, or none any more
  bool CardPlaced = false;     // a card came onto the chosen reader
  bool CardTaken = false;      // the card left the chosen reader
};

class TReaderWatch {
public:
  explicit TReaderWatch(TReaderLink& link) : link_(link) {}

  // Establishes the context and chooses the reader (TReaderLink::DiscoverReader).
  void Start();
  // One look at the readers, not waiting. A resource manager gone
  // (SCARD_E_NO_SERVICE, SCARD_E_SERVICE_STOPPED, SCARD_E_INVALID_HANDLE)
  // drops the context, the reader and the card; each look then tries a new
  // context. A reader plugged in or taken away (the notification reader), or
  // the chosen one gone (SCARD_E_UNKNOWN_READER, its state unknown or
  // unavailable), chooses the reader anew; with none chosen, every look does.
  TReaderEvents Look();
  // Whether a card that answers its reset lies on the chosen reader, as of the last look.
  bool CardPresent() const { return cardPresent_; }
  // Whether a context with the resource manager stands.
  bool Connected() const { return connected_; }

private:
  // Releases the context of before, establishes one and chooses the reader.
  void Connect();
  // Chooses the reader again in the context that stands.
  void ChooseAgain();
  void Lose();
  // The chosen reader's card state to be learnt afresh.
  void ForgetCard();
  // Asks for the states of the notification reader and the chosen reader.
  void Observe(TReaderEvents& events);
  void CardState(std::uint32_t found, TReaderEvents& events);

  TReaderLink& link_;
  bool connected_ = false;
  bool cardPresent_ = false;
  bool notificationKnown_ = false;
  std::uint32_t notificationState_ = kScardStateUnaware;
  std::uint32_t readerState_ = kScardStateUnaware;
};
