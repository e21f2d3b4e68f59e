#pragma once
// A simulated eMRTD chip: the eMRTD application with its LDS files behind
// Basic Access Control and 3DES secure messaging (ICAO 9303 parts 10 and 11),
// answering command APDUs as a real contactless chip does, with faults a test
// can inject.
//
// Before BAC the application and its files can be selected in plain (unless
// RefusePlainSelect), but plain READ BINARY is refused with 6982 (unless
// RequireBac is false). GET CHALLENGE and EXTERNAL AUTHENTICATE open a secure
// messaging session; from then on commands come with CLA 0C. A plain command
// ends the session (and is then handled as before BAC); a protected command
// whose MAC or data objects are wrong is answered 6988 and ends the session
// too, so that BAC has to be run again. Powering the chip off or resetting it
// ends the session and deselects the application.
//
// Under secure messaging the chip also answers Chip Authentication (MSE:Set AT
// with a CA OID and GENERAL AUTHENTICATE, or MSE:Set KAT): the answer comes
// under the old keys, every later command under the new ones, counter from
// zero, 3DES or AES as the OID says. INTERNAL AUTHENTICATE is answered with
// the Active Authentication signature. A document without the private key of
// either protocol refuses its commands with 6A88 (referenced data not found).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/simchip/Apdu.h"
#include "tools/simchip/ChipAuthentication.h"
#include "tools/simchip/ChipFaults.h"
#include "tools/simchip/ChipKeys.h"
#include "tools/simchip/ChipRandom.h"
#include "tools/simchip/Lds.h"
#include "tools/simchip/SecureChannel.h"

namespace simchip {

struct TDocument;
class TSimulatedChip;

// Another access protocol put in front of the chip (PACE in tools/pacechip):
// it sees every command first and answers those it handles; the chip answers
// the rest.
class TChipExtension {
public:
  virtual ~TChipExtension() = default;
  // The answer, or nothing to let the chip answer.
  virtual std::optional<TBytes> Answer(std::span<const std::uint8_t> command, TSimulatedChip& chip) = 0;
  // The chip was powered off, reset or the card removed.
  virtual void SessionEnded() = 0;
};

// The most plaintext one protected READ BINARY answers: DO'87' 81 E9 01 with a
// 232-byte cryptogram, DO'99' and DO'8E' make 250 bytes, which keeps the answer
// within the 256 data bytes of a short response APDU.
inline constexpr std::size_t kMaxProtectedReadLength = 231;

struct TChipOptions {
  bool RequireBac = true;          // false: plain READ BINARY works too
  bool RefusePlainSelect = false;  // plain SELECT of a file answered 6982 while BAC is required
  bool ProtectedErrors = false;    // error status words under secure messaging come as 99 02 SW 8E 08 MAC SW
  bool EndOfFileWarning = false;   // a read cut short by the end of the file answers 6282 instead of 9000
  // A READ BINARY at or past the end of the file answers no data and 9000 instead of 6B00; under secure
  // messaging the empty data still comes as a DO'87' (one enciphered block of padding alone).
  bool EmptyReadAtEnd = false;
  std::uint16_t AuthenticationFailure = kSwAuthenticationFailed;  // answer to a wrong EXTERNAL AUTHENTICATE
  std::optional<std::uint64_t> RandomSeed;  // fixed seed: the same challenges every run (read at construction)
  // A clone: Chip or Active Authentication answered with a fresh key of the same kind instead of the document's.
  bool CloneChipAuthentication = false;
  bool CloneActiveAuthentication = false;
  // The hash of RSA Active Authentication signatures (trailer BC for SHA-1, 34CC for SHA-256 ...); ECDSA
  // takes the hash of DG14's ActiveAuthenticationInfo (SHA-256 when DG14 names none).
  std::string ActiveAuthenticationRsaDigest = "SHA1";
  // Extended Lc and Le taken, and said so in the ATR; without, an extended command is answered 6700.
  bool ExtendedLength = false;
};

inline constexpr std::uint16_t kSwReferencedDataNotFound = 0x6A88;

// What came of one command: an answer, or a failure of the link.
struct TChipReply {
  TBytes Answer;
  std::uint32_t PcscError = 0;  // non-zero: no answer, the reader reports this code
  bool CardRemoved = false;     // the card has left the field
};

// One command as the chip saw it.
struct TJournalEntry {
  TBytes Command;                       // as received
  bool Protected = false;               // sent under secure messaging
  std::optional<TCommandApdu> Plain;    // the command after unwrapping (absent when it could not be read)
  std::optional<std::uint16_t> FileId;  // the file selected or read
  TChipReply Reply;
};

class TSimulatedChip {
public:
  TSimulatedChip(TLds lds, std::string mrzInformation, TChipOptions options = {});
  explicit TSimulatedChip(const TDocument& document, TChipOptions options = {});

  TChipReply Transmit(std::span<const std::uint8_t> command);

  // Each of these ends the secure messaging session and deselects the application.
  void PowerOn() { Disconnect(); }
  void PowerOff() { Disconnect(); }
  void Reset() { Disconnect(); }
  // The ATR, as the options have it now.
  const TBytes& Atr() const;

  TChipOptions& Options() { return options_; }
  TLds& Files() { return lds_; }
  const std::string& MrzInformation() const { return mrzInformation_; }
  bool SessionOpen() const { return session_.has_value(); }
  // The send sequence counter of the open session, while it is 3DES's.
  std::optional<TBlock> SessionCounter() const;
  // The session keys of the open session, while it is 3DES's.
  std::optional<TKeyPair> SessionKeys() const;
  // The keys of the open session, 3DES or AES.
  std::optional<TSmKeys> SessionSmKeys() const;

  // The private key the chip uses for a protocol (kChipAuthenticationKey,
  // kActiveAuthenticationKey): the document's, or a clone's own when the
  // options say so; null when the document has none.
  EVP_PKEY* PrivateKey(std::string_view name);
  // The Active Authentication signature of a challenge, as INTERNAL
  // AUTHENTICATE answers it; empty when the document has no such key.
  std::optional<TBytes> SignActiveAuthentication(std::span<const std::uint8_t> challenge);

  // The state after a plain SELECT of the eMRTD application: no session, no file selected.
  void SelectApplication();
  // The state after BAC: the application selected, secure messaging open with
  // these session keys and this send sequence counter, no file selected.
  void StartSession(const TKeyPair& sessionKeys, const TBlock& counter);

  // Puts extension in front of the chip (nullptr: none); it must outlive its use.
  void SetExtension(TChipExtension* extension) { extension_ = extension; }
  // Answers a plain command as under secure messaging (access granted), for
  // an extension that has unwrapped it.
  TBytes AnswerGranted(const TCommandApdu& command);

  void AddFault(const TFault& fault) { faults_.Add(fault); }
  void ClearFaults() { faults_.Clear(); }
  // The next GET CHALLENGE answers this RND.ICC; the next authentication uses this K.ICC.
  void SetNextChallenge(const TBlock& challenge) { random_.SetNextChallenge(challenge); }
  void SetNextKeyMaterial(const TKey& keyMaterial) { random_.SetNextKeyMaterial(keyMaterial); }
  // Every GET CHALLENGE from now on answers this RND.ICC; every authentication uses this K.ICC.
  void FixChallenge(const TBlock& challenge) { random_.FixChallenge(challenge); }
  void FixKeyMaterial(const TKey& keyMaterial) { random_.FixKeyMaterial(keyMaterial); }

  const std::vector<TJournalEntry>& Journal() const { return journal_; }
  void ClearJournal() { journal_.clear(); }
  // Whether any command selected or read the file.
  bool Touched(std::uint16_t fileId) const;

private:
  struct TOutcome {
    TBytes Data;
    std::uint16_t Status = kSwSuccess;
  };

  TBytes Answer(std::span<const std::uint8_t> bytes, TJournalEntry& entry);
  TBytes AnswerProtected(const TCommandApdu& command, TJournalEntry& entry);
  TOutcome Execute(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  TOutcome Select(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  TOutcome ReadBinary(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  TOutcome GetChallenge(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  TOutcome ExternalAuthenticate(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  TOutcome ManageSecurityEnvironment(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  TOutcome GeneralAuthenticate(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  TOutcome InternalAuthenticate(const TCommandApdu& command, bool secured, TJournalEntry& entry);
  // The key agreement of Chip Authentication; on success the new keys wait for the answer to be wrapped.
  TOutcome AgreeChipAuthenticationKey(const TCaProtocol& protocol, std::span<const std::uint8_t> terminalKey,
                                      TBytes answer);
  void EndSession();
  // EndSession, and the extension's session too.
  void Disconnect();

  TLds lds_;
  std::string mrzInformation_;
  TChipOptions options_;
  TKeyPair documentKeys_;
  TChipKeys privateKeys_;
  TChipRandom random_;
  mutable TBytes atr_;
  TFaultSchedule faults_;
  std::vector<TJournalEntry> journal_;

  bool applicationSelected_ = false;
  std::optional<std::uint16_t> currentFile_;
  std::optional<TBlock> challenge_;
  std::optional<TSecureChannel> session_;
  const TCaProtocol* caProtocol_ = nullptr;  // chosen by MSE:Set AT, for GENERAL AUTHENTICATE
  std::optional<TSmKeys> nextSessionKeys_;   // Chip Authentication's, from the next command on
  TChipExtension* extension_ = nullptr;
};

}  // namespace simchip
