#pragma once
// Tells a JP2 file from a raw JPEG 2000 codestream by the first 8 bytes of a
// stream, without moving the stream.

#include <optional>

#include <openjpeg.h>

class QIODevice;

// OPJ_CODEC_JP2 for the JP2 signature box (00 00 00 0C 6A 50 20 20),
// OPJ_CODEC_J2K for 8 bytes that begin with the SOC and SIZ markers
// (FF 4F FF 51); nothing otherwise, including for fewer than 8 bytes.
std::optional<OPJ_CODEC_FORMAT> DetectCodec(QIODevice& stream);
