#pragma once
// The one seam between the program and the PC/SC resource manager.
// Everything above it talks to "the" PC/SC API through PcscApi(); tests and the
// virtual passport put a simulated reader in its place with SetPcscApi().

#include <cstdint>
#include <span>
#include <string>

using TScardContext = std::int64_t;
using TScardHandle = std::int64_t;

// PC/SC constants the program passes (values as in pcsc-lite and WinSCard).
inline constexpr std::uint32_t kScardScopeUser = 0;
inline constexpr std::uint32_t kScardShareShared = 2;
inline constexpr std::uint32_t kScardProtocolT0 = 1;
inline constexpr std::uint32_t kScardProtocolT1 = 2;
inline constexpr std::uint32_t kScardProtocolAny = kScardProtocolT0 | kScardProtocolT1;
inline constexpr std::uint32_t kScardUnpowerCard = 2;

// PC/SC result codes, as the signed 32-bit values the program stores.
inline constexpr std::int32_t kScardSuccess = 0;
inline constexpr std::int32_t ScardCode(std::uint32_t code) { return static_cast<std::int32_t>(code); }

// Names of the PC/SC result codes that the program, its tests and its tools meet.
enum TScardError : std::uint32_t {
  kScardEInvalidHandle = 0x80100003,
  kScardEInsufficientBuffer = 0x80100008,
  kScardEUnknownReader = 0x80100009,
  kScardETimeout = 0x8010000A,
  kScardENoSmartcard = 0x8010000C,
  kScardEProtoMismatch = 0x8010000F,
  kScardENotTransacted = 0x80100016,
  kScardEReaderUnavailable = 0x80100017,
  kScardENoService = 0x8010001D,
  kScardEUnsupportedFeature = 0x8010001F,
  kScardEServiceStopped = 0x8010001E,
  kScardENoReadersAvailable = 0x8010002E,
  kScardWResetCard = 0x80100068,
  kScardWRemovedCard = 0x80100069,
};

// Reader states of SCardGetStatusChange. The upper 16 bits of an event state
// count the card's comings and goings (of the notification reader below: the
// readers there are).
inline constexpr std::uint32_t kScardStateUnaware = 0x0000;
inline constexpr std::uint32_t kScardStateChanged = 0x0002;
inline constexpr std::uint32_t kScardStateUnknown = 0x0004;
inline constexpr std::uint32_t kScardStateUnavailable = 0x0008;
inline constexpr std::uint32_t kScardStateEmpty = 0x0010;
inline constexpr std::uint32_t kScardStatePresent = 0x0020;
inline constexpr std::uint32_t kScardStateMute = 0x0200;
// The name that SCardGetStatusChange watches for readers plugged in or taken away.
inline constexpr const char* kPnpNotificationReader = "\\\\?PnP?\\Notification";

// One reader given to GetStatusChange: the state the caller knows, and the
// state found (kScardStateChanged set where the two differ).
struct TReaderState {
  std::string Reader;
  std::uint32_t CurrentState = kScardStateUnaware;
  std::uint32_t EventState = 0;
};

class TPcscApi {
public:
  virtual ~TPcscApi() = default;

  virtual std::int32_t EstablishContext(std::uint32_t scope, TScardContext& context) = 0;
  // buffer: where the multi-string goes; length: in, the capacity offered
  // (never more than buffer.size()); out, the length of the multi-string.
  virtual std::int32_t ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) = 0;
  virtual std::int32_t Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                               std::uint32_t preferredProtocols, TScardHandle& card, std::uint32_t& activeProtocol) = 0;
  // response.size() is the capacity granted; responseLength receives the count.
  virtual std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                                std::span<std::uint8_t> response, std::uint32_t& responseLength) = 0;
  virtual std::int32_t Disconnect(TScardHandle card, std::uint32_t disposition) = 0;
  // The answer to reset of the card in a reader, without connecting to it
  // (SCardGetStatusChange, not waiting). atr.size() is the capacity;
  // atrLength receives the count, 0 when the reader holds no card.
  virtual std::int32_t ReaderAtr(TScardContext context, const std::string& readerName, std::span<std::uint8_t> atr,
                                 std::uint32_t& atrLength) = 0;
  // SCardControl on a card connection: the reader's own commands (PC/SC part
  // 10). answer.size() is the capacity; answerLength receives the count.
  // Readers that take none answer SCARD_E_UNSUPPORTED_FEATURE.
  virtual std::int32_t Control(TScardHandle card, std::uint32_t controlCode, std::span<const std::uint8_t> command,
                               std::span<std::uint8_t> answer, std::uint32_t& answerLength);
  virtual std::int32_t ReleaseContext(TScardContext context) = 0;
  // SCardGetStatusChange: waits up to timeoutMs (0: not at all) for a state
  // to differ from its CurrentState; SCARD_E_TIMEOUT when none did.
  virtual std::int32_t GetStatusChange(TScardContext context, std::uint32_t timeoutMs,
                                       std::span<TReaderState> states) = 0;
};

// The API in use: the system's pcsc-lite unless something else was set.
TPcscApi& PcscApi();
// Puts api in place of the system's API; nullptr restores the system's.
void SetPcscApi(TPcscApi* api);
// The pcsc-lite implementation.
TPcscApi& SystemPcscApi();
