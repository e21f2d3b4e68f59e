#include "tools/virtual-reader/SmokeChecks.h"

#include <functional>
#include <iostream>

#include "tools/simchip/BacTerminal.h"
#include "tools/virtual-reader/PcscSession.h"

namespace vreader {

namespace {

using simchip::Hex;
using simchip::ToHex;

struct TProbe {
  const simchip::TDocument& Document;
  std::string ReaderSubstring;
  TPcscSession Pcsc;
  std::string Reader;
  simchip::TBacTerminal Terminal{[this](std::span<const std::uint8_t> command) { return Pcsc.Transmit(command); }};

  std::string Expect(const simchip::TBytes& command, const std::string& expectedHex) {
    const auto answer = Pcsc.Transmit(command);
    if (!answer) return ToHex(command) + ": " + PcscResultText(Pcsc.LastResult());
    if (ToHex(*answer) != expectedHex) return ToHex(command) + " answered " + ToHex(*answer) + ", not " + expectedHex;
    return {};
  }
};

struct TCheck {
  const char* Name;
  bool Essential;  // the checks after it need it
  std::function<std::string(TProbe&)> Run;
};

std::string Status(const char* what, const simchip::TBacTerminal::TAnswer& answer, std::uint16_t expected) {
  if (answer.LinkFailed) return std::string(what) + ": the exchange failed";
  if (!answer.Authentic) return std::string(what) + ": wrong MAC in the answer";
  if (answer.Status != expected) return std::string(what) + ": status " + ToHex(simchip::StatusOnly(answer.Status));
  return {};
}

const std::vector<TCheck> kChecks{
    {"a reader with the name is listed", true,
     [](TProbe& p) {
       for (const auto& name : p.Pcsc.Readers()) {
         std::cout << "    reader: " << name << "\n";
         if (p.Reader.empty() && name.find(p.ReaderSubstring) != std::string::npos) p.Reader = name;
       }
       return p.Reader.empty() ? "no reader name contains " + p.ReaderSubstring : std::string();
     }},
    {"connect shared, T=0 or T=1", true,
     [](TProbe& p) {
       const LONG result = p.Pcsc.Connect(p.Reader);
       return result == SCARD_S_SUCCESS ? std::string() : PcscResultText(result);
     }},
    {"SELECT of the eMRTD application", true,
     [](TProbe& p) { return p.Expect(Hex("00A4040C07A0000002471001"), "9000"); }},
    {"plain SELECT of EF.COM", false, [](TProbe& p) { return p.Expect(Hex("00A4020C02011E"), "9000"); }},
    {"plain READ BINARY refused before BAC", false, [](TProbe& p) { return p.Expect(Hex("00B0000004"), "6982"); }},
    {"wrong MRZ information refused", false,
     [](TProbe& p) {
       std::string wrong = p.Document.MrzInformation;
       wrong[0] = wrong[0] == 'X' ? 'Y' : 'X';
       return Status("EXTERNAL AUTHENTICATE", p.Terminal.Authenticate(wrong), 0x6300);
     }},
    {"BAC with the document's MRZ information", true,
     [](TProbe& p) {
       const std::string problem = Status("BAC", p.Terminal.Authenticate(p.Document.MrzInformation), 0x9000);
       if (!problem.empty()) return problem;
       return p.Terminal.SessionOpen() ? std::string() : std::string("the chip's cryptogram did not check out");
     }},
    {"every file read whole in pieces of 100 bytes", false,
     [](TProbe& p) {
       for (const auto& [fileId, content] : p.Document.Lds) {
         const auto read = p.Terminal.ReadFile(fileId, 100);
         if (read != content) return "file " + ToHex(simchip::StatusOnly(fileId)) + " did not read back";
         std::cout << "    file " << ToHex(simchip::StatusOnly(fileId)) << ": " << content.size() << " bytes\n";
       }
       return std::string();
     }},
    {"longest protected answer (231 bytes) passes", false,
     [](TProbe& p) {
       const auto largest =
           std::max_element(p.Document.Lds.begin(), p.Document.Lds.end(),
                            [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
       const std::string problem = Status("SELECT", p.Terminal.Select(largest->first), 0x9000);
       if (!problem.empty()) return problem;
       const auto answer = p.Terminal.Read(0, 231);
       if (const auto readProblem = Status("READ BINARY", answer, 0x9000); !readProblem.empty()) return readProblem;
       return answer.Data.size() == std::min<std::size_t>(231, largest->second.size()) ? std::string()
                                                                                       : std::string("short answer");
     }},
    {"missing file answered 6A82", false,
     [](TProbe& p) { return Status("SELECT DG16", p.Terminal.Select(0x0110), 0x6A82); }},
    {"powering the card down ends the session", false,
     [](TProbe& p) {
       p.Pcsc.Disconnect(SCARD_UNPOWER_CARD);
       if (const LONG result = p.Pcsc.Connect(p.Reader); result != SCARD_S_SUCCESS) return PcscResultText(result);
       return Status("protected SELECT after power-down", p.Terminal.Select(0x011E), 0x6988);
     }},
};

}  // namespace

int RunSmokeChecks(const simchip::TDocument& document, const std::string& readerSubstring) {
  TProbe probe{document, readerSubstring, {}, {}};
  int failed = 0;
  int passed = 0;
  for (const auto& check : kChecks) {
    const std::string problem = check.Run(probe);
    std::cout << (problem.empty() ? "ok     " : "FAILED ") << check.Name << (problem.empty() ? "" : ": " + problem)
              << std::endl;
    if (problem.empty()) {
      ++passed;
      continue;
    }
    ++failed;
    if (check.Essential) break;
  }
  std::cout << passed << " passed, " << failed << " failed" << std::endl;
  return failed;
}

}  // namespace vreader
