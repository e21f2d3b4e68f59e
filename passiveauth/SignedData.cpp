#include "passiveauth/SignedData.h"

TReceivedCms DecodeReceivedCms(std::span<const std::uint8_t> bytes) {
  const unsigned char* cursor = bytes.data();
  TReceivedCms received;
  received.Cms.reset(d2i_CMS_ContentInfo(nullptr, &cursor, static_cast<long>(bytes.size())));
  if (received.Cms) received.CmsBytes = bytes.first(static_cast<std::size_t>(cursor - bytes.data()));
  return received;
}
