#pragma once
// Object identifiers as security infos carry them: the content octets of the
// OBJECT IDENTIFIER, without tag and length.

#include <cstdint>
#include <span>
#include <string>

// The dotted form ("0.4.0.127.0.7.2.2.3.2.2"), or "?" when the octets are no
// object identifier.
std::string DottedOid(std::span<const std::uint8_t> content);
