#include "reader/PcscApi.h"

#include <PCSC/reader.h>
#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>

#include <algorithm>
#include <vector>

#include "reader/ReaderFeatures.h"

static_assert(kIoctlGetFeatureRequest == CM_IOCTL_GET_FEATURE_REQUEST);
static_assert(kFeatureGetTlvProperties == FEATURE_GET_TLV_PROPERTIES);
static_assert(kPropertyMaxApduDataSize == PCSCv2_PART10_PROPERTY_dwMaxAPDUDataSize);
static_assert(kScardEUnsupportedFeature == static_cast<std::uint32_t>(SCARD_E_UNSUPPORTED_FEATURE));

namespace {

std::int32_t ToResult(LONG rv) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(rv)); }

class TSystemPcscApi final : public TPcscApi {
public:
  std::int32_t EstablishContext(std::uint32_t scope, TScardContext& context) override {
    SCARDCONTEXT ctx = 0;
    const LONG rv = SCardEstablishContext(scope, nullptr, nullptr, &ctx);
    context = static_cast<TScardContext>(ctx);
    return ToResult(rv);
  }

  std::int32_t ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) override {
    DWORD len = std::min<DWORD>(length, static_cast<DWORD>(buffer.size()));
    const LONG rv =
        SCardListReaders(static_cast<SCARDCONTEXT>(context), nullptr, reinterpret_cast<char*>(buffer.data()), &len);
    length = static_cast<std::uint32_t>(len);
    return ToResult(rv);
  }

  std::int32_t Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                       std::uint32_t preferredProtocols, TScardHandle& card, std::uint32_t& activeProtocol) override {
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    const LONG rv = SCardConnect(static_cast<SCARDCONTEXT>(context), readerName.c_str(), shareMode, preferredProtocols,
                                 &handle, &protocol);
    card = static_cast<TScardHandle>(handle);
    activeProtocol = static_cast<std::uint32_t>(protocol);
    return ToResult(rv);
  }

  std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override {
    SCARD_IO_REQUEST ioRequest{protocol, sizeof(SCARD_IO_REQUEST)};
    DWORD len = static_cast<DWORD>(response.size());
    const LONG rv = SCardTransmit(static_cast<SCARDHANDLE>(card), &ioRequest, command.data(),
                                  static_cast<DWORD>(command.size()), nullptr, response.data(), &len);
    responseLength = static_cast<std::uint32_t>(len);
    return ToResult(rv);
  }

  std::int32_t Disconnect(TScardHandle card, std::uint32_t disposition) override {
    return ToResult(SCardDisconnect(static_cast<SCARDHANDLE>(card), disposition));
  }

  std::int32_t ReaderAtr(TScardContext context, const std::string& readerName, std::span<std::uint8_t> atr,
                         std::uint32_t& atrLength) override {
    SCARD_READERSTATE state{};
    state.szReader = readerName.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const LONG rv = SCardGetStatusChange(static_cast<SCARDCONTEXT>(context), 0, &state, 1);
    atrLength = 0;
    if (rv != SCARD_S_SUCCESS || (state.dwEventState & SCARD_STATE_PRESENT) == 0) return ToResult(rv);
    const std::size_t count = std::min<std::size_t>({state.cbAtr, sizeof(state.rgbAtr), atr.size()});
    std::copy_n(state.rgbAtr, count, atr.begin());
    atrLength = static_cast<std::uint32_t>(count);
    return ToResult(rv);
  }

  std::int32_t Control(TScardHandle card, std::uint32_t controlCode, std::span<const std::uint8_t> command,
                       std::span<std::uint8_t> answer, std::uint32_t& answerLength) override {
    DWORD received = 0;
    const LONG rv =
        SCardControl(static_cast<SCARDHANDLE>(card), controlCode, command.data(), static_cast<DWORD>(command.size()),
                     answer.data(), static_cast<DWORD>(answer.size()), &received);
    answerLength = static_cast<std::uint32_t>(std::min<std::size_t>(received, answer.size()));
    return ToResult(rv);
  }

  std::int32_t ReleaseContext(TScardContext context) override {
    return ToResult(SCardReleaseContext(static_cast<SCARDCONTEXT>(context)));
  }

  std::int32_t GetStatusChange(TScardContext context, std::uint32_t timeoutMs,
                               std::span<TReaderState> states) override {
    std::vector<SCARD_READERSTATE> native(states.size());
    for (std::size_t i = 0; i < states.size(); ++i) {
      native[i].szReader = states[i].Reader.c_str();
      native[i].dwCurrentState = states[i].CurrentState;
    }
    const LONG rv = SCardGetStatusChange(static_cast<SCARDCONTEXT>(context), timeoutMs, native.data(),
                                         static_cast<DWORD>(native.size()));
    for (std::size_t i = 0; i < states.size(); ++i)
      states[i].EventState = static_cast<std::uint32_t>(native[i].dwEventState);
    return ToResult(rv);
  }
};

TPcscApi* currentApi = nullptr;

}  // namespace

std::int32_t TPcscApi::Control(TScardHandle, std::uint32_t, std::span<const std::uint8_t>, std::span<std::uint8_t>,
                               std::uint32_t& answerLength) {
  answerLength = 0;
  return ScardCode(kScardEUnsupportedFeature);
}

TPcscApi& SystemPcscApi() {
  static TSystemPcscApi api;
  return api;
}

TPcscApi& PcscApi() { return currentApi ? *currentApi : SystemPcscApi(); }

void SetPcscApi(TPcscApi* api) { currentApi = api; }
