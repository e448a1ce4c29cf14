#include "model/UCTexture.h"

#include "app/UFileIO.h"
#include "app/UText.h"
#include "app/UUtil.h"
#include "model/UTexturePicture.h"

#include <GL/gl.h>
#include <GL/glu.h>

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
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
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
}

void CTexture::Bind() const
{
    if (m_glName != 0)
        glBindTexture(GL_TEXTURE_2D, m_glName);
}
