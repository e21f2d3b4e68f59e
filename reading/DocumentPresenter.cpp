#include "reading/DocumentPresenter.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "document/CodePage.h"
#include "document/DateText.h"
#include "document/FullName.h"
#include "document/face/ShownFace.h"
#include "reading/DocumentVerdict.h"

namespace {

// The DG11 log lines: the UTF-8 fields as they are, the short fields from Windows-1254.
std::array<std::string, 8> Dg11Lines(const tDG11File& dg11) {
  const auto utf8 = [](std::string_view label, const std::string& field) { return std::string(label) + field; };
  const auto ansi = [](std::string_view label, const TDG11ShortText& field) {
    return AnsiToUtf8(std::string(label) + field.Str());
  };
  return {
      utf8("FullName: ", dg11.FullName),
      ansi("PersonalNumber: ", dg11.PersonalNumber),
      utf8("PlaceOfBirth: ", dg11.PlaceOfBirth),
      utf8("Address: ", dg11.Address),
      ansi("Telephone: ", dg11.Telephone),
      utf8("Profession: ", dg11.Profession),
      utf8("Title: ", dg11.Title),
      utf8("PersonalSummary: ", dg11.PersonalSummary),
  };
}

// The DG12 log lines: one per value present, in the order of the data group's tags.
std::vector<std::string> Dg12Lines(const tDG12File& dg12) {
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

struct TKindShown {
  TPaLineKind Kind;
  int LogKind;
};

constexpr std::array kLogKinds{
    TKindShown{TPaLineKind::Failure, lkConnectionError},
    TKindShown{TPaLineKind::Passed, lkPassed},
    TKindShown{TPaLineKind::Info, lkProtocol},
    TKindShown{TPaLineKind::Warning, lkWarning},
};

int LogKindOf(TPaLineKind kind) {
  return std::ranges::find_if(kLogKinds, [kind](const TKindShown& k) { return k.Kind == kind; })->LogKind;
}

// The boxes each data group fills.
struct TBoxesOf {
  int DataGroup;
  std::vector<TResultEdit> Boxes;
};

const std::array<TBoxesOf, 3> kBoxesOf{{
    // DG1's MRZ, and the date of birth, which opened the chip with it.
    {1,
     {TResultEdit::BelgeTipi, TResultEdit::Uyrugu, TResultEdit::BelgeNo, TResultEdit::VatandNo, TResultEdit::Cinsiyeti,
      TResultEdit::Adi1, TResultEdit::Soyadi1, TResultEdit::GecTar2, TResultEdit::DogTar2}},
    {11,
     {TResultEdit::DogYeri, TResultEdit::Adres, TResultEdit::Meslek, TResultEdit::Unvan, TResultEdit::Adi2,
      TResultEdit::Soyadi2}},
    {12, {TResultEdit::VerYer, TResultEdit::VerTar}},
}};

constexpr int kFaceDataGroup = 2;

struct TTrustShown {
  TFieldTrust Trust = TFieldTrust::Signed;
  std::string Why;
};

// How far EF.SOD vouches for data group number, once Passive Authentication has run.
TTrustShown TrustOf(const TDocument& document, int number) {
  const TPaResult& passive = *document.PassiveAuthentication;
  const auto line = passive.HashLines.find(number);
  const std::string name = "DG" + std::to_string(number);
  const std::string unvouched = name + ": not vouched for by EF.SOD (";
  switch (document.HashCheck(number)) {
    case THashCheck::Mismatched:
      return {TFieldTrust::Contradicted, line != passive.HashLines.end() ? line->second : name + " hash: MISMATCH"};
    case THashCheck::NotListed:
      return {TFieldTrust::Unvouched, unvouched + name + " not listed in EF.SOD)"};
    case THashCheck::NotChecked:
      return {TFieldTrust::Unvouched, unvouched + (passive.SodDoubt.empty() ? "not checked" : passive.SodDoubt) + ")"};
    case THashCheck::Matched:
      break;
  }
  if (passive.SodDoubt.empty()) return {};
  return {TFieldTrust::Unvouched, unvouched + passive.SodDoubt + ")"};
}

void LogLines(const std::vector<TPaLine>& lines, TPiccView& view) {
  for (const TPaLine& line : lines) view.LogMessage(line.Text, LogKindOf(line.Kind));
}

}  // namespace

void ShowEfCom(const tEFComFile& list, TPiccView& view) {
  // The labels leave room for the whole field in each line's capacity (20, 24, 113).
  view.LogMessage(AnsiToUtf8("LDS Ver.: " + list.LDSVersion.Str()), lkProtocol);
  view.LogMessage(AnsiToUtf8("Unicode Ver.: " + list.UnicodeVersion.Str()), lkProtocol);
  view.LogMessage(AnsiToUtf8("DataGroups : " + list.DataGroups.Str()), lkProtocol);
}

void ShowDg1(const TDocument& document, const TCalendarDate& typedExpiry, TPiccView& view) {
  const tDG1File dg1 = document.Dg1.value_or(tDG1File{});
  view.LogMessage("MRZ: " + AnsiToUtf8(document.Mrz.value_or(std::string())), lkProtocol);
  view.BeginDocument(AnsiToUtf8(dg1.DocumentNumber.View()), AnsiToUtf8(dg1.IssuingState.View()));
  const auto show = [&view](TResultEdit edit, std::string_view text) { view.SetResultText(edit, AnsiToUtf8(text)); };
  show(TResultEdit::Cinsiyeti, dg1.Sex.View());
  show(TResultEdit::VatandNo, dg1.OptionalData.View());
  show(TResultEdit::BelgeTipi, dg1.DocumentCode.View());
  show(TResultEdit::Uyrugu, dg1.IssuingState.View());
  show(TResultEdit::Soyadi1, dg1.Surname.View());
  show(TResultEdit::Adi1, dg1.GivenNames.View());
  show(TResultEdit::BelgeNo, dg1.DocumentNumber.View());
  view.SetResultText(TResultEdit::GecTar2, ExpiryDateText(dg1.DateOfExpiry.View(), typedExpiry));
  view.AppendPlainLine(AnsiToUtf8(dg1.DocumentNumber.View()));
}

void ShowDg11(const TDocument& document, const TCalendarDate& dateOfBirth, TPiccView& view) {
  const tDG11File dg11 = document.Dg11.value_or(tDG11File{});
  view.SetResultText(TResultEdit::DogYeri, dg11.PlaceOfBirth);
  view.SetResultText(TResultEdit::Adres, dg11.Address);
  view.SetResultText(TResultEdit::DogTar2, ShortDateText(dateOfBirth));
  view.SetResultText(TResultEdit::Meslek, dg11.Profession);
  view.SetResultText(TResultEdit::Unvan, dg11.Title);
  const TNameParts name = SplitFullName(dg11.FullName);
  view.SetResultText(TResultEdit::Soyadi2, name.Primary);
  view.SetResultText(TResultEdit::Adi2, name.Secondary);
  for (const std::string& line : Dg11Lines(dg11)) view.LogMessage(line, lkProtocol);
}

void ShowDg12(const TDocument& document, TPiccView& view) {
  const tDG12File dg12 = document.Dg12.value_or(tDG12File{});
  view.SetResultText(TResultEdit::VerYer, dg12.IssuingAuthority.value_or(std::string()));
  view.SetResultText(TResultEdit::VerTar, FullDateText(dg12.DateOfIssue.value_or(std::string())));
  for (const std::string& line : Dg12Lines(dg12)) view.LogMessage(line, lkProtocol);
}

void ShowFace(const TDocument& document, const TJpeg2000Bitmap& bitmap, TShownFace& shown, TPiccView& view) {
  view.ShowPicture(shown.Choose(document.Face.value_or(TExtractedFace{}), bitmap));
}

void ShowFailedChipAuthentication(const TChipCheck& check, TPiccView& view) {
  const std::string line = "Chip authentication: FAILED (" + check.Reason + ")";
  view.LogMessage(line, lkConnectionError);
  view.BeginDocument({}, {});
  view.ShowVerdict(TVerdictShown::NotGenuine, line);
}

void ShowPassiveAuthentication(const TPaResult& result, TPiccView& view) { LogLines(result.Lines, view); }

void ShowCardSecurity(const TCardSecurityCheck& check, TPiccView& view) { LogLines({check.Line}, view); }

void ShowFieldTrust(const TDocument& document, TPiccView& view) {
  if (!document.PassiveAuthentication) return;
  for (const TBoxesOf& group : kBoxesOf) {
    if (!document.HasWhole(group.DataGroup)) continue;
    const TTrustShown trust = TrustOf(document, group.DataGroup);
    for (const TResultEdit box : group.Boxes) view.MarkResult(box, trust.Trust, trust.Why);
  }
  if (document.HasWhole(kFaceDataGroup) && document.Face && document.Face->Format != TFaceFormat::None) {
    const TTrustShown trust = TrustOf(document, kFaceDataGroup);
    view.MarkPicture(trust.Trust, trust.Why);
  }
}

TVerdictShown ShowDocumentVerdict(const TDocument& document, TPiccView& view) {
  const TDocumentVerdict verdict = DecideDocumentVerdict(document);
  LogLines(verdict.ChipLines, view);
  view.ShowVerdict(verdict.Shown, verdict.Details);
  return verdict.Shown;
}
