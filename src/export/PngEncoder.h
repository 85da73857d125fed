#pragma once
// PNG files of the export's chart pictures, written without Qt's image writer: that one
// sets up a new compressor, with a quarter of a megabyte of fresh memory, for every
// picture, which cost more than drawing it when an export writes thousands.
#include <QByteArray>

class QImage;

// The picture as an 8-bit RGB PNG; alpha is dropped. Null for a null image. Safe to call
// from several threads at once: each keeps its own compressor.
QByteArray EncodePng(const QImage& image);
