#include "PngEncoder.h"

#include <QImage>
#include <QtEndian>
#include <zlib.h>

namespace {
// One compressor per thread, reset for each picture.
class Deflater {
public:
    // The fastest level: after the row filter the picture is mostly runs of zeros, which
    // it packs nearly as tightly as the slower ones do.
    Deflater() { m_ok = deflateInit(&m_stream, 1) == Z_OK; }
    ~Deflater()
    {
        if (m_ok)
            deflateEnd(&m_stream);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool compress(const QByteArray& in, QByteArray* out)
    {
        if (!m_ok || deflateReset(&m_stream) != Z_OK)
            return false;
        out->resize(qsizetype(deflateBound(&m_stream, uLong(in.size()))));
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        m_stream.avail_in = uInt(in.size());
        m_stream.next_out = reinterpret_cast<Bytef*>(out->data());
        m_stream.avail_out = uInt(out->size());
        if (deflate(&m_stream, Z_FINISH) != Z_STREAM_END)
            return false;
        out->resize(qsizetype(m_stream.total_out));
        return true;
    }

private:
    z_stream m_stream{};
    bool m_ok = false;
};

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    char length[4];
    qToBigEndian(quint32(data.size()), length);
    png.append(length, 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.constData() + start), uInt(png.size() - start));
    char crcBytes[4];
    qToBigEndian(quint32(crc), crcBytes);
    png.append(crcBytes, 4);
}
}  // namespace

QByteArray EncodePng(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
        ? image
        : image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width(), height = rgb.height();
    // Each row after its filter byte; "up" (the difference from the row above) turns the
    // chart's plain bands into zeros, which compress to almost nothing.
    const qsizetype stride = 1 + qsizetype(width) * 3;
    QByteArray rows(stride * height, Qt::Uninitialized);
    for (int y = 0; y < height; ++y) {
        uchar* out = reinterpret_cast<uchar*>(rows.data() + stride * y);
        const QRgb* pixels = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        const QRgb* above = y == 0 ? nullptr : reinterpret_cast<const QRgb*>(rgb.constScanLine(y - 1));
        *out++ = above ? 2 : 0;
        for (int x = 0; x < width; ++x) {
            const QRgb p = pixels[x], q = above ? above[x] : 0;
            *out++ = uchar(qRed(p) - qRed(q));
            *out++ = uchar(qGreen(p) - qGreen(q));
            *out++ = uchar(qBlue(p) - qBlue(q));
        }
    }
    thread_local Deflater deflater;
    QByteArray compressed;
    if (!deflater.compress(rows, &compressed))
        return {};

    QByteArray header(13, '\0');
    qToBigEndian(quint32(width), header.data());
    qToBigEndian(quint32(height), header.data() + 4);
    header[8] = 8;  // bits per sample
    header[9] = 2;  // RGB
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(8 + 25 + 12 + compressed.size() + 12);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", {});
    return png;
}
