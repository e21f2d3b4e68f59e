#pragma once
// A small eMRTD terminal on the chip's own primitives: BAC, then protected
// SELECT and READ BINARY. It lets tests and tools (the card probe) talk to a
// chip end to end; it is not the program's reader.

#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "tools/simchip/Apdu.h"
#include "tools/simchip/CardCrypto.h"

namespace simchip {

// The terminal's end of secure messaging.
class TTerminalChannel {
public:
  TTerminalChannel(const TKeyPair& sessionKeys, const TBlock& initialCounter);

  // CLA 0C, DO'87' for data, DO'97' for Le, DO'8E', Le 00.
  TBytes Protect(const TCommandApdu& plain);
  // Data and status of a protected answer (DO'87', DO'99', DO'8E', SW1 SW2);
  // empty when its MAC is wrong or it is malformed.
  struct TPlainAnswer {
    TBytes Data;
    std::uint16_t Status = 0;
  };
  std::optional<TPlainAnswer> Unprotect(std::span<const std::uint8_t> answer);

  const TBlock& Counter() const { return counter_; }

private:
  TBlock NextMac(std::span<const std::uint8_t> data);

  TKeyPair keys_;
  TBlock counter_;
};

// The terminal's EXTERNAL AUTHENTICATE data and what it needs to finish.
struct TTerminalAuthentication {
  TKeyPair DocumentKeys;
  TBlock Challenge{};
  TBlock Nonce{};              // RND.IFD
  TKey KeyMaterial{};          // K.IFD
  TBytes CommandData() const;  // E_IFD || M_IFD
  // Checks E_ICC || M_ICC and opens the channel; empty when the answer is wrong.
  std::optional<TTerminalChannel> Finish(std::span<const std::uint8_t> answerData) const;
};

class TBacTerminal {
public:
  // Sends one command APDU and returns the answer; empty when the link failed.
  using TLink = std::function<std::optional<TBytes>(std::span<const std::uint8_t>)>;

  struct TAnswer {
    bool LinkFailed = false;
    bool Authentic = true;  // false: a protected answer whose MAC was wrong
    std::uint16_t Status = 0;
    TBytes Data;
  };

  explicit TBacTerminal(TLink link) : link_(std::move(link)) {}

  TAnswer SelectApplication();
  // GET CHALLENGE and EXTERNAL AUTHENTICATE; random RND.IFD and K.IFD unless given.
  TAnswer Authenticate(std::string_view mrzInformation, std::optional<TBlock> nonce = {},
                       std::optional<TKey> keyMaterial = {});
  // Sent protected while a session is open, else plain.
  TAnswer Send(const TCommandApdu& command);
  TAnswer Select(std::uint16_t fileId);
  TAnswer Read(std::size_t offset, std::size_t length);
  // Selects a file and reads it whole (its length from its first four bytes),
  // in pieces of the given size; empty on any failure.
  std::optional<TBytes> ReadFile(std::uint16_t fileId, std::size_t piece = 100);

  bool SessionOpen() const { return channel_.has_value(); }
  void EndSession() { channel_.reset(); }
  std::optional<TBlock> Counter() const;

private:
  TLink link_;
  std::optional<TTerminalChannel> channel_;
};

// Total length of the BER-TLV object a file starts with (tag, length and
// value); empty when the first bytes do not tell.
std::optional<std::size_t> EncodedFileLength(std::span<const std::uint8_t> start);

}  // namespace simchip
