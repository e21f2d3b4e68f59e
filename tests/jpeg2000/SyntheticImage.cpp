#include "SyntheticImage.h"

TSyntheticImage::TSyntheticImage(std::uint32_t width, std::uint32_t height,
                                 std::vector<TComponentDescription> components, OPJ_COLOR_SPACE colorSpace)
    : descriptions_(std::move(components)) {
  for (TComponentDescription& description : descriptions_) {
    opj_image_comp_t record{};
    record.dx = description.Dx;
    record.dy = description.Dy;
    record.w = description.W;
    record.h = description.H;
    record.prec = description.Prec;
    record.sgnd = description.Sgnd;
    record.data = description.Samples.empty() ? nullptr : description.Samples.data();
    records_.push_back(record);
  }
  image_.x1 = width;
  image_.y1 = height;
  image_.numcomps = static_cast<OPJ_UINT32>(records_.size());
  image_.comps = records_.empty() ? nullptr : records_.data();
  image_.color_space = colorSpace;
}

TPixelBuffer::TPixelBuffer(int width, int height, int channels)
    : width_(width),
      height_(height),
      channels_(channels),
      bytesPerLine_(std::size_t(width) * channels + kPadding),
      bytes_(bytesPerLine_ * height, kSentinel) {}

std::uint8_t TPixelBuffer::At(int x, int y, int channel) const {
  return bytes_.at(std::size_t(y) * bytesPerLine_ + std::size_t(x) * channels_ + channel);
}

std::vector<std::uint8_t> TPixelBuffer::Channel(int channel) const {
  std::vector<std::uint8_t> values;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) values.push_back(At(x, y, channel));
  }
  return values;
}

bool TPixelBuffer::PaddingUntouched() const {
  for (int y = 0; y < height_; ++y) {
    for (std::size_t i = std::size_t(width_) * channels_; i < bytesPerLine_; ++i) {
      if (bytes_[y * bytesPerLine_ + i] != kSentinel) return false;
    }
  }
  return true;
}
