#include "crypto/ObjectIdentifier.h"

#include <vector>

#include <openssl/asn1.h>
#include <openssl/objects.h>

std::string DottedOid(std::span<const std::uint8_t> content) {
  // d2i_ASN1_OBJECT wants the whole TLV: tag, short length, content.
  if (content.size() > 127) return "?";
  std::vector<std::uint8_t> der{V_ASN1_OBJECT, static_cast<std::uint8_t>(content.size())};
  der.insert(der.end(), content.begin(), content.end());
  const unsigned char* cursor = der.data();
  ASN1_OBJECT* object = d2i_ASN1_OBJECT(nullptr, &cursor, static_cast<long>(der.size()));
  if (!object) return "?";
  char text[128] = {};
  OBJ_obj2txt(text, sizeof text, object, 1);
  ASN1_OBJECT_free(object);
  return text;
}
