#include "trust/CertificateText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <openssl/bio.h>
#include <openssl/objects.h>

#include "crypto/OpenSslPointers.h"

std::string NameText(const X509_NAME* name) {
  TBioPtr out(BIO_new(BIO_s_mem()));
  X509_NAME_print_ex(out.get(), name, 0,
                     (XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB & ~XN_FLAG_SPC_EQ) | ASN1_STRFLGS_UTF8_CONVERT);
  char* data = nullptr;
  const long length = BIO_get_mem_data(out.get(), &data);
  return std::string(data, static_cast<std::size_t>(length));
}

std::string NameCountry(const X509_NAME* name) {
  const int index = X509_NAME_get_index_by_NID(name, NID_countryName, -1);
  if (index < 0) return {};
  const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index));
  std::string country(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                      static_cast<std::size_t>(ASN1_STRING_length(value)));
  std::ranges::transform(country, country.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return country;
}

std::string DateText(const ASN1_TIME* time) {
  tm parts{};
  if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return "?";
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
  return text;
}
