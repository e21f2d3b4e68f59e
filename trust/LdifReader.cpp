#include "trust/LdifReader.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

namespace {

struct TAttribute {
  std::string Name;   // lower case, options included: "usercertificate;binary"
  std::string Value;  // base64 text, or plain text
  bool Base64 = false;
};

struct TEntry {
  std::string Dn;  // lower case
  std::vector<TAttribute> Attributes;
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// Unfolds the lines and groups them in entries (a blank line ends one).
std::vector<TEntry> Entries(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == ' ' && !lines.empty() && !lines.back().empty())
      lines.back().append(line.substr(1));
    else
      lines.emplace_back(line);
  }
  std::vector<TEntry> entries(1);
  for (const std::string& line : lines) {
    if (line.empty()) {
      if (!entries.back().Attributes.empty() || !entries.back().Dn.empty()) entries.emplace_back();
      continue;
    }
    if (line.front() == '#') continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    TAttribute attribute{Lower(line.substr(0, colon)), {}, false};
    std::string_view value = std::string_view(line).substr(colon + 1);
    if (!value.empty() && value.front() == ':') {
      attribute.Base64 = true;
      value.remove_prefix(1);
    }
    attribute.Value = Trim(value);
    if (attribute.Name == "dn")
      entries.back().Dn = Lower(attribute.Value);
    else
      entries.back().Attributes.push_back(std::move(attribute));
  }
  return entries;
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.size() / 4 * 3 + 3);
  EVP_ENCODE_CTX* context = EVP_ENCODE_CTX_new();
  int written = 0;
  int last = 0;
  EVP_DecodeInit(context);
  const bool ok = EVP_DecodeUpdate(context, bytes.data(), &written, reinterpret_cast<const unsigned char*>(text.data()),
                                   static_cast<int>(text.size())) >= 0 &&
                  EVP_DecodeFinal(context, bytes.data() + written, &last) == 1;
  EVP_ENCODE_CTX_free(context);
  if (!ok) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(written + last));
  return bytes;
}

bool DnHas(const TEntry& entry, std::string_view part) { return entry.Dn.find(part) != std::string::npos; }

std::string BaseName(const std::string& attribute) { return attribute.substr(0, attribute.find(';')); }

void AddCertificate(std::span<const std::uint8_t> der, std::vector<TX509Ptr>& into, int& unreadable) {
  const unsigned char* cursor = der.data();
  TX509Ptr certificate(d2i_X509(nullptr, &cursor, static_cast<long>(der.size())));
  if (certificate)
    into.push_back(std::move(certificate));
  else
    ++unreadable;
}

void AddCrl(std::span<const std::uint8_t> der, TLdifContents& contents) {
  const unsigned char* cursor = der.data();
  TX509CrlPtr crl(d2i_X509_CRL(nullptr, &cursor, static_cast<long>(der.size())));
  if (crl)
    contents.Crls.push_back(std::move(crl));
  else
    ++contents.Unreadable;
}

using TValueReader = std::function<void(const TEntry&, std::span<const std::uint8_t>, TLdifContents&)>;

const std::map<std::string, TValueReader>& ValueReaders() {
  static const std::map<std::string, TValueReader> readers{
      {"pkdmasterlistcontent",
       [](const TEntry&, std::span<const std::uint8_t> der, TLdifContents& contents) {
         TMasterList list = ReadMasterList(der);
         if (list.Readable)
           contents.MasterLists.push_back(std::move(list));
         else
           ++contents.Unreadable;
       }},
      {"cacertificate", [](const TEntry&, std::span<const std::uint8_t> der,
                           TLdifContents& contents) { AddCertificate(der, contents.Cscas, contents.Unreadable); }},
      {"usercertificate",
       [](const TEntry& entry, std::span<const std::uint8_t> der, TLdifContents& contents) {
         // Only entries the PKD files under its CSCA branches become trust anchors.
         const bool csca = DnHas(entry, "o=csca,") || DnHas(entry, "o=lc,");
         AddCertificate(der, csca ? contents.Cscas : contents.DocumentSigners, contents.Unreadable);
       }},
      {"certificaterevocationlist",
       [](const TEntry&, std::span<const std::uint8_t> der, TLdifContents& contents) { AddCrl(der, contents); }},
  };
  return readers;
}

}  // namespace

TLdifContents ReadLdif(std::span<const std::uint8_t> text) {
  TLdifContents contents;
  const std::string_view view(reinterpret_cast<const char*>(text.data()), text.size());
  for (const TEntry& entry : Entries(view)) {
    for (const TAttribute& attribute : entry.Attributes) {
      const auto reader = ValueReaders().find(BaseName(attribute.Name));
      if (reader == ValueReaders().end()) continue;
      if (!attribute.Base64) {
        ++contents.Unreadable;
        continue;
      }
      const auto der = DecodeBase64(attribute.Value);
      if (der)
        reader->second(entry, *der, contents);
      else
        ++contents.Unreadable;
    }
  }
  return contents;
}
