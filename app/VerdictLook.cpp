#include "app/VerdictLook.h"

#include <algorithm>
#include <array>

namespace {

const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kAmber(204, 122, 0);

}  // namespace

const TVerdictLook& VerdictLook(TVerdictShown verdict) {
  static const std::array<TVerdictLook, 4> kLooks{{
      {TVerdictShown::None, QString(), kNavy},
      {TVerdictShown::Genuine, QStringLiteral("Geçerli"), kGreen},
      {TVerdictShown::NotGenuine, QStringLiteral("Geçersiz"), kRed},
      {TVerdictShown::Incomplete, QStringLiteral("Eksik"), kAmber},
  }};
  return *std::ranges::find_if(kLooks, [verdict](const TVerdictLook& look) { return look.Verdict == verdict; });
}

const QString& VerdictWord(TVerdictShown verdict) { return VerdictLook(verdict).Word; }

QColor LogKindColour(int kind) {
  struct TKindColour {
    int Kind;
    QColor Colour;
  };
  static const std::array<TKindColour, 3> kColours{{
      {lkConnectionError, kRed},
      {lkPassed, kGreen},
      {lkWarning, kAmber},
  }};
  const auto found = std::ranges::find_if(kColours, [kind](const TKindColour& c) { return c.Kind == kind; });
  return found == kColours.end() ? kNavy : found->Colour;
}
