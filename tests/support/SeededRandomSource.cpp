#include "support/SeededRandomSource.h"

#include <utility>

TSeededRandomSource::TSeededRandomSource(TKind kind, std::vector<TBytes> draws)
    : kind_(kind), draws_(std::move(draws)) {}

TSeededRandomSource::TSeededRandomSource(std::uint32_t seed) : kind_(TKind::Stream), engine_(seed) {}

TSeededRandomSource::TSeededRandomSource(TBytes bytes) : TSeededRandomSource(TKind::Bytes, {std::move(bytes)}) {}

TSeededRandomSource TSeededRandomSource::EachFillFrom(std::vector<TBytes> draws) {
  return TSeededRandomSource(TKind::Draws, std::move(draws));
}

std::size_t TSeededRandomSource::Remaining() const {
  return kind_ == TKind::Bytes ? draws_.front().size() - position_ : 0;
}

std::uint8_t TSeededRandomSource::NextGiven(const TBytes& given, std::size_t& position, bool& usedUp) {
  if (position == given.size()) {
    usedUp = true;
    return 0;
  }
  return given[position++];
}

void TSeededRandomSource::Fill(std::span<std::uint8_t> bytes) {
  bool usedUp = false;
  switch (kind_) {
    case TKind::Stream:
      for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(engine_());
      break;
    case TKind::Bytes:
      for (std::uint8_t& byte : bytes) byte = NextGiven(draws_.front(), position_, usedUp);
      break;
    case TKind::Draws: {
      static const TBytes kNothing;
      const TBytes& draw = draws_.empty() ? kNothing : draws_[nextDraw_++ % draws_.size()];
      std::size_t position = 0;
      for (std::uint8_t& byte : bytes) byte = NextGiven(draw, position, usedUp);
      break;
    }
  }
  if (Recording) Filled.emplace_back(bytes.begin(), bytes.end());
  if (usedUp && UsedUp) UsedUp();
}
