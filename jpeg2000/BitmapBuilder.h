#pragma once
// Builds the bitmap of a decoded image: the pixel format from the number of
// components, then the channels written and sYCC converted.
//
//   3 components: 24-bit, bytes blue, green, red   (QImage::Format_BGR888)
//   4 components: 32-bit, blue, green, red, alpha  (QImage::Format_ARGB32, straight alpha)
//   otherwise:    8-bit indexed with a grey palette, from the grey component only
//                 (component 0 unless that is the opacity: DescribeChannels)
//
// Bytes that no channel writes are 0.

#include <span>

#include <openjpeg.h>
#include <QImage>

#include "jpeg2000/ComponentType.h"

// The image must have passed IsAcceptableDecodedImage; its color_space
// decides the placement of Y and the sYCC conversion. A null QImage when the
// pixels cannot be allocated.
QImage BuildBitmap(const opj_image_t& image, std::span<const OPJ_COMPONENT_TYPE> componentTypes);
