#pragma once
// How commands and answers travel between the program and the chip of one
// reading: in plain, or under secure messaging. File reading talks only to
// this interface; each kind of protection is one class.

#include <cstddef>
#include <cstdint>
#include <span>

#include "card/CardAnswer.h"
#include "reader/Apdu.h"

enum class TUnwrapResult {
  Ok,
  TooShort,  // an answer too short to carry data: logged "Hata #1 : %d"
  WrongMac,  // the chip's MAC differs: the caller logs its step's line
  Rejected,  // unsafe data objects or data too long: logged "Hata #2".."Hata #5 : %d"; callers treat it like TooShort
};

// What the answer to a command carries under secure messaging.
enum class TAnswerForm {
  Status,              // a SELECT's answer: DO'99' and DO'8E', checked whatever its status word
  Data,                // READ BINARY, INTERNAL AUTHENTICATE: DO'87' DO'99' DO'8E' when 9000
  Either,              // by its shape: a 9000 answer of DO'99' and DO'8E' alone carries no data
  StatusWhenAccepted,  // a 9000 answer as a SELECT's; a refusal taken unchecked (it ends the protocol anyway)
};

// How a data group is selected before it is read.
enum class TDataGroupSelect {
  None,       // no SELECT: the reads go to the file that is currently selected
  Plain,      // a plain SELECT
  Protected,  // a SELECT under secure messaging
};

// One kind of secure messaging of a card session (none, 3DES, AES): the
// session wraps every command with Wrap and takes every answer with Unwrap.
class TSecureChannel {
public:
  virtual ~TSecureChannel() = default;

  // The command as it goes to the chip.
  TCommandApdu Wrap(const TCommandApdu& command) { return Protect(command); }
  // The answer checked (a refusal must be intact, a 9000 answer must verify)
  // and its data opened into plaintext as form says; an empty plaintext
  // takes up to kApduBufferSize bytes, or the answer's length when longer. The answer's data is also copied into
  // the result.
  TCardAnswer Unwrap(std::span<const std::uint8_t> answer, TAnswerForm form, std::span<std::uint8_t> plaintext);

  virtual TDataGroupSelect DataGroupSelect() const = 0;
  // The command as it goes to the chip.
  virtual TCommandApdu Protect(const TCommandApdu& command) = 0;
  // The command protected with the keys the channel holds, even before they
  // are in force (3DES after a failed BAC); as Protect for the others.
  virtual TCommandApdu ProtectEvenWithoutKeys(const TCommandApdu& command) { return Protect(command); }
  // Whether the answer to a SELECT sent through this channel is intact, before
  // its status word is acted on.
  virtual bool SelectAnswerIntact(std::span<const std::uint8_t> answer) = 0;
  // Whether a refusal (an answer other than 9000) is intact, before its status
  // word is acted on.
  virtual bool RefusalIntact(std::span<const std::uint8_t> answer) = 0;
  // The data of a 9000 answer into plaintext; length receives the data length.
  virtual TUnwrapResult OpenDataAnswer(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                                       std::size_t& length) = 0;
  // The length of the answer (status word left out) that brings dataLength
  // bytes of data through this channel; as they are when nothing protects them.
  virtual std::size_t AnswerLength(std::size_t dataLength) const { return dataLength; }
};
