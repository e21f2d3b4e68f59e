#include "jpeg2000/ChannelConversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace {

using enum OPJ_COMPONENT_TYPE;

// Byte offsets of the component types whose place does not depend on the
// image: red, green and blue in a blue-green-red pixel, the chroma where the
// sYCC conversion reads it, opacity in the alpha byte.
constexpr std::array kFixedOffsets{
    std::pair{COMPTYPE_R, 2},  std::pair{COMPTYPE_G, 1},  std::pair{COMPTYPE_B, 0},
    std::pair{COMPTYPE_CB, 1}, std::pair{COMPTYPE_CR, 0}, std::pair{COMPTYPE_OPACITY, 3},
};

// Y is grey in a grey image, and in an sYCC image goes where the conversion
// reads it: the red byte.
std::int32_t LumaOffset(OPJ_COLOR_SPACE colorSpace) { return colorSpace == OPJ_CLRSPC_SYCC ? 2 : 0; }

// Components without a type are taken in reverse: components 0, 1, 2 of a
// three-component image land in the red, green and blue bytes.
std::int32_t ReverseOffset(std::uint32_t numcomps, std::uint32_t index) {
  return static_cast<std::int32_t>(numcomps) - 1 - static_cast<std::int32_t>(index);
}

std::int32_t DestOffsetFor(OPJ_COMPONENT_TYPE type, const opj_image_t& image, std::uint32_t index) {
  const auto fixed = std::find_if(kFixedOffsets.begin(), kFixedOffsets.end(),
                                  [type](const auto& entry) { return entry.first == type; });
  if (fixed != kFixedOffsets.end()) return fixed->second;
  if (type == COMPTYPE_Y) return LumaOffset(image.color_space);
  return ReverseOffset(image.numcomps, index);
}

OPJ_COMPONENT_TYPE TypeOf(std::span<const OPJ_COMPONENT_TYPE> componentTypes, std::uint32_t index) {
  return index < componentTypes.size() ? componentTypes[index] : COMPTYPE_UNKNOWN;
}

// The component a grey pixel shows: component 0 unless a channel definition makes it the opacity.
std::uint32_t GreyComponent(std::uint32_t numcomps, std::span<const OPJ_COMPONENT_TYPE> componentTypes) {
  if (TypeOf(componentTypes, 0) != COMPTYPE_OPACITY) return 0;
  std::optional<std::uint32_t> colour;
  for (std::uint32_t i = 1; i < numcomps; ++i) {
    const OPJ_COMPONENT_TYPE type = TypeOf(componentTypes, i);
    if (type == COMPTYPE_Y) return i;
    if (type != COMPTYPE_OPACITY && !colour) colour = i;
  }
  return colour.value_or(0);
}

bool HasScalablePrecision(std::uint32_t prec) { return prec >= 1 && prec <= 32; }

TChannelInfo ChannelOf(const opj_image_t& image, std::span<const OPJ_COMPONENT_TYPE> componentTypes,
                       std::uint32_t index, std::int32_t destOffset) {
  const opj_image_comp_t& component = image.comps[index];
  TChannelInfo channel;
  channel.CompType = TypeOf(componentTypes, index);
  channel.DestOffset = destOffset;
  channel.Component = index;
  if (HasScalablePrecision(component.prec)) {  // otherwise left at 0: the channel is not written
    channel.MaxValue = static_cast<std::int64_t>((std::uint64_t{1} << component.prec) - 1);
    channel.Shift = component.sgnd == 1 ? std::int64_t{1} << (component.prec - 1) : 0;
  }
  return channel;
}

// Sample to byte. An 8-bit sample keeps its low 8 bits (plus the signed
// shift); any other precision is scaled to 0..255, truncating, in 64-bit
// arithmetic so that no precision up to 32 bits overflows.
struct TEightBitSample {
  std::uint64_t Shift;
  std::uint8_t operator()(std::int32_t sample) const {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(sample) + Shift);
  }
};

struct TScaledSample {
  std::int64_t Shift;
  std::int64_t MaxValue;
  std::uint8_t operator()(std::int32_t sample) const {
    const std::int64_t scaled = (std::int64_t{sample} + Shift) * 255 / MaxValue;
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(scaled));
  }
};

// Which of the component's samples reach the bitmap, and where.
struct TCoverage {
  std::uint64_t Width, Height;  // of the bitmap
  std::uint64_t Dx, Dy;
  std::uint64_t Columns, Rows;  // samples whose block starts inside the bitmap
  std::size_t Step;             // bytes of a pixel
};

std::uint8_t* Row(const TPixelArea& pixels, std::uint64_t row) {
  return pixels.Bits.data() + row * pixels.BytesPerLine;
}

// Each sample fills its Dx by Dy block, cut at the right and bottom edges,
// one bitmap row at a time so that only this channel's bytes are touched.
template <typename TToByte>
void FillBlocks(const opj_image_comp_t& component, const TPixelArea& pixels, std::int32_t offset, const TCoverage& area,
                TToByte toByte) {
  for (std::uint64_t j = 0; j < area.Rows; ++j) {
    const OPJ_INT32* samples = component.data + j * component.w;
    const std::uint64_t lastRow = std::min(j * area.Dy + area.Dy, area.Height);
    for (std::uint64_t r = j * area.Dy; r < lastRow; ++r) {
      std::uint8_t* out = Row(pixels, r) + offset;
      if (area.Dx == 1) {
        for (std::uint64_t k = 0; k < area.Columns; ++k) out[k * area.Step] = toByte(samples[k]);
        continue;
      }
      for (std::uint64_t k = 0; k < area.Columns; ++k) {
        const std::uint8_t value = toByte(samples[k]);
        const std::uint64_t lastColumn = std::min(k * area.Dx + area.Dx, area.Width);
        for (std::uint64_t x = k * area.Dx; x < lastColumn; ++x) out[x * area.Step] = value;
      }
    }
  }
}

bool AreaHolds(const TPixelArea& pixels, int channelCount) {
  if (pixels.Width <= 0 || pixels.Height <= 0 || channelCount <= 0) return false;
  const std::uint64_t rowBytes = std::uint64_t(pixels.Width) * std::uint64_t(channelCount);
  if (rowBytes > pixels.BytesPerLine) return false;
  const std::uint64_t needed = std::uint64_t(pixels.Height - 1) * pixels.BytesPerLine + rowBytes;
  return needed <= pixels.Bits.size();
}

std::uint8_t ClampedByte(double value) {
  // Halves go to the even neighbour, independent of the floating-point rounding mode.
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double rounded = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded += 1.0;
  return static_cast<std::uint8_t>(std::clamp(rounded, 0.0, 255.0));
}

}  // namespace

std::vector<TChannelInfo> DescribeChannels(const opj_image_t& image, std::span<const OPJ_COMPONENT_TYPE> componentTypes,
                                           int channelCount) {
  const std::uint32_t count =
      image.comps == nullptr ? 0 : std::min<std::uint32_t>(image.numcomps, std::max(channelCount, 0));
  if (count == 0) return {};
  if (channelCount == 1) return {ChannelOf(image, componentTypes, GreyComponent(image.numcomps, componentTypes), 0)};

  std::vector<TChannelInfo> channels;
  channels.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    channels.push_back(ChannelOf(image, componentTypes, i, DestOffsetFor(TypeOf(componentTypes, i), image, i)));
  }
  return channels;
}

void WriteChannel(const TChannelInfo& channel, const opj_image_comp_t& component, const TPixelArea& pixels,
                  int channelCount) {
  if (channel.DestOffset < 0 || channel.DestOffset >= channelCount) return;
  if (component.data == nullptr || component.dx == 0 || component.dy == 0) return;
  if (!HasScalablePrecision(component.prec) || channel.MaxValue <= 0 || !AreaHolds(pixels, channelCount)) return;

  const std::uint64_t width = std::uint64_t(pixels.Width);
  const std::uint64_t height = std::uint64_t(pixels.Height);
  const std::uint64_t dx = component.dx;
  const std::uint64_t dy = component.dy;
  const TCoverage area{width,
                       height,
                       dx,
                       dy,
                       std::min<std::uint64_t>(component.w, (width + dx - 1) / dx),
                       std::min<std::uint64_t>(component.h, (height + dy - 1) / dy),
                       static_cast<std::size_t>(channelCount)};
  if (component.prec == 8) {
    FillBlocks(component, pixels, channel.DestOffset, area, TEightBitSample{static_cast<std::uint64_t>(channel.Shift)});
  } else {
    FillBlocks(component, pixels, channel.DestOffset, area, TScaledSample{channel.Shift, channel.MaxValue});
  }
}

void ConvertSyccToRgb(const TPixelArea& pixels, int channelCount) {
  if (channelCount < 3 || !AreaHolds(pixels, channelCount)) return;
  const std::size_t step = static_cast<std::size_t>(channelCount);
  for (int r = 0; r < pixels.Height; ++r) {
    std::uint8_t* pixel = Row(pixels, std::uint64_t(r));
    for (int x = 0; x < pixels.Width; ++x, pixel += step) {
      const double y = pixel[2];
      const double cb = pixel[1] - 128.0;
      const double cr = pixel[0] - 128.0;
      pixel[2] = ClampedByte(y + 1.402 * cr);
      pixel[1] = ClampedByte(y - 0.34414 * cb - 0.71414 * cr);
      pixel[0] = ClampedByte(y + 1.772 * cb);
    }
  }
}
