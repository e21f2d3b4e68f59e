#pragma once
// One card session: the only way protocols and file reading talk to the chip.
// It owns the way to the reader link and the secure messaging in force (none,
// 3DES or AES); every command is wrapped by it and every answer checked and
// opened by it, so that callers never see a MAC. Protocols that agree on keys
// install the new secure messaging through SecureMessagingStart.h.

#include <cstdint>
#include <memory>
#include <span>

#include "card/CardAnswer.h"
#include "card/CardExchange.h"
#include "card/LengthLimits.h"
#include "card/messaging/SecureChannel.h"
#include "crypto/MrtdContext.h"
#include "reader/ApduExchange.h"

// Which keys protect a command.
enum class TWrapping {
  InForce,          // the secure messaging in force
  EvenWithoutKeys,  // 3DES with the record's keys even before BAC put them in force
};

struct TTransmitOptions {
  TAnswerForm Form = TAnswerForm::Data;
  // Where an answer's data is opened (deciphered with its padding); its size
  // is the most data taken. Empty: up to kApduBufferSize bytes.
  std::span<std::uint8_t> Plaintext = {};
  TClearBuffers Clear = TClearBuffers::Yes;
  TWrapping Wrapping = TWrapping::InForce;
};

class TCardSession {
public:
  // A session on the 3DES record (the window's, kept for the whole run) and
  // the reader link, without secure messaging.
  explicit TCardSession(tMRTD_CTX& tripleDesRecord, TReaderLink& link = ReaderLink());
  ~TCardSession();
  TCardSession(const TCardSession&) = delete;
  TCardSession& operator=(const TCardSession&) = delete;
  TCardSession(TCardSession&&) noexcept;

  // Sends command under the secure messaging in force and takes its answer.
  TCardAnswer Transmit(const TCommandApdu& command, const TTransmitOptions& options = {});
  // Sends command as it is and takes its answer as it is: the plain steps of
  // BAC and PACE, EF.CardAccess and the plain SELECTs before them.
  TCardAnswer TransmitPlain(const TCommandApdu& command);

  // The secure messaging in force.
  TSecureChannel& Messaging() const { return *messaging_; }
  // Puts messaging in force; returns the one it replaces.
  std::unique_ptr<TSecureChannel> Install(std::unique_ptr<TSecureChannel> messaging);
  // The record 3DES secure messaging keeps its keys and counter in.
  tMRTD_CTX& TripleDesRecord() const { return record_; }
  // The outcome of this session's last exchange.
  const TCardAnswer& LastAnswer() const { return last_; }
  // Whether reader and chip take extended length (short APDUs only until learnt).
  const TLengthLimits& Lengths() const { return lengths_; }
  void SetLengths(const TLengthLimits& lengths) { lengths_ = lengths; }
  // The reader link the session talks through.
  TReaderLink& Link() const { return link_; }

private:
  TCardAnswer Exchange(const TCommandApdu& command, TClearBuffers clear);

  tMRTD_CTX& record_;
  TReaderLink& link_;
  std::unique_ptr<TSecureChannel> messaging_;
  TCardAnswer last_;
  TLengthLimits lengths_;
};
