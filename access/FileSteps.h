#pragma once
// The steps that file reading is made of: one SELECT or READ BINARY exchange,
// the status word check and the taking of the answer's data. Each step logs
// its own failure with the texts the caller gives and tells whether to go on.
//
// Commands are protected while BAC is on (secure messaging); otherwise they
// go plain, and a plain answer's data is taken as it is, so that chips that
// never ask for BAC can be read too.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "access/CardExchange.h"
#include "access/MrtdContext.h"

// The log lines of one step, as message templates; "%d" shows the file's
// number, "%x" and "%04X" the status word.
struct TStepTexts {
  std::string_view ConnectionError;
  std::string_view WrongMac;
  std::string_view FileNotFound;  // empty: status 0x6A82 is reported as a bad status word
  std::string_view BadStatus;
};

// SELECT of file `number`, protected when `secure`. True when the file is
// selected. A protected answer is checked by its MAC: the 0x9000 answer
// and also a refusal in protected form (DO'99' and DO'8E') before its status
// word is acted on. A plain SELECT refused with 0x6982 goes on silently: the
// read that follows meets the same refusal and reports it.
bool SelectFileStep(tMRTD_CTX& ctx, std::uint8_t number, bool secure, const TStepTexts& texts);

// READ BINARY of length bytes at offset, protected when BacEnabled. Returns the
// status word, or nothing when the step ended (connection error, or a
// refusal in protected form whose MAC is wrong), its line logged.
std::optional<std::uint16_t> ReadBinaryStep(tMRTD_CTX& ctx, std::uint16_t offset, std::uint16_t length,
                                            TClearBuffers clear, const TStepTexts& texts, std::uint8_t number);

// True for 0x9000; otherwise logs the file-not-found or bad-status line.
bool AcceptStatusStep(std::uint16_t status, const TStepTexts& texts, std::uint8_t number);

// The data of a 0x9000 answer into plaintext: unwrapped and deciphered when
// BacEnabled, taken as it is otherwise. Returns the data length, or nothing
// when the step ended (a wrong MAC logs the step's line; a too short or
// rejected answer has been logged by the unwrapping).
std::optional<std::size_t> TakeDataStep(tMRTD_CTX& ctx, std::span<std::uint8_t> plaintext,
                                        const TStepTexts& texts, std::uint8_t number);

// Logs one line made from a template with the file's number and a status word.
void LogStep(std::string_view pattern, std::uint8_t number, std::uint16_t status = 0);
