#pragma once
// Certificates and names as the log shows them.

#include <string>

#include <openssl/x509.h>

// "C=AT, O=GV, OU=BMI, CN=CSCA-AUSTRIA" (RFC 2253 order reversed, as certificates list them).
std::string NameText(const X509_NAME* name);
// The country (C) of a name, upper case; empty when it has none.
std::string NameCountry(const X509_NAME* name);
// "2023-01-31" (UTC).
std::string DateText(const ASN1_TIME* time);
