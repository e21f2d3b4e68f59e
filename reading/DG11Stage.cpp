#include <array>
#include <string>

#include "card/FileReading.h"
#include "document/CodePage.h"
#include "document/DG11.h"
#include "document/DateText.h"
#include "document/FullName.h"
#include "output/PiccView.h"
#include "reading/Stages.h"

namespace {

constexpr std::uint8_t kDataGroup11 = 11;

// The log lines: the UTF-8 fields as they are, the short fields from Windows-1254.
void LogFields(const tDG11File& dg11) {
  const auto utf8 = [](std::string_view label, const std::string& field) { return std::string(label) + field; };
  const auto ansi = [](std::string_view label, const TDG11ShortText& field) {
    return AnsiToUtf8(std::string(label) + field.Str());
  };
  const std::array lines{
      utf8("FullName: ", dg11.FullName),
      ansi("PersonalNumber: ", dg11.PersonalNumber),
      utf8("PlaceOfBirth: ", dg11.PlaceOfBirth),
      utf8("Address: ", dg11.Address),
      ansi("Telephone: ", dg11.Telephone),
      utf8("Profession: ", dg11.Profession),
      utf8("Title: ", dg11.Title),
      utf8("PersonalSummary: ", dg11.PersonalSummary),
  };
  for (const std::string& line : lines) LogMessage(line, lkProtocol);
}

}  // namespace

TDataGroupRead RunDG11Stage(TMemoryStream& stream, TCardSession& session, const TCalendarDate& dateOfBirth) {
  // DG11 cut off part way is not decoded: the stage goes on as for a missing DG11.
  const TDataGroupRead read = ReadDataGroup(kDataGroup11, stream, session);
  const bool cutOff = read == TDataGroupRead::CutOff;
  tDG11File dg11;
  if (!cutOff) DecodeDG11(stream, dg11);

  TPiccView& view = PiccView();
  view.SetResultText(TResultEdit::DogYeri, dg11.PlaceOfBirth);
  view.SetResultText(TResultEdit::Adres, dg11.Address);
  view.SetResultText(TResultEdit::DogTar2, ShortDateText(dateOfBirth));
  view.SetResultText(TResultEdit::Meslek, dg11.Profession);
  view.SetResultText(TResultEdit::Unvan, dg11.Title);
  const TNameParts name = SplitFullName(dg11.FullName);
  view.SetResultText(TResultEdit::Soyadi2, name.Primary);
  view.SetResultText(TResultEdit::Adi2, name.Secondary);
  LogFields(dg11);
  return read;
}
