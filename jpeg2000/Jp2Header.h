#pragma once
// The colour facts of a JP2 file, read from the boxes of its header box: the
// colour space from the "colr" box (enumerated method)
// and the type of each component from a channel definition box ("cdef") that
// follows a "colr" box directly.
//
// The types apply to the components in codestream order. A raw codestream,
// or a JP2 file without such a channel definition box, leaves every component
// COMPTYPE_UNKNOWN; the colour space comes from the "colr" box
// whether or not a channel definition box follows it.

#include <cstdint>
#include <span>
#include <vector>

#include <openjpeg.h>

#include "jpeg2000/ComponentType.h"

struct TColourDescription {
  OPJ_COLOR_SPACE ColorSpace = OPJ_CLRSPC_UNKNOWN;  // sRGB, grey, sYCC, or unknown for anything else
  std::vector<OPJ_COMPONENT_TYPE> ComponentTypes;   // one per component
};

// What a raw codestream carries: no colour space, no component types.
TColourDescription UndescribedColour(std::uint32_t numcomps);

// Reads the description from a whole JP2 file. Malformed or missing boxes
// leave their part undescribed; channel definition entries whose channel is
// not below numcomps are ignored.
TColourDescription ReadJp2Colour(std::span<const std::uint8_t> file, std::uint32_t numcomps);
