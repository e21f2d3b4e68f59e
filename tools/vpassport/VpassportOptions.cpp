#include "tools/vpassport/VpassportOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>

#include "tools/mappingchip/MappingPaceChip.h"
#include "tools/mappingchip/MappingProtocols.h"
#include "tools/mappingchip/PaceGroup.h"

namespace vpassport {

namespace {

struct TFlag {
  std::string_view Name;
  bool TakesValue;
  std::string_view Help;
  // Applies the flag; returns what is wrong with its value, or nothing.
  std::function<std::string(TVpassportOptions&, std::string_view)> Apply;
};

template <typename TNumber>
std::optional<TNumber> Number(std::string_view text) {
  TNumber value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// PROTOCOL:ID of a protocol of the chip's own PACE with this mapping, its parameter id one of the protocol's
// groups: added to the offers, or what is wrong.
std::string AddOwnMappingOffer(TVpassportOptions& o, std::string_view flag, std::string_view value,
                               mappingchip::EMapping mapping, std::string_view example) {
  const std::optional<pacechip::TPaceOffer> offer = pacechip::ParsePaceOffer(value);
  const mappingchip::TMappingProtocol* protocol = offer ? mappingchip::FindMappingProtocol(offer->Protocol) : nullptr;
  if (!protocol || protocol->Mapping != mapping)
    return std::string(flag) + " needs PROTOCOL:ID with a protocol of that mapping, e.g. " + std::string(example);
  const auto group = mappingchip::MakePaceGroup(offer->ParameterId);
  if (!group || group->IsEllipticCurve() != protocol->EllipticCurve)
    return std::string(flag) + ": parameter id " + std::to_string(offer->ParameterId) + " does not go with " +
           offer->Protocol;
  o.Pace.Offers.push_back(*offer);
  return std::string();
}

const std::array<TFlag, 16> kFlags{{
    {"--document", true, "FILE   document file to serve (required)",
     [](TVpassportOptions& o, std::string_view v) {
       o.Document = std::string(v);
       return std::string();
     }},
    {"--port", true, "N          vpcd port (default 35963)",
     [](TVpassportOptions& o, std::string_view v) {
       const auto port = Number<std::uint16_t>(v);
       if (!port || *port == 0) return std::string("--port needs a number from 1 to 65535");
       o.Port = *port;
       return std::string();
     }},
    {"--host", true, "ADDRESS    vpcd address (default 127.0.0.1)",
     [](TVpassportOptions& o, std::string_view v) {
       o.Host = std::string(v);
       return std::string();
     }},
    {"--connect-timeout", true, "SECONDS  how long to wait for vpcd (default 10)",
     [](TVpassportOptions& o, std::string_view v) {
       const auto seconds = Number<unsigned>(v);
       if (!seconds) return std::string("--connect-timeout needs a whole number of seconds");
       o.Patience = std::chrono::seconds(*seconds);
       return std::string();
     }},
    {"--no-bac", false, "           let plain READ BINARY work without BAC",
     [](TVpassportOptions& o, std::string_view) {
       o.Chip.RequireBac = false;
       return std::string();
     }},
    {"--refuse-plain-select", false, "answer plain SELECT of a file with 6982 before BAC",
     [](TVpassportOptions& o, std::string_view) {
       o.Chip.RefusePlainSelect = true;
       return std::string();
     }},
    {"--protected-errors", false, "  answer errors under secure messaging in protected form",
     [](TVpassportOptions& o, std::string_view) {
       o.Chip.ProtectedErrors = true;
       return std::string();
     }},
    {"--end-of-file-warning", false, "answer 6282 to reads cut short by the end of a file",
     [](TVpassportOptions& o, std::string_view) {
       o.Chip.EndOfFileWarning = true;
       return std::string();
     }},
    {"--pace", true,
     "PROTOCOL:ID  offer PACE (OpenPACE's chip side) with this protocol name and standard\n"
     "                      parameter id, e.g. id-PACE-ECDH-GM-AES-CBC-CMAC-128:13; repeat for more PACEInfos.\n"
     "                      When an offer needs Integrated or Chip Authentication Mapping, or the document has\n"
     "                      an EF.CardSecurity, the chip's own PACE serves all offers instead",
     [](TVpassportOptions& o, std::string_view v) {
       const auto colon = v.rfind(':');
       const auto id = colon == std::string_view::npos ? std::nullopt : Number<unsigned>(v.substr(colon + 1));
       if (!id || *id > 0xFF) return std::string("--pace needs PROTOCOL:ID");
       const std::string protocol(v.substr(0, colon));
       if (!pacechip::KnownPaceProtocol(protocol) && !mappingchip::FindMappingProtocol(protocol))
         return "--pace: unknown protocol " + protocol;
       o.Pace.Offers.push_back({protocol, static_cast<int>(*id)});
       return std::string();
     }},
    {"--pace-im", true,
     "PROTOCOL:ID  offer PACE with Integrated Mapping (the chip's own PACE), e.g.\n"
     "                      id-PACE-ECDH-IM-AES-CBC-CMAC-128:13 or id-PACE-DH-IM-AES-CBC-CMAC-128:0",
     [](TVpassportOptions& o, std::string_view v) {
       return AddOwnMappingOffer(o, "--pace-im", v, mappingchip::EMapping::Integrated,
                                 "id-PACE-ECDH-IM-AES-CBC-CMAC-128:13");
     }},
    {"--pace-cam", true,
     "PROTOCOL:ID  offer PACE with Chip Authentication Mapping (the chip's own PACE), e.g.\n"
     "                      id-PACE-ECDH-CAM-AES-CBC-CMAC-128:13; the document's pace-cam private key answers it\n"
     "                      (MSE:Set AT answered 6A88 without one, unless --clone pace-cam)",
     [](TVpassportOptions& o, std::string_view v) {
       return AddOwnMappingOffer(o, "--pace-cam", v, mappingchip::EMapping::ChipAuthentication,
                                 "id-PACE-ECDH-CAM-AES-CBC-CMAC-128:13");
     }},
    {"--random-seed", true,
     "N   fixed randomness: the chip's challenges, OpenPACE's nonce and keys, Active\n"
     "                      Authentication's signatures and a clone's keys",
     [](TVpassportOptions& o, std::string_view v) {
       const auto seed = Number<std::uint64_t>(v);
       if (!seed) return std::string("--random-seed needs a number");
       o.Chip.RandomSeed = *seed;
       return std::string();
     }},
    {"--pace-only", false, "       refuse BAC (EXTERNAL AUTHENTICATE answered 6985)",
     [](TVpassportOptions& o, std::string_view) {
       o.Pace.RefuseBac = true;
       return std::string();
     }},
    {"--pace-can", true,
     "CAN     take PACE with this card access number (digits) and refuse the MRZ as password\n"
     "                      (MSE:Set AT answered 6A88) and BAC, as --pace-only; needs --pace or the\n"
     "                      document's own pace lines",
     [](TVpassportOptions& o, std::string_view v) {
       if (v.empty() || !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
         return std::string("--pace-can needs the card access number's digits");
       o.Pace.Can = std::string(v);
       o.Pace.RefuseBac = true;
       return std::string();
     }},
    {"--clone", true,
     "PROTOCOL    act as a clone for chip-authentication, active-authentication or pace-cam: answer\n"
     "                      with a fresh key of the same kind instead of the document's (repeat for more)",
     [](TVpassportOptions& o, std::string_view v) {
       if (v == simchip::kChipAuthenticationKey) {
         o.Chip.CloneChipAuthentication = true;
       } else if (v == simchip::kActiveAuthenticationKey) {
         o.Chip.CloneActiveAuthentication = true;
       } else if (v == mappingchip::kChipAuthenticationMappingKey) {
         o.CloneCam = true;
       } else {
         return std::string("--clone needs chip-authentication, active-authentication or pace-cam");
       }
       return std::string();
     }},
    {"--aa-rsa-hash", true,
     "DIGEST  hash of RSA Active Authentication signatures: SHA1 (trailer BC, the default),\n"
     "                      SHA224, SHA256, SHA384 or SHA512 (trailer 38CC, 34CC, 36CC, 35CC)",
     [](TVpassportOptions& o, std::string_view v) {
       static constexpr std::array<std::string_view, 5> kDigests{"SHA1", "SHA224", "SHA256", "SHA384", "SHA512"};
       if (std::find(kDigests.begin(), kDigests.end(), v) == kDigests.end())
         return std::string("--aa-rsa-hash needs SHA1, SHA224, SHA256, SHA384 or SHA512");
       o.Chip.ActiveAuthenticationRsaDigest = std::string(v);
       return std::string();
     }},
}};

}  // namespace

std::string VpassportUsage() {
  std::string usage =
      "Usage: zelvan-vpassport --document FILE [options]\n"
      "Serves a simulated eMRTD chip to pcscd through the vpcd reader driver. A document file with\n"
      "private-key lines also answers Chip Authentication (its chip-authentication key) and Active\n"
      "Authentication (its active-authentication key); without one, their commands are refused\n"
      "with 6A88. A document with a pace-cam private key and EF.CardSecurity (card-security lines)\n"
      "answers PACE with Chip Authentication Mapping as its pace lines offer it.\n\n";
  for (const auto& flag : kFlags) usage += "  " + std::string(flag.Name) + " " + std::string(flag.Help) + "\n";
  return usage;
}

TParsedCommandLine ParseVpassportCommandLine(std::span<const std::string_view> arguments) {
  TVpassportOptions options;
  const auto fail = [](std::string message) { return TParsedCommandLine{std::nullopt, std::move(message), true}; };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--help" || argument == "-h") return {std::nullopt, VpassportUsage(), false};
    const auto flag = std::find_if(kFlags.begin(), kFlags.end(), [&](const TFlag& f) { return f.Name == argument; });
    if (flag == kFlags.end()) return fail("unknown option " + std::string(argument) + "\n" + VpassportUsage());
    std::string_view value;
    if (flag->TakesValue) {
      if (i + 1 >= arguments.size()) return fail(std::string(argument) + " needs a value");
      value = arguments[++i];
    }
    if (auto problem = flag->Apply(options, value); !problem.empty()) return fail(problem);
  }
  if (options.Document.empty()) return fail("--document is required\n" + VpassportUsage());
  return {options, {}, false};
}

}  // namespace vpassport
