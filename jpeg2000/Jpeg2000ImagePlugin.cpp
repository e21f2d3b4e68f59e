#include "jpeg2000/Jpeg2000ImagePlugin.h"

#include <algorithm>

#include "jpeg2000/Jpeg2000Format.h"
#include "jpeg2000/Jpeg2000ImageHandler.h"

namespace {

bool IsJpeg2000Key(const QByteArray& format) {
  const QByteArray key = format.toLower();
  return std::any_of(kJpeg2000Suffixes.begin(), kJpeg2000Suffixes.end(),
                     [&](std::string_view suffix) { return key == QByteArrayView(suffix.data(), suffix.size()); });
}

}  // namespace

QImageIOPlugin::Capabilities TJpeg2000ImagePlugin::capabilities(QIODevice* device, const QByteArray& format) const {
  if (IsJpeg2000Key(format)) return CanRead;
  if (!format.isEmpty() || device == nullptr || !device->isReadable()) return {};
  return TJpeg2000ImageHandler::CanRead(*device) ? CanRead : Capabilities{};
}

QImageIOHandler* TJpeg2000ImagePlugin::create(QIODevice* device, const QByteArray& format) const {
  auto* handler = new TJpeg2000ImageHandler;
  handler->setDevice(device);
  handler->setFormat(format);
  return handler;
}
