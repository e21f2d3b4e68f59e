#pragma once
// The role of a decoded component, as the JP2 channel definition box gives it.

#include <cstdint>

enum class OPJ_COMPONENT_TYPE : std::int32_t {
  COMPTYPE_UNKNOWN = 0,  // no channel definition
  COMPTYPE_R = 1,
  COMPTYPE_G = 2,
  COMPTYPE_B = 3,
  COMPTYPE_Y = 4,  // luminance or grey
  COMPTYPE_CB = 5,
  COMPTYPE_CR = 6,
  COMPTYPE_OPACITY = 7,
};
