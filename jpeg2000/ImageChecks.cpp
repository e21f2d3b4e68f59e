#include "jpeg2000/ImageChecks.h"

#include <span>

namespace {

std::uint32_t CeilDiv(std::uint32_t a, std::uint32_t b) {
  return static_cast<std::uint32_t>((std::uint64_t{a} + b - 1) / b);
}

bool IsAcceptableArea(const opj_image_t& image) {
  if (image.x1 <= image.x0 || image.y1 <= image.y0) return false;
  const std::uint64_t width = image.x1 - image.x0;
  const std::uint64_t height = image.y1 - image.y0;
  return width <= kMaxImageSide && height <= kMaxImageSide && width * height <= kMaxImagePixels;
}

bool IsAcceptableComponentHeader(const opj_image_comp_t& component) {
  return component.dx >= 1 && component.dy >= 1 && component.prec >= 1 && component.prec <= kMaxPrecision;
}

// The component size OpenJPEG derives for a full-resolution decode: the
// samples of the reference grid that fall inside the image area.
bool HasConsistentSize(const opj_image_t& image, const opj_image_comp_t& component) {
  const std::uint32_t w = CeilDiv(image.x1, component.dx) - CeilDiv(image.x0, component.dx);
  const std::uint32_t h = CeilDiv(image.y1, component.dy) - CeilDiv(image.y0, component.dy);
  return component.w == w && component.h == h;
}

std::span<const opj_image_comp_t> Components(const opj_image_t& image) {
  if (image.comps == nullptr) return {};
  return {image.comps, image.numcomps};
}

}  // namespace

bool IsAcceptableHeader(const opj_image_t& image) {
  if (image.numcomps == 0 || image.comps == nullptr || !IsAcceptableArea(image)) return false;
  for (const opj_image_comp_t& component : Components(image)) {
    if (!IsAcceptableComponentHeader(component)) return false;
  }
  return true;
}

bool IsAcceptableDecodedImage(const opj_image_t& image) {
  if (!IsAcceptableHeader(image)) return false;
  for (const opj_image_comp_t& component : Components(image)) {
    if (component.data == nullptr || !HasConsistentSize(image, component)) return false;
  }
  return true;
}
