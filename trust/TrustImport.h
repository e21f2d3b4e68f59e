#pragma once
// Adding trust files to the user's trust store folder: each file is read as
// the store reads it and copied only when it is usable.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include <openssl/x509.h>

// One line per file: "Imported <name>: <what it added>" or "Not imported <name>: <why>".
// `cscas` are the trust store's CSCAs (with the files' own): they may certify
// a master list's signer and must have signed a CRL. A file never replaces a
// different file of the same name: it goes in under the next free name
// ("name-2.ext"), and the line says so.
std::vector<std::string> ImportTrustFiles(std::span<const std::filesystem::path> files,
                                          const std::filesystem::path& userFolder, std::span<X509* const> cscas = {});
