#include "tools/simchip/DocumentFile.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace simchip {

namespace {

constexpr std::string_view kMagic = "zelvan-document";
constexpr std::string_view kVersion = "1";
constexpr std::size_t kHexBytesPerLine = 32;

struct TLine {
  std::string_view Keyword;
  std::string_view Rest;
};

TLine SplitLine(std::string_view line) {
  const auto space = line.find(' ');
  if (space == std::string_view::npos) return {line, {}};
  return {line.substr(0, space), line.substr(space + 1)};
}

std::string_view TrimEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

class TDocumentParser {
public:
  TDocument Parse(std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
      const auto end = std::min(text.find('\n', start), text.size());
      ++lineNumber_;
      Take(TrimEnd(text.substr(start, end - start)));
      start = end + 1;
    }
    if (!sawMagic_) Fail("not a document file");
    if (document_.MrzInformation.empty()) Fail("no mrz-information line");
    return std::move(document_);
  }

private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("document file line " + std::to_string(lineNumber_) + ": " + what);
  }

  void Take(std::string_view line) {
    if (line.empty() || line.front() == '#') return;
    const TLine parts = SplitLine(line);
    if (!sawMagic_) {
      if (parts.Keyword != kMagic || parts.Rest != kVersion) Fail("expected \"zelvan-document 1\"");
      sawMagic_ = true;
      return;
    }
    if (parts.Keyword == "label") {
      document_.Label = parts.Rest;
    } else if (parts.Keyword == "mrz-information") {
      document_.MrzInformation = parts.Rest;
    } else if (parts.Keyword == "pace") {
      if (parts.Rest.find(':') == std::string_view::npos) Fail("a pace line is PROTOCOL:ID");
      document_.PaceOffers.emplace_back(parts.Rest);
    } else if (parts.Keyword == "can") {
      if (parts.Rest.empty() || !std::ranges::all_of(parts.Rest, [](char c) { return c >= '0' && c <= '9'; }))
        Fail("a card access number is digits");
      document_.Can = parts.Rest;
    } else if (parts.Keyword == "file") {
      const auto id = FromHex(parts.Rest);
      if (!id || id->size() != 2) Fail("a file identifier is four hexadecimal digits");
      const auto fileId = static_cast<std::uint16_t>((*id)[0] << 8 | (*id)[1]);
      const auto [entry, added] = document_.Lds.emplace(fileId, TBytes{});
      if (!added) Fail("file " + std::string(parts.Rest) + " twice");
      current_ = &entry->second;
    } else if (parts.Keyword == "card-security") {
      if (sawCardSecurity_) Fail("card-security twice");
      sawCardSecurity_ = true;
      current_ = &document_.CardSecurity;
    } else if (parts.Keyword == "private-key") {
      if (parts.Rest.empty()) Fail("a private key needs a name");
      const auto [entry, added] = document_.PrivateKeys.emplace(std::string(parts.Rest), TBytes{});
      if (!added) Fail("private key " + std::string(parts.Rest) + " twice");
      current_ = &entry->second;
    } else {
      const auto bytes = FromHex(line);
      if (!bytes) Fail("neither a keyword nor hexadecimal data");
      if (!current_) Fail("data before the first file, card-security or private-key line");
      Append(*current_, *bytes);
    }
  }

  TDocument document_;
  TBytes* current_ = nullptr;  // the file or key that hexadecimal lines go to
  bool sawMagic_ = false;
  bool sawCardSecurity_ = false;
  std::size_t lineNumber_ = 0;
};

void AppendHexLines(std::string& text, const TBytes& content) {
  for (std::size_t p = 0; p < content.size(); p += kHexBytesPerLine)
    text += ToHex(std::span(content).subspan(p, std::min(kHexBytesPerLine, content.size() - p))) + "\n";
}

}  // namespace

TDocument ParseDocument(std::string_view text) { return TDocumentParser().Parse(text); }

TDocument LoadDocumentFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open document file " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  try {
    return ParseDocument(text.str());
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(path.string() + ": " + e.what());
  }
}

std::string FormatDocument(const TDocument& document) {
  std::string text;
  text += std::string(kMagic) + " " + std::string(kVersion) + "\n";
  if (!document.Label.empty()) text += "label " + document.Label + "\n";
  text += "mrz-information " + document.MrzInformation + "\n";
  for (const std::string& offer : document.PaceOffers) text += "pace " + offer + "\n";
  if (!document.Can.empty()) text += "can " + document.Can + "\n";
  for (const auto& [fileId, content] : document.Lds) {
    const std::array<std::uint8_t, 2> id{static_cast<std::uint8_t>(fileId >> 8), static_cast<std::uint8_t>(fileId)};
    text += "file " + ToHex(id) + "\n";
    AppendHexLines(text, content);
  }
  if (!document.CardSecurity.empty()) {
    text += "card-security\n";
    AppendHexLines(text, document.CardSecurity);
  }
  for (const auto& [name, key] : document.PrivateKeys) {
    text += "private-key " + name + "\n";
    AppendHexLines(text, key);
  }
  return text;
}

}  // namespace simchip
