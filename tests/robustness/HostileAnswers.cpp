#include "HostileAnswers.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "tools/simchip/ChipFaults.h"

namespace {

using hostile::TAnswerKind;
using hostile::TScriptedAnswer;
using simchip::TBytes;
using simchip::TFault;

constexpr std::uint16_t kSecurityStatusNotSatisfied = 0x6982;
constexpr std::size_t kAuthenticateAnswerLength = 42;
constexpr std::size_t kChallengeLength = 8;

// Everything a recipe needs to plant its fault.
struct TPlanting {
  std::mt19937& Random;
  const TStep& Step;
  std::size_t Command;
  const simchip::TDocument& Document;
  simchip::TSimulatedChip& Chip;
  TScriptedFaults& Scripted;

  std::size_t Uniform(std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(Random);
  }
  TBytes RandomBytes(std::size_t count) {
    TBytes bytes(count);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(Uniform(0, 255));
    return bytes;
  }
  // The chip's fault schedule counts from 1, from the start of the read.
  void ChipFault(TFault fault) {
    fault.At = Command + 1;
    Chip.AddFault(fault);
  }
  void Answer(TScriptedAnswer answer) {
    Scripted[Command] = [answer](const hostile::TExchange&) { return answer; };
  }
  // The bytes of the file this read asks for, as the chip would give them.
  TBytes FilePart() const {
    if (!Step.Read()) return {};
    const auto file = Document.Lds.find(Step.FileId);
    if (file == Document.Lds.end() || Step.Offset >= file->second.size()) return {};
    const std::size_t count = std::min(Step.Length, file->second.size() - Step.Offset);
    const auto from = file->second.begin() + static_cast<std::ptrdiff_t>(Step.Offset);
    return TBytes(from, from + static_cast<std::ptrdiff_t>(count));
  }
};

// Status words a chip may refuse with: 61xx and 6Cxx (the length fix-ups of
// T=0), the end-of-file warning, wrong secure messaging objects, and others.
std::uint16_t RefusingStatus(TPlanting& p) {
  constexpr std::array<std::uint16_t, 9> kStatuses{0x6100, 0x6C00, 0x6282, 0x6988, 0x6A82,
                                                   0x6B00, 0x6700, 0x6D00, 0x6F00};
  const std::uint16_t status = kStatuses[p.Uniform(0, kStatuses.size() - 1)];
  const bool lowByteFree = status == 0x6100 || status == 0x6C00;
  return static_cast<std::uint16_t>(status | (lowByteFree ? p.Uniform(0, 0xFF) : 0));
}

// The line a step writes for a refused status word, where the status ends the step there.
std::optional<std::string> RefusalLine(const TStep& step, std::uint16_t status) {
  if (step.Kind == TStepKind::EfComHeader && status == kSecurityStatusNotSatisfied) return std::nullopt;  // BAC again
  return RefusedStatusLine(step, status);
}

std::string Number(std::size_t value) { return std::to_string(value); }

// The secure messaging trailer: DO'99' 9000, DO'8E' with a MAC of no account, SW 9000.
TBytes WithTrailer(TBytes objects, TPlanting& p) {
  const TBytes status{0x99, 0x02, 0x90, 0x00, 0x8E, 0x08};
  objects.insert(objects.end(), status.begin(), status.end());
  const TBytes mac = p.RandomBytes(8);
  objects.insert(objects.end(), mac.begin(), mac.end());
  objects.push_back(0x90);
  objects.push_back(0x00);
  return objects;
}

// A raw answer that ends in 9000; a SELECT takes it as carrying a wrong MAC.
std::optional<std::string> RawAnswer(TPlanting& p, TBytes answer, std::optional<std::string> readLine) {
  p.Answer({.Kind = TAnswerKind::Raw, .Bytes = std::move(answer)});
  return p.Step.Read() ? readLine : WrongMacLine(p.Step);
}

struct TRecipe {
  const char* Name;
  bool (*Applies)(const TStep& step);
  std::optional<std::string> (*Plant)(TPlanting& p);
};

bool AnyStep(const TStep&) { return true; }
bool ProtectedStep(const TStep& step) { return step.Protected; }
bool ProtectedRead(const TStep& step) { return step.Protected && step.Read(); }
bool HeaderRead(const TStep& step) {
  return step.Protected && (step.Kind == TStepKind::EfComHeader || step.Kind == TStepKind::DataGroupHeader);
}

constexpr std::array kRecipes{
    TRecipe{
        "link failure", AnyStep,
        [](TPlanting& p) -> std::optional<std::string> {
          constexpr std::array<std::uint32_t, 3> kErrors{kScardENotTransacted, kScardEProtoMismatch, kScardWResetCard};
          p.ChipFault(TFault::TransmitError(0, kErrors[p.Uniform(0, kErrors.size() - 1)]));
          return ConnectionErrorLine(p.Step);
        }},
    TRecipe{"card taken away", AnyStep,
            [](TPlanting& p) -> std::optional<std::string> {
              p.ChipFault(TFault::CardRemoved(0));
              return ConnectionErrorLine(p.Step);
            }},
    TRecipe{"MAC spoilt by the chip", AnyStep,
            [](TPlanting& p) -> std::optional<std::string> {
              p.ChipFault(TFault::WrongMac(0));
              const bool macked = p.Step.Protected || p.Step.Kind == TStepKind::ExternalAuthenticate;
              return macked ? WrongMacLine(p.Step) : std::nullopt;
            }},
    TRecipe{"answer truncated", AnyStep,
            [](TPlanting& p) -> std::optional<std::string> {
              const std::size_t kept = p.Uniform(0, 12);
              p.ChipFault(TFault::Truncated(0, kept));
              const std::size_t length = kept + 2;
              switch (p.Step.Kind) {
                case TStepKind::GetChallenge:
                  return kept < kChallengeLength ? std::optional<std::string>("RND_ICC error.") : std::nullopt;
                case TStepKind::ExternalAuthenticate:
                  return "MrtdIccGetChallenge : Card returned " + Number(length) + " bytes instead of " +
                         Number(kAuthenticateAnswerLength);
                case TStepKind::SecureSelectEfCom:
                case TStepKind::SelectDataGroup:
                  return WrongMacLine(p.Step);
                default:
                  break;
              }
              if (p.Step.Protected && p.Step.Read() && length < 10) return "Hata #1 : " + Number(length);
              return std::nullopt;
            }},
    TRecipe{"answer overlong", AnyStep,
            [](TPlanting& p) -> std::optional<std::string> {
              p.ChipFault(TFault::Overlong(0, p.Uniform(1, 60)));
              return std::nullopt;
            }},
    TRecipe{"bare status word", AnyStep,
            [](TPlanting& p) -> std::optional<std::string> {
              const std::uint16_t status = RefusingStatus(p);
              p.ChipFault(TFault::StatusWord(0, status));
              if (p.Step.Kind == TStepKind::SelectApplication) return std::nullopt;  // its status is not looked at
              return RefusalLine(p.Step, status);
            }},
    TRecipe{"random answer", AnyStep,
            [](TPlanting& p) -> std::optional<std::string> {
              p.ChipFault(TFault::Answer(0, p.RandomBytes(p.Uniform(0, 40))));
              return std::nullopt;
            }},
    TRecipe{"protected status word", ProtectedStep,
            [](TPlanting& p) -> std::optional<std::string> {
              const std::uint16_t status = RefusingStatus(p);
              p.Answer({.Kind = TAnswerKind::ProtectedStatus, .Bytes = {}, .Status = status});
              return RefusalLine(p.Step, status);
            }},
    TRecipe{"data with the end-of-file warning", ProtectedRead,
            [](TPlanting& p) -> std::optional<std::string> {
              p.Answer({.Kind = TAnswerKind::Data, .Bytes = p.FilePart(), .Status = 0x6282});
              return RefusalLine(p.Step, 0x6282);
            }},
    TRecipe{"DO'87' length form 80 or 83 and above", ProtectedStep,
            [](TPlanting& p) -> std::optional<std::string> {
              const std::size_t form = p.Uniform(0, 1) == 0 ? 0x80 : p.Uniform(0x83, 0xFF);
              TBytes answer{0x87, static_cast<std::uint8_t>(form)};
              const TBytes body = p.RandomBytes(p.Uniform(0, 24));
              answer.insert(answer.end(), body.begin(), body.end());
              return RawAnswer(p, WithTrailer(answer, p), "Hata #2 : " + Number(form));
            }},
    TRecipe{"DO'87' length 82 FFFF", ProtectedStep,
            [](TPlanting& p) -> std::optional<std::string> {
              TBytes answer{0x87, 0x82, 0xFF, 0xFF, 0x01};
              const TBytes body = p.RandomBytes(16);
              answer.insert(answer.end(), body.begin(), body.end());
              answer = WithTrailer(answer, p);
              return RawAnswer(p, answer, "Hata #3 : " + Number(answer.size()));
            }},
    TRecipe{"DO'87' length past the answer", ProtectedStep,
            [](TPlanting& p) -> std::optional<std::string> {
              // 8 cryptogram bytes are there; the length claims more.
              const bool longForm = p.Uniform(0, 1) == 1;
              const std::size_t claimed = longForm ? p.Uniform(0x0C, 0xFF) : p.Uniform(0x0C, 0x7F);
              TBytes answer{0x87};
              if (longForm) answer.push_back(0x81);
              answer.push_back(static_cast<std::uint8_t>(claimed));
              answer.push_back(0x01);
              const TBytes cryptogram = p.RandomBytes(8);
              answer.insert(answer.end(), cryptogram.begin(), cryptogram.end());
              answer = WithTrailer(answer, p);
              return RawAnswer(p, answer, "Hata #3 : " + Number(answer.size()));
            }},
    TRecipe{"cryptogram of no whole blocks", ProtectedStep,
            [](TPlanting& p) -> std::optional<std::string> {
              std::size_t count = p.Uniform(0, 40);
              if (count % 8 == 0 && count > 0) ++count;
              TBytes answer{0x87, static_cast<std::uint8_t>(count + 1), 0x01};
              const TBytes cryptogram = p.RandomBytes(count);
              answer.insert(answer.end(), cryptogram.begin(), cryptogram.end());
              return RawAnswer(p, WithTrailer(answer, p), "Hata #4 : " + Number(count));
            }},
    TRecipe{"answer shorter than 10 bytes", ProtectedStep,
            [](TPlanting& p) -> std::optional<std::string> {
              TBytes answer = p.RandomBytes(p.Uniform(0, 7));
              answer.push_back(0x90);
              answer.push_back(0x00);
              const std::size_t length = answer.size();
              return RawAnswer(p, answer, "Hata #1 : " + Number(length));
            }},
    TRecipe{"file length out of range", HeaderRead,
            [](TPlanting& p) -> std::optional<std::string> {
              struct THeader {
                TBytes Bytes;
                std::size_t Total;  // as DecodeFileLength reads it
              };
              const std::uint8_t tag = p.FilePart().empty() ? 0x61 : p.FilePart()[0];
              const std::array headers{
                  THeader{{tag, 0x82, 0xFF, 0xFF}, 0},
                  THeader{{tag, 0x83, 0x01, 0x00}, 0},
                  THeader{{tag, 0x80, 0x00, 0x00}, 0},  // indefinite: no length from a header
                  THeader{{0x00, 0x82, 0x01, 0x00}, 0},
                  THeader{{0xFF, 0x10, 0x00, 0x00}, 0},
                  THeader{{tag, 0x82, 0xFF, 0xF0}, 0xFFF4},
                  THeader{{tag, 0x82, 0x01, 0x01}, 0x105},
                  THeader{{tag, 0x81, 0xFF, 0x00}, 0x102},
                  THeader{{tag, 0x01, 0x00, 0x00}, 3},
                  THeader{{tag, 0x00, 0x00, 0x00}, 2},
                  THeader{{0x7F, 0x61, 0x82, 0xFF}, 0xFF85},  // the fifth byte is the padding's 0x80
              };
              const THeader& header = headers[p.Uniform(0, headers.size() - 1)];
              p.Answer({.Kind = TAnswerKind::Data, .Bytes = header.Bytes});
              // Three length bytes: the data group's length is learnt from the file as it comes.
              if (p.Step.Kind == TStepKind::DataGroupHeader)
                return header.Bytes[1] == 0x83 ? std::nullopt
                                               : std::optional<std::string>("filesize:" + Number(header.Total));
              const bool readable = header.Total >= 4 && header.Total <= 260;
              return readable ? std::nullopt
                              : std::optional<std::string>("MrtdReadFile : Bad file length " + Number(header.Total));
            }},
    TRecipe{"file header of another length", HeaderRead,
            [](TPlanting& p) -> std::optional<std::string> {
              std::size_t count = p.Uniform(1, 30);
              if (count == 4) count = 5;
              p.Answer({.Kind = TAnswerKind::Data, .Bytes = p.RandomBytes(count)});
              return "recv_len <>4 :  " + Number(count);
            }},
    TRecipe{"MAC spoilt around sound data", ProtectedStep,
            [](TPlanting& p) -> std::optional<std::string> {
              p.Answer({.Kind = TAnswerKind::WrongMacData, .Bytes = p.FilePart()});
              return WrongMacLine(p.Step);
            }},
    TRecipe{"hostile plaintext", ProtectedRead,
            [](TPlanting& p) -> std::optional<std::string> {
              p.Answer({.Kind = TAnswerKind::Data, .Bytes = p.RandomBytes(p.Uniform(1, 231))});
              return std::nullopt;
            }},
    TRecipe{"plaintext bytes flipped", ProtectedRead,
            [](TPlanting& p) -> std::optional<std::string> {
              TBytes data = p.FilePart();
              for (std::size_t flips = p.Uniform(1, 4); flips > 0 && !data.empty(); --flips)
                data[p.Uniform(0, data.size() - 1)] = static_cast<std::uint8_t>(p.Uniform(0, 255));
              p.Answer({.Kind = TAnswerKind::Data, .Bytes = data});
              return std::nullopt;
            }},
};

}  // namespace

THostileFault PlantHostileFault(std::mt19937& random, const std::vector<TStep>& steps,
                                const simchip::TDocument& document, simchip::TSimulatedChip& chip,
                                TScriptedFaults& scripted, std::size_t from) {
  for (std::size_t attempt = 0; attempt < 100 * kRecipes.size(); ++attempt) {
    const TRecipe& recipe = kRecipes[std::uniform_int_distribution<std::size_t>(0, kRecipes.size() - 1)(random)];
    std::vector<std::size_t> eligible;
    for (std::size_t i = from; i < steps.size(); ++i)
      if (recipe.Applies(steps[i])) eligible.push_back(i);
    if (eligible.empty()) continue;
    const std::size_t command = eligible[std::uniform_int_distribution<std::size_t>(0, eligible.size() - 1)(random)];
    TPlanting planting{random, steps[command], command, document, chip, scripted};
    return {recipe.Name, command, recipe.Plant(planting)};
  }
  return {"none", steps.size(), std::nullopt};
}

std::vector<std::string> HostileFaultNames() {
  std::vector<std::string> names;
  for (const TRecipe& recipe : kRecipes) names.emplace_back(recipe.Name);
  return names;
}

hostile::TAnswerScript ScriptOf(const TScriptedFaults& scripted, const TReadRig& rig) {
  return [&scripted, &rig](const hostile::TExchange& exchange) -> std::optional<TScriptedAnswer> {
    const std::size_t command = rig.LinesBeforeCommand().size() - 1;
    const auto found = scripted.find(command);
    if (found == scripted.end()) return std::nullopt;
    return found->second(exchange);
  };
}
