#include "model/UCTexture.h"

#include "app/UFileIO.h"
#include "app/UText.h"
#include "app/UUtil.h"
#include "media/UDdsFile.h"
#include "model/UTexturePicture.h"

#include <QOpenGLContext>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

// No texture the decoders accept within the picture limits takes more bytes
// than this, even run-length encoded; larger files are refused unread.
constexpr std::uint64_t kMaxTextureFileSize = std::uint64_t(kMaxPictureMegabytes) * 2 << 20;

// The pixels in the order and layout the upload takes: the bottom row of the
// picture first, three or four bytes a pixel.
std::vector<std::uint8_t> UploadRows(const TTexturePicture &picture)
{
    const TRgbaImage &image = picture.Image;
    const std::size_t pixelBytes = picture.Layout == TTextureLayout::Rgba ? 4 : 3;
    std::vector<std::uint8_t> rows(std::size_t(image.Width) * std::size_t(image.Height) * pixelBytes);
    std::uint8_t *out = rows.data();
    for (int y = image.Height - 1; y >= 0; --y) {
        const std::uint8_t *in = image.Pixels.data() + std::size_t(y) * std::size_t(image.Width) * 4;
        for (int x = 0; x < image.Width; ++x, in += 4, out += pixelBytes) {
            switch (picture.Layout) {
            case TTextureLayout::Rgba:
                out[3] = in[3];
                [[fallthrough]];
            case TTextureLayout::Rgb:
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                break;
            case TTextureLayout::Bgr:
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                break;
            }
        }
    }
    return rows;
}

// ---------------------------------------------------------------- compressed blocks

constexpr GLenum kRgbDxt1 = 0x83F0;  // GL_COMPRESSED_RGB_S3TC_DXT1_EXT: three-colour index 3 opaque black
constexpr GLenum kRgbaDxt1 = 0x83F1; // GL_COMPRESSED_RGBA_S3TC_DXT1_EXT: index 3 transparent
constexpr GLenum kRgbaDxt3 = 0x83F2;
constexpr GLenum kRgbaDxt5 = 0x83F3;
constexpr GLenum kRedRgtc1 = 0x8DBB;
constexpr GLenum kRedGreenRgtc2 = 0x8DBD;
constexpr GLenum kMaxLevel = 0x813D; // GL_TEXTURE_MAX_LEVEL, GL 1.2
constexpr GLenum kSwizzleGreen = 0x8E43, kSwizzleBlue = 0x8E44;

using TCompressedTexImage2D = void (*)(GLenum target, GLint level, GLenum internalFormat, GLsizei width,
                                       GLsizei height, GLint border, GLsizei size, const void *data);

bool HasExtension(const char *name)
{
    const char *list = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    if (!list)
        return false;
    const std::size_t length = std::strlen(name);
    for (const char *found = std::strstr(list, name); found; found = std::strstr(found + 1, name)) {
        const bool starts = found == list || found[-1] == ' ';
        const bool ends = found[length] == ' ' || found[length] == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}

// GL 1.3's entry point, or the extension's, of the current context.
TCompressedTexImage2D CompressedTexImage2D()
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context)
        return nullptr;
    QFunctionPointer entry = context->getProcAddress("glCompressedTexImage2D");
    if (!entry)
        entry = context->getProcAddress("glCompressedTexImage2DARB");
    return reinterpret_cast<TCompressedTexImage2D>(entry);
}

// The format the card takes the texture's blocks in; 0 when it takes none.
// One-channel BC4 shows grey, as decoded: its red is spread to green and blue.
GLenum CompressedFormat(const TDdsTexture &dds)
{
    switch (dds.Format) {
    case TDdsFormat::Dxt1:
    case TDdsFormat::Dxt3:
    case TDdsFormat::Dxt5:
        if (!HasExtension("GL_EXT_texture_compression_s3tc"))
            return 0;
        if (dds.Format == TDdsFormat::Dxt1)
            return dds.Dxt1Alpha ? kRgbaDxt1 : kRgbDxt1;
        return dds.Format == TDdsFormat::Dxt3 ? kRgbaDxt3 : kRgbaDxt5;
    case TDdsFormat::Bc4:
        return HasExtension("GL_ARB_texture_compression_rgtc") &&
                       (HasExtension("GL_ARB_texture_swizzle") || HasExtension("GL_EXT_texture_swizzle"))
                   ? kRedRgtc1
                   : 0;
    case TDdsFormat::Bc5:
        return HasExtension("GL_ARB_texture_compression_rgtc") ? kRedGreenRgtc2 : 0;
    case TDdsFormat::Uncompressed:
        break;
    }
    return 0;
}

bool IsPowerOfTwo(int side)
{
    return side > 0 && (side & (side - 1)) == 0;
}

// A new texture, bound, modulating the colour, filtered through its mipmaps.
GLuint NewTexture()
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    return texture;
}

GLenum GLFormat(TTextureLayout layout)
{
    switch (layout) {
    case TTextureLayout::Rgba: return GL_RGBA;
    case TTextureLayout::Bgr: return GL_BGR_EXT;
    case TTextureLayout::Rgb: break;
    }
    return GL_RGB;
}

} // namespace

CTexture::~CTexture()
{
    Release();
}

void CTexture::Release()
{
    if (m_glName != 0) {
        const GLuint name = m_glName;
        glDeleteTextures(1, &name);
        m_glName = 0;
    }
}

void CTexture::LoadFromFile(const std::string &path)
{
    m_fileName = path;
    const CInputFile file(path);
    if (file.Size() > kMaxTextureFileSize)
        throw EFileError("\"" + path + "\" is too large for a texture.");
    const std::string bytes = file.ReadStringAt(0, std::size_t(file.Size()));
    const std::string type = TextureTypeOfPath(path);
    if (bytes.empty() || type.empty())
        return;
    LoadFromStream(bytes, type, path);
}

void CTexture::LoadFromStream(const CMemoryStream &stream, const std::string &type, const std::string &name)
{
    const std::string_view bytes(stream.Bytes);
    LoadFromStream(stream.Position < bytes.size() ? bytes.substr(stream.Position) : std::string_view(), type, name);
}

void CTexture::LoadFromStream(std::string_view bytes, const std::string &type, const std::string &name)
{
    const std::string shownName = name.empty() ? "the " + type + " texture" : name;
    if (SameNameNoCase(type, "DDS") && !bytes.empty() && UploadCompressed(bytes, shownName))
        return;
    // MDL.PAL is read only for what is a PLT picture.
    std::optional<TModelPalette> palette;
    if (SameNameNoCase(type, "PLT") && IsPltFile(bytes))
        palette = LoadModelPalette(FindPathNoCase(GetPaletteFolder(), "MDL.PAL"));
    const TTexturePicture picture = DecodeTexture(bytes, type, shownName, palette ? &*palette : nullptr);
    if (!picture.Empty())
        Upload(picture, shownName);
}

void CTexture::Upload(const TTexturePicture &picture, const std::string &name)
{
    Release();
    const std::vector<std::uint8_t> rows = UploadRows(picture);
    const GLenum format = GLFormat(picture.Layout);
    const GLuint texture = NewTexture();
    // Three-byte rows need not end on four-byte boundaries.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint components = format == GL_RGBA ? GL_RGBA : 3;
    const GLint failure = gluBuild2DMipmaps(GL_TEXTURE_2D, components, picture.Image.Width, picture.Image.Height, format,
                                            GL_UNSIGNED_BYTE, rows.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    if (failure != 0) {
        glDeleteTextures(1, &texture);
        throw std::runtime_error("Cannot upload the texture \"" + name + "\": " +
                                 reinterpret_cast<const char *>(gluErrorString(GLenum(failure))));
    }
    m_glName = texture;
    m_width = std::uint32_t(picture.Image.Width);
    m_height = std::uint32_t(picture.Image.Height);
    m_format = std::uint16_t(format);
    m_compressed = false;
}

// Every level the file holds goes up as stored, its first row at t = 0;
// drawing stops at the last of them, so a chain that ends early still
// makes a complete texture.
bool CTexture::UploadCompressed(std::string_view bytes, const std::string &name)
{
    const TDdsTexture dds = ReadDds(bytes, name);
    if (!IsPowerOfTwo(dds.Width) || !IsPowerOfTwo(dds.Height))
        return false;
    const GLenum format = CompressedFormat(dds);
    const TCompressedTexImage2D upload = format != 0 ? CompressedTexImage2D() : nullptr;
    if (!upload)
        return false;
    Release();
    while (glGetError() != GL_NO_ERROR) {
    }
    const GLuint texture = NewTexture();
    glTexParameteri(GL_TEXTURE_2D, kMaxLevel, GLint(dds.Levels.size() - 1));
    if (dds.Format == TDdsFormat::Bc4) {
        glTexParameteri(GL_TEXTURE_2D, kSwizzleGreen, GL_RED);
        glTexParameteri(GL_TEXTURE_2D, kSwizzleBlue, GL_RED);
    }
    for (std::size_t i = 0; i < dds.Levels.size(); ++i) {
        const TDdsLevel &level = dds.Levels[i];
        upload(GL_TEXTURE_2D, GLint(i), format, level.Width, level.Height, 0, GLsizei(level.Bytes.size()),
               level.Bytes.data());
    }
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        return false;
    }
    m_glName = texture;
    m_width = std::uint32_t(dds.Width);
    m_height = std::uint32_t(dds.Height);
    m_format = std::uint16_t(dds.HasAlpha() ? GL_RGBA : GL_RGB);
    m_compressed = true;
    return true;
}

void CTexture::Bind() const
{
    if (m_glName != 0)
        glBindTexture(GL_TEXTURE_2D, m_glName);
}
