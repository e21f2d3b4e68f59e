#include "pace/CardAccessReading.h"

#include <algorithm>

#include "card/FileReading.h"
#include "card/messaging/PlainCommands.h"

namespace {

constexpr std::uint16_t kHeaderLength = 4;
constexpr std::uint16_t kPieceLength = 0xDF;  // what every reader passes in one short answer
constexpr std::uint16_t kLongestFile = 1024;  // far beyond any list of PACEInfos

TCommandApdu SelectCardAccess() { return {0x00, kInsSelect, 0x02, 0x0C, {0x01, 0x1C}, std::nullopt}; }

enum class TPieceRead { Read, Refused, Lost };

// A plain READ BINARY whose data (exactly `length` bytes with 9000) is appended to file.
TPieceRead ReadPiece(TCardSession& session, std::uint16_t offset, std::uint16_t length,
                     std::vector<std::uint8_t>& file) {
  const TCardAnswer taken = session.TransmitPlain(BuildReadBinary(offset, length).value());
  if (!taken.Taken()) return TPieceRead::Lost;
  const TResponseApdu& answer = taken.Response;
  if (answer.Status != kSwSuccess || answer.Data.size() != length) return TPieceRead::Refused;
  file.insert(file.end(), answer.Data.begin(), answer.Data.end());
  return TPieceRead::Read;
}

}  // namespace

std::optional<std::vector<TPaceInfo>> ReadCardAccess(TCardSession& session) {
  const TCardAnswer selected = session.TransmitPlain(SelectCardAccess());
  if (!selected.Taken()) return std::nullopt;
  if (selected.Status() != kSwSuccess) return std::vector<TPaceInfo>{};

  std::vector<std::uint8_t> file;
  TPieceRead read = ReadPiece(session, 0, kHeaderLength, file);
  if (read == TPieceRead::Lost) return std::nullopt;
  if (read == TPieceRead::Refused) return std::vector<TPaceInfo>{};
  const std::uint16_t total = DecodeFileLength(file);
  if (total < kHeaderLength || total > kLongestFile) return std::vector<TPaceInfo>{};
  while (file.size() < total) {
    const auto offset = static_cast<std::uint16_t>(file.size());
    const auto piece = static_cast<std::uint16_t>(std::min<std::size_t>(total - file.size(), kPieceLength));
    read = ReadPiece(session, offset, piece, file);
    if (read == TPieceRead::Lost) return std::nullopt;
    if (read == TPieceRead::Refused) return std::vector<TPaceInfo>{};
  }
  return ParseCardAccess(file);
}
