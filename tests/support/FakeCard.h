#pragma once
// The test kit's scripted card and seeded random source as GoogleTest tests
// use them: each installs itself for its lifetime, and an unexpected command
// or a random byte drawn beyond those fed fails the test.

#include <cstdint>

#include "support/CardTampers.h"
#include "support/Hex.h"
#include "support/ScopedSeam.h"
#include "support/ScriptedCard.h"
#include "support/SeededRandomSource.h"

// A card reached through the PC/SC seam. Each command gets, in this order of
// precedence: the next canned answer of Script, or the Responder's answer
// (passed through Tamper[index] when one is set for that command).
class TFakeCardApi : public TScriptedCard {
public:
  TFakeCardApi();

private:
  TScopedSeam<TPcscApi> seam_;
};

// Delivers the given bytes in order; installs itself for its lifetime.
class TFixedRandomSource : public TSeededRandomSource {
public:
  explicit TFixedRandomSource(TBytes bytes);

private:
  TScopedSeam<TRandomSource> seam_;
};
