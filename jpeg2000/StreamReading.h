#pragma once
// Reading the rest of a stream into memory.

#include <QByteArray>

class QIODevice;

// Every byte from the current position to the end. A random-access stream
// announces that count (size minus position) and must deliver it, or
// EStreamReadError is raised; a sequential one is read until it has no more.
QByteArray ReadRemaining(QIODevice& stream);
