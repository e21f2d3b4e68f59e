#include "app/MrzKeystrokes.h"

#include <algorithm>
#include <array>

namespace {

// The line widths of TD1, TD2 and TD3, with the number of lines of each.
struct TMrzShape {
  std::size_t Width;
  std::size_t Lines;
};
constexpr std::array<TMrzShape, 3> kShapes{{{30, 3}, {36, 2}, {44, 2}}};
constexpr std::size_t kWidest = 44;

const TMrzShape* ShapeOf(std::size_t width) {
  const auto shape = std::ranges::find_if(kShapes, [width](const TMrzShape& s) { return s.Width == width; });
  return shape == kShapes.end() ? nullptr : &*shape;
}

bool IsMrzCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '<'; }

}  // namespace

void TMrzKeystrokes::Forget() {
  lines_.clear();
  line_.clear();
  spoilt_ = holding_ = lineEndAfterWhole_ = false;
}

TMrzKeystrokes::TStep TMrzKeystrokes::Key(char typed) {
  if (typed == '\n') return LineEnd();
  lineEndAfterWhole_ = false;
  if (IsMrzCharacter(typed)) return Character(typed);
  return Broken();
}

TMrzKeystrokes::TStep TMrzKeystrokes::Broken() {
  const bool held = holding_;
  Forget();
  return held ? TStep::GiveBack : TStep::Pass;
}

TMrzKeystrokes::TStep TMrzKeystrokes::LineEnd() {
  if (lineEndAfterWhole_) {
    lineEndAfterWhole_ = false;
    return TStep::Drop;
  }
  if (line_.empty() && !spoilt_) return holding_ ? TStep::Hold : TStep::Pass;  // CR LF, blank lines
  const bool sameWidth = lines_.empty() || line_.size() == lines_.front().size();
  if (spoilt_ || ShapeOf(line_.size()) == nullptr || !sameWidth) return Broken();
  lines_.push_back(std::move(line_));
  line_.clear();
  holding_ = true;
  return TStep::Hold;
}

TMrzKeystrokes::TStep TMrzKeystrokes::Character(char typed) {
  if (spoilt_) return TStep::Pass;
  const std::size_t width = lines_.empty() ? kWidest : lines_.front().size();
  line_ += typed;
  if (line_.size() > width) {
    if (holding_) return Broken();
    line_.clear();
    spoilt_ = true;
    return TStep::Pass;
  }
  if (!holding_) return TStep::Pass;
  if (line_.size() < width || lines_.size() + 1 < ShapeOf(width)->Lines) return TStep::Hold;
  lines_.push_back(std::move(line_));
  text_.clear();
  for (const std::string& line : lines_) text_ += line + '\n';
  Forget();
  lineEndAfterWhole_ = true;
  return TStep::Whole;
}
