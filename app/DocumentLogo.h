#pragma once

#include <QImage>

// The electronic-document symbol: a white ring on a white horizontal bar
// across a purple field, drawn at 223 x 132 pixels.
QImage DrawDocumentLogo();
