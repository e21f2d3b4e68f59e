#include <string>
#include <vector>

#include "card/FileReading.h"
#include "document/DG12.h"
#include "document/DateText.h"
#include "output/PiccView.h"
#include "reading/Stages.h"

namespace {

constexpr std::uint8_t kDataGroup12 = 12;

// One line per value present, in the order of the data group's tags.
std::vector<std::string> Lines(const tDG12File& dg12) {
  std::vector<std::string> lines;
  const auto text = [&lines](std::string_view label, const std::optional<std::string>& value) {
    if (value) lines.push_back(std::string(label) + *value);
  };
  const auto size = [&lines](std::string_view label, const std::optional<std::size_t>& value) {
    if (value) lines.push_back(std::string(label) + std::to_string(*value) + " bytes");
  };
  text("IssuingAuthority: ", dg12.IssuingAuthority);
  text("DateOfIssue: ", dg12.DateOfIssue);
  for (const std::string& person : dg12.OtherPersons) lines.push_back("OtherPerson: " + person);
  text("Endorsements: ", dg12.Endorsements);
  text("TaxExitRequirements: ", dg12.TaxExitRequirements);
  size("FrontImage: ", dg12.FrontImageSize);
  size("RearImage: ", dg12.RearImageSize);
  text("PersonalizationTime: ", dg12.PersonalizationTime);
  text("PersonalizationSerial: ", dg12.PersonalizationSerial);
  return lines;
}

}  // namespace

TDataGroupRead RunDG12Stage(TMemoryStream& stream, TCardSession& session) {
  // DG12 cut off part way, or not read, is not decoded: its two boxes are emptied.
  const TDataGroupRead read = ReadDataGroup(kDataGroup12, stream, session);
  const bool whole = read == TDataGroupRead::Whole;
  const tDG12File dg12 = (whole ? DecodeDG12(stream.Bytes()) : std::nullopt).value_or(tDG12File{});

  TPiccView& view = PiccView();
  view.SetResultText(TResultEdit::VerYer, dg12.IssuingAuthority.value_or(std::string()));
  view.SetResultText(TResultEdit::VerTar, FullDateText(dg12.DateOfIssue.value_or(std::string())));
  for (const std::string& line : Lines(dg12)) LogMessage(line, lkProtocol);
  return read;
}
