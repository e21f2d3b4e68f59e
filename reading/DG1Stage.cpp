#include <string>

#include "card/FileReading.h"
#include "document/CodePage.h"
#include "document/DG1.h"
#include "document/DateText.h"
#include "output/PiccView.h"
#include "reading/Stages.h"

namespace {

constexpr std::uint8_t kDataGroup1 = 1;

}  // namespace

TDataGroupRead RunDG1Stage(TMemoryStream& stream, TCardSession& session, const TCalendarDate& typedExpiry) {
  // DG1 cut off part way is not taken for the document's: like a DG1 that was
  // not read at all, it ends the reading with the stream's read error.
  const TDataGroupRead read = ReadDataGroup(kDataGroup1, stream, session);
  if (read == TDataGroupRead::CutOff) throw EReadError();
  std::string mrz;
  ExtractMrz(stream, mrz);
  LogMessage("MRZ: " + AnsiToUtf8(mrz), lkProtocol);

  const tDG1File dg1 = CutMrz(mrz);
  TPiccView& view = PiccView();
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
  return read;
}
