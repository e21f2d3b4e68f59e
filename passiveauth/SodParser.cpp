#include "passiveauth/SodParser.h"

#include <openssl/asn1.h>
#include <openssl/objects.h>

#include "passiveauth/SignedData.h"

namespace {

constexpr int kSodTag = 23;  // [APPLICATION 23], 0x77
constexpr const char* kSecurityObjectOid = "2.23.136.1.1.1";

}  // namespace

std::variant<TParsedSod, TSodProblem> ParseSod(std::span<const std::uint8_t> sod) {
  const unsigned char* cursor = sod.data();
  long length = 0;
  int tag = 0;
  int tagClass = 0;
  const int header = ASN1_get_object(&cursor, &length, &tag, &tagClass, static_cast<long>(sod.size()));
  if (sod.empty() || (header & 0x80) != 0) {
    // OpenSSL flags a length beyond the bytes given as an error too.
    const bool truncated = !sod.empty() && sod[0] == 0x77;
    return TSodProblem{truncated, truncated ? "shorter than its length says" : "no 0x77 wrapper"};
  }
  if (tag != kSodTag || tagClass != V_ASN1_APPLICATION || (header & V_ASN1_CONSTRUCTED) == 0)
    return TSodProblem{false, "no 0x77 wrapper"};
  const bool indefinite = (header & 1) != 0;
  const std::size_t headerLength = static_cast<std::size_t>(cursor - sod.data());
  const std::size_t bodyLength = indefinite ? sod.size() - headerLength : static_cast<std::size_t>(length);
  if (!indefinite && headerLength + bodyLength != sod.size())
    return TSodProblem{false, "bytes after the end of its 0x77 wrapper"};

  TReceivedCms received = DecodeReceivedCms(sod.subspan(headerLength, bodyLength));
  if (!received.Cms) return TSodProblem{false, "no CMS structure inside its 0x77 wrapper"};
  const std::size_t used = received.CmsBytes.size();
  const unsigned char* after = received.CmsBytes.data() + used;
  const bool endOfContents = indefinite && bodyLength - used == 2 && after[0] == 0 && after[1] == 0;
  if (used != bodyLength && !endOfContents) return TSodProblem{false, "bytes after the CMS structure"};

  TParsedSod parsed;
  parsed.Cms = std::move(received.Cms);
  parsed.CmsBytes = received.CmsBytes;
  const auto content = SignedContent(parsed.Cms.get(), kSecurityObjectOid);
  if (const auto* problem = std::get_if<std::string>(&content)) return TSodProblem{false, *problem};
  auto object = DecodeSecurityObject(std::get<std::span<const std::uint8_t>>(content));
  if (!object) return TSodProblem{false, "the LDS security object cannot be decoded"};
  parsed.SecurityObject = std::move(*object);
  return parsed;
}

std::set<int> DataGroupsListedIn(std::span<const std::uint8_t> sod) {
  std::set<int> listed;
  auto parsed = ParseSod(sod);
  if (const auto* taken = std::get_if<TParsedSod>(&parsed))
    for (const auto& [number, hash] : taken->SecurityObject.Hashes) listed.insert(number);
  return listed;
}
