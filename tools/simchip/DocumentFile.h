#pragma once
// Document files: the contents of one simulated chip as text, so that sample
// documents can be kept, read and compared by people and by git.
//
//   # comment lines and blank lines are skipped
//   zelvan-document 1
//   label ICAO 9303 specimen passport
//   mrz-information L898902C<369080619406236
//   pace id-PACE-ECDH-GM-AES-CBC-CMAC-128:13   (a PACEInfo the chip offers; repeat for more)
//   can 123456                          (the card access number printed on the card: the chip
//                                        takes PACE with it alone, never with the MRZ)
//   file 011E
//   60145F0104303130365F36063034303030305C026175
//   file 0101
//   615B5F1F58...                       (hexadecimal, any number of lines)
//   card-security
//   308207...                           (EF.CardSecurity of the master file, hexadecimal)
//   private-key chip-authentication
//   308201...                           (the chip's own private keys, PKCS #8 DER in hexadecimal:
//                                        "chip-authentication" for DG14's key, "active-authentication"
//                                        for DG15's, "pace-cam" for the key of PACE with Chip
//                                        Authentication Mapping)

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/simchip/Lds.h"

namespace simchip {

struct TDocument {
  std::string Label;
  std::string MrzInformation;  // document number, birth date, expiry date with check digits
  TLds Lds;
  std::map<std::string, TBytes> PrivateKeys;  // by name, PKCS #8 DER
  std::vector<std::string> PaceOffers;        // PROTOCOL:ID, as vpassport's --pace takes them
  std::string Can;                            // empty: the chip takes the MRZ
  TBytes CardSecurity;                        // EF.CardSecurity; empty: none
};

// Throws std::runtime_error naming the line that is wrong.
TDocument ParseDocument(std::string_view text);
TDocument LoadDocumentFile(const std::filesystem::path& path);
std::string FormatDocument(const TDocument& document);

}  // namespace simchip
