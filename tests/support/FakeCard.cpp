#include "support/FakeCard.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TFakeCardApi::TFakeCardApi() : seam_(*this, PcscApi, SetPcscApi) {
  Complain = [](const std::string& what) { ADD_FAILURE() << what; };
}

TFixedRandomSource::TFixedRandomSource(TBytes bytes)
    : TSeededRandomSource(std::move(bytes)), seam_(*this, RandomSource, SetRandomSource) {
  UsedUp = [] { ADD_FAILURE() << "more random bytes drawn than fed"; };
}
