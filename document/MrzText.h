#pragma once
// A whole MRZ given as text (typed by a scanner, pasted, dropped) taken apart
// into what Basic Access Control needs: the document number and the two
// dates, each held against its ICAO 9303 check digit and the composite one.
// TD1 (3 lines of 30), TD2 (2 of 36) and TD3 (2 of 44) are recognised; lines
// end with CR, LF or Tab, blanks around them do not count. Characters are
// taken as printed: an OCR look-alike (O for 0, I for 1) is not corrected, so
// its check digit does not match.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/ReadInputs.h"

enum class TMrzFormat { TD1, TD2, TD3 };

// The fields a fault names, in the order they are checked.
enum class TMrzField { DocumentNumber, DateOfBirth, DateOfExpiry, Composite };

enum class TMrzFaultKind {
  CheckDigit,  // the field's check digit does not match
  NotADate,    // a date field whose check digit matches but that is no calendar date
};

struct TMrzFault {
  TMrzField Field = TMrzField::DocumentNumber;
  TMrzFaultKind Kind = TMrzFaultKind::CheckDigit;
};

struct TMrzText {
  TMrzFormat Format = TMrzFormat::TD3;
  // The first fault found; the fields below are then not to be used.
  std::optional<TMrzFault> Fault;
  // As Basic Access Control needs it: the nine characters with their
  // fillers, or a longer TD1 number with its continuation from the optional
  // data, whole.
  std::string DocumentNumber;
  TCalendarDate DateOfBirth;   // within the hundred years up to today
  TCalendarDate DateOfExpiry;  // from fifty years before today to fifty after
};

// The MRZ lines of text: two or three lines of one of the three widths, made
// only of A-Z, 0-9 and '<', blank lines and blanks around lines left out;
// none when the text is no MRZ.
std::optional<std::vector<std::string>> MrzLines(std::string_view text);

// The MRZ in the text, its dates' centuries taken from today; none when the
// text is no MRZ.
std::optional<TMrzText> ReadMrzText(std::string_view text, const TCalendarDate& today);

// "document number", "date of birth", "date of expiry", "composite".
std::string_view MrzFieldName(TMrzField field);
// The log line of a fault: "MRZ: check digit of the <field> does not match",
// "MRZ: the <field> is not a date".
std::string MrzFaultLine(const TMrzFault& fault);
