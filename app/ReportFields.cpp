#include "app/ReportFields.h"

#include <array>

std::span<const TReportField> ReportFields() {
  using enum TResultEdit;
  static const std::array<TReportField, 17> kFields{{
      {BelgeTipi, "documentType", QStringLiteral("Belge Tipi"), 0, 0, false},
      {Uyrugu, "nationality", QStringLiteral("Uyruğu"), 0, 1, false},
      {BelgeNo, "documentNumber", QStringLiteral("Belge No"), 1, 0, false},
      {VatandNo, "personalNumber", QStringLiteral("Vatand. No"), 1, 1, false},
      {VerYer, "issuingAuthority", QStringLiteral("Ver. Yer"), 2, 0, false},
      {Cinsiyeti, "sex", QStringLiteral("Cinsiyeti"), 2, 1, false},
      {VerTar, "dateOfIssue", QStringLiteral("Ver.Tarih"), 3, 0, false},
      {Adi1, "givenNames", QStringLiteral("Adı (EN)"), 3, 1, false},
      {GecTar2, "dateOfExpiry", QStringLiteral("Geç.Tarihi"), 4, 0, false},
      {Soyadi1, "surname", QStringLiteral("Soyadı (EN)"), 4, 1, false},
      {Unvan, "title", QStringLiteral("Ünvanı"), 5, 0, false},
      {Adi2, "givenNamesNative", QStringLiteral("Adı"), 5, 1, false},
      {DogYeri, "placeOfBirth", QStringLiteral("Doğ. Yeri"), 6, 0, false},
      {Soyadi2, "surnameNative", QStringLiteral("Soyadı"), 6, 1, false},
      {DogTar2, "dateOfBirth", QStringLiteral("Doğ. Tarihi"), 7, 0, false},
      {Meslek, "profession", QStringLiteral("Mesleği"), 7, 1, false},
      {Adres, "address", QStringLiteral("Adresi"), 8, 0, true},
  }};
  return kFields;
}
