#include "support/PaceVectors.h"

TVectorSection PaceVectors(const std::string& file, const std::string& section) {
  return ReadVectorSection(std::string(ZELVAN_PACE_VECTORS) + "/" + file, section);
}
