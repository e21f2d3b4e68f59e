#include "jpeg2000/StreamReading.h"

#include <QIODevice>

#include "jpeg2000/StreamReadError.h"

QByteArray ReadRemaining(QIODevice& stream) {
  if (stream.isSequential()) return stream.readAll();
  const qint64 announced = stream.size() - stream.pos();
  if (announced <= 0) return {};
  QByteArray bytes = stream.read(announced);
  if (bytes.size() != announced) throw EStreamReadError();
  return bytes;
}
