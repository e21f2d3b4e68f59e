#include "tools/mappingchip/MappingProtocols.h"

#include <algorithm>
#include <array>

namespace mappingchip {

namespace {

simchip::TBytes PaceOid(std::uint8_t mapping, std::uint8_t cipher) {
  return {0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x04, mapping, cipher};
}

const std::array<TMappingProtocol, 11>& Protocols() {
  static const std::array<TMappingProtocol, 11> kProtocols{{
      {"id-PACE-DH-GM-AES-CBC-CMAC-128", PaceOid(1, 2), EMapping::Generic, false, 16},
      {"id-PACE-DH-GM-AES-CBC-CMAC-192", PaceOid(1, 3), EMapping::Generic, false, 24},
      {"id-PACE-DH-GM-AES-CBC-CMAC-256", PaceOid(1, 4), EMapping::Generic, false, 32},
      {"id-PACE-ECDH-GM-AES-CBC-CMAC-128", PaceOid(2, 2), EMapping::Generic, true, 16},
      {"id-PACE-ECDH-GM-AES-CBC-CMAC-192", PaceOid(2, 3), EMapping::Generic, true, 24},
      {"id-PACE-ECDH-GM-AES-CBC-CMAC-256", PaceOid(2, 4), EMapping::Generic, true, 32},
      {"id-PACE-DH-IM-AES-CBC-CMAC-128", PaceOid(3, 2), EMapping::Integrated, false, 16},
      {"id-PACE-ECDH-IM-AES-CBC-CMAC-128", PaceOid(4, 2), EMapping::Integrated, true, 16},
      {"id-PACE-ECDH-CAM-AES-CBC-CMAC-128", PaceOid(6, 2), EMapping::ChipAuthentication, true, 16},
      {"id-PACE-ECDH-CAM-AES-CBC-CMAC-192", PaceOid(6, 3), EMapping::ChipAuthentication, true, 24},
      {"id-PACE-ECDH-CAM-AES-CBC-CMAC-256", PaceOid(6, 4), EMapping::ChipAuthentication, true, 32},
  }};
  return kProtocols;
}

}  // namespace

const TMappingProtocol* FindMappingProtocol(std::string_view name) {
  const auto& protocols = Protocols();
  const auto found = std::find_if(protocols.begin(), protocols.end(), [&](const auto& p) { return p.Name == name; });
  return found == protocols.end() ? nullptr : &*found;
}

const TMappingProtocol* FindMappingProtocol(std::span<const std::uint8_t> oid) {
  const auto& protocols = Protocols();
  const auto found = std::find_if(protocols.begin(), protocols.end(), [&](const auto& p) {
    return std::equal(p.Oid.begin(), p.Oid.end(), oid.begin(), oid.end());
  });
  return found == protocols.end() ? nullptr : &*found;
}

bool NeedsOwnMapping(std::string_view name) {
  const TMappingProtocol* protocol = FindMappingProtocol(name);
  return protocol && protocol->Mapping != EMapping::Generic;
}

}  // namespace mappingchip
