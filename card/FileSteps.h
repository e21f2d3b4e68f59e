#pragma once
// The steps that file reading is made of: one SELECT or READ BINARY exchange
// through the card session, the status word check and the taking of the
// answer's data. Each step logs its own failure with the texts the caller
// gives and tells whether to go on.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "card/CardSession.h"

// The log lines of one step, as message templates; "%d" shows the file's
// number, "%x" and "%04X" the status word.
struct TStepTexts {
  std::string_view ConnectionError;
  std::string_view WrongMac;
  std::string_view FileNotFound;  // empty: status 0x6A82 is reported as a bad status word
  std::string_view BadStatus;
};

// Sends the SELECT command of file `number` through the session (wrapped as
// wrapping says). True when the file is selected. The answer is checked by
// the secure messaging before its status word is acted on. With
// securityRefusalGoesOn a refusal with 0x6982 goes on silently: the read that
// follows meets the same refusal and reports it.
bool SelectFileStep(TCardSession& session, const TCommandApdu& command, const TStepTexts& texts, std::uint8_t number,
                    bool securityRefusalGoesOn = false, TWrapping wrapping = TWrapping::InForce);

// READ BINARY of length (at most 256) bytes at offset through the session,
// its data opened into plaintext. Returns the answer, or nothing when the
// step ended (connection error, or a refusal the secure messaging finds
// altered), its line logged.
std::optional<TCardAnswer> ReadBinaryStep(TCardSession& session, std::uint16_t offset, std::uint16_t length,
                                          TClearBuffers clear, const TStepTexts& texts, std::uint8_t number,
                                          std::span<std::uint8_t> plaintext);

// True for 0x9000; otherwise logs the file-not-found or bad-status line.
bool AcceptStatusStep(std::uint16_t status, const TStepTexts& texts, std::uint8_t number);

// The length of the data of a 0x9000 answer (opened into the plaintext its
// READ BINARY named), or nothing when the step ended (a wrong MAC logs the
// step's line; a too short or rejected answer has been logged by the secure
// messaging).
std::optional<std::size_t> TakeDataStep(const TCardAnswer& answer, const TStepTexts& texts, std::uint8_t number);

inline constexpr std::uint16_t kHeaderLength = 4;  // the first bytes read of a file: enough for its length
using TWorkBuffer = std::array<std::uint8_t, 256>;

// Takes the first 4 bytes of the selected file from the answer to their READ
// BINARY (opened into the plaintext the read named); false when the step
// ended (logged).
bool ReadHeaderStep(const std::optional<TCardAnswer>& answer, const TStepTexts& texts, std::uint8_t number);

// Logs one line made from a template with the file's number and a status word.
void LogStep(std::string_view pattern, std::uint8_t number, std::uint16_t status = 0);
