// Picture files turned into a QImage. Each decoder recognises its format by
// the file's content (never by its name, with the core's checks) and decodes
// with a maintained library: Qt's image plugins or ImageMagick, always told
// the format explicitly; formats no library reads here (PSP pictures, DDS
// textures) go to the core's own readers. Files no decoder recognises are
// loaded by their extension (bitmaps and JPEG pictures). Every failure
// raises an exception whose text names the file and the reason.
#pragma once

#include "media/URgbaImage.h" // the largest picture accepted

#include <QByteArray>
#include <QImage>
#include <QString>

#include <string_view>
#include <vector>

// The library that decodes a format; Core: the core's own reader.
enum class TImageLibrary { Qt, Magick, Core };

struct TImageDecoder {
    const char *Name; // "TGA", "PCX", ...
    TImageLibrary Library;
    // True when bytes (a whole file) look like a picture of this format.
    bool (*Recognises)(std::string_view bytes);
    // Decodes bytes (the file at path) as this format, upright; raises
    // std::runtime_error with the library's reason when they are not a
    // readable picture of it, or the core's EFileError, which names the file.
    QImage (*Decode)(const QByteArray &bytes, const QString &path);
};

// The decoders in registration order: TGA, PCX, GIF, PNG, PSD, PSP, DDS, TIFF, SGI, JPEG, BMP.
const std::vector<TImageDecoder> &ImageDecoders();
// The first decoder, in registration order, that recognises bytes, or nullptr.
const TImageDecoder *FindImageDecoder(const QByteArray &bytes);

struct TPicture {
    QImage Image;
    // The decoder's name, or the format chosen from the extension ("BMP", "JPEG").
    QString Format;
    bool ByExtension = false; // no decoder recognised the content
};

// The core's plain pixels as a QImage (RGBA, 8 bits a channel); raises
// std::runtime_error when there is no memory for it.
QImage RgbaToImage(const TRgbaImage &picture);

// Reads the file at path and decodes it: by the first decoder that recognises
// it, else by its extension. Raises EFileError when the file cannot be read
// or the core's reader refuses it, and std::runtime_error when it is no
// picture that can be shown.
TPicture LoadPicture(const QString &path);
