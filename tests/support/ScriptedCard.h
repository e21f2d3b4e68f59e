#pragma once
// The one stand-in for a card and its reader behind the PC/SC seam, for
// tests, fuzz targets and benchmarks. The card side is a script of answers,
// each one optionally bound to the command it must answer (as recorded from a
// real exchange); commands beyond the script go to a Responder function, or
// through to another PC/SC API (the system's, a simulated reader), or get the
// Unscripted answer. The reader side lists configurable reader names and
// gives configurable results. Every call can be recorded.
//
// It does not install itself: put it in place with SetPcscApi() or a
// TScopedSeam. No test framework inside; complaints go to Complain.

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "reader/PcscApi.h"
#include "support/Hex.h"

inline constexpr std::int32_t kCardRemoved = ScardCode(kScardWRemovedCard);

// One answer of the card: its bytes (status word included) or a PC/SC error.
// In a script, Command is the command the answer is for (empty: any command);
// in a recording, the command that was answered.
struct TAnswer {
  TBytes Bytes;
  std::int32_t Result = kScardSuccess;
  TBytes Command{};
};

// Answers that carry only bytes, for any command, in order.
std::vector<TAnswer> AnswersOf(const std::vector<TBytes>& answers);

class TScriptedCard : public TPcscApi {
public:
  using TResponder = std::function<TAnswer(const TBytes& command)>;
  using TTamper = std::function<TAnswer(TAnswer answer)>;
  using TWatcher = std::function<void(std::span<const std::uint8_t> command)>;
  using TComplaint = std::function<void(const std::string& what)>;

  std::int32_t EstablishContext(std::uint32_t scope, TScardContext& context) override;
  std::int32_t ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) override;
  std::int32_t Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                       std::uint32_t preferredProtocols, TScardHandle& card, std::uint32_t& activeProtocol) override;
  std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override;
  std::int32_t Disconnect(TScardHandle card, std::uint32_t disposition) override;
  std::int32_t ReaderAtr(TScardContext context, const std::string& readerName, std::span<std::uint8_t> atr,
                         std::uint32_t& atrLength) override;
  std::int32_t Control(TScardHandle card, std::uint32_t controlCode, std::span<const std::uint8_t> command,
                       std::span<std::uint8_t> answer, std::uint32_t& answerLength) override;
  std::int32_t ReleaseContext(TScardContext context) override;
  // Never waits: the readers of Readers, each holding a card when Atrs has
  // its ATR; the notification reader counts Readers. Unrecorded.
  std::int32_t GetStatusChange(TScardContext context, std::uint32_t timeoutMs, std::span<TReaderState> states) override;

  // Appends one step to the script: answer is given to command, and to no other.
  void Expect(const TBytes& command, const TBytes& answer);
  // The script from its first answer again.
  void Rewind();
  // Forgets the script, the tampering, the counts and what was recorded.
  void Reset();
  // Script answers given since the last Rewind (or Connect, with RestartAtConnect).
  std::size_t Played() const { return scriptPosition_; }

  // --- The card ---
  std::vector<TAnswer> Script;            // consumed from the front
  bool Cycle = false;                     // the script from its start again once used up
  bool RestartAtConnect = false;          // Connect rewinds the script and clears the recording
  TResponder Responder;                   // answers what the script does not
  TPcscApi* Behind = nullptr;             // else every call goes through to this API
  TAnswer Unscripted{{0x6F, 0x00}};       // else this, counted as a mismatch
  std::map<std::size_t, TTamper> Tamper;  // by transmit index (0-based): changes that answer
  TWatcher BeforeTransmit;                // called before each command is answered
  TComplaint Complain;                    // told about each mismatch

  // --- The reader ---
  std::vector<std::string> Readers;  // listed by ListReaders
  // What ListReaders gives while Readers is empty (with success: the empty multi-string).
  std::int32_t NoReadersResult = ScardCode(kScardENoReadersAvailable);
  TScardContext Context = 1;
  std::int32_t EstablishResult = kScardSuccess;
  // Connect gives Handle and Protocol; it fails with ConnectResult when that
  // is set, and with kScardEUnknownReader for a name Readers does not list
  // when RefuseUnlisted is set (else any name connects).
  std::int32_t ConnectResult = kScardSuccess;
  bool RefuseUnlisted = false;
  TScardHandle Handle = 1;
  std::uint32_t Protocol = kScardProtocolT1;
  std::int32_t DisconnectResult = kScardSuccess;  // disconnecting handle 0 fails with kScardEInvalidHandle
  // The ATR of the card each reader holds, by reader name; a reader not here
  // holds none. ReaderAtr fails with ReaderAtrResult when that is set.
  std::map<std::string, TBytes> Atrs;
  std::int32_t ReaderAtrResult = kScardSuccess;
  // The reader's dwMaxAPDUDataSize (PC/SC part 10 TLV properties); 0: it
  // answers SCardControl with SCARD_E_UNSUPPORTED_FEATURE (short APDUs only),
  // or passes it to Behind. Set, it is answered here even with Behind, so
  // that a real resource manager's reader can be said to take extended length.
  std::uint32_t MaxApduDataSize = 0;

  // --- What happened ---
  bool Recording = true;                     // off: only the counts below are kept
  std::vector<TBytes> Commands;              // every command sent
  std::vector<TAnswer> Exchanges;            // every command with the answer it got
  std::vector<bool> ResponseBufferWasClear;  // per command: the reader link's RecvBuf all zero when it was sent
  std::vector<std::string> Calls;            // "connect <reader> <share> <protocols>", "transmit <protocol> <command
                                             // length> <capacity>", "disconnect <handle> <disposition>", "atr <reader>"
  std::uint32_t OfferedListLength = 0;       // the length offered to the last ListReaders
  std::size_t Connects = 0;
  std::size_t Transmits = 0;
  std::size_t Mismatches = 0;  // commands the script did not expect, or that came after it

private:
  TAnswer Answer(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                 std::size_t capacity);
  TAnswer NextScripted(std::span<const std::uint8_t> command);
  void Mismatch(const std::string& what);
  void Record(std::string call);

  std::size_t scriptPosition_ = 0;
};
