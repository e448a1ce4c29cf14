// A model texture on the graphics card: a BMP, JPEG, TGA, PLT or DDS picture
// decoded by the core and uploaded with mipmaps into the current GL context
// (which every load and the destructor need). PLT pictures are coloured
// with MDL.PAL of the palette folder, read again for each one. A DDS whose
// blocks the card reads (S3TC; BC4 and BC5 through RGTC) is uploaded as
// stored, level by level, when its sides are powers of two; any other is
// decoded like the rest. A picture the decoders reject leaves the texture
// without a GL name, which is how callers learn that there is nothing to
// draw with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct CMemoryStream;
struct TTexturePicture;

class CTexture {
public:
    CTexture() = default;
    ~CTexture(); // deletes the GL texture
    CTexture(const CTexture &) = delete;
    CTexture &operator=(const CTexture &) = delete;

    // Reads the whole file and decodes it by the path's extension (.BMP,
    // .JPG, .TGA, .PLT, .DDS in any letter case); an empty file or another
    // extension loads nothing. Raises EFileError when the file (or, for a
    // PLT picture, MDL.PAL) cannot be read or the decoder refuses it.
    void LoadFromFile(const std::string &path);
    // Decodes bytes as a picture of type ("TGA", "PLT" ... in any letter
    // case); name names them in errors (a resource's file name).
    void LoadFromStream(std::string_view bytes, const std::string &type, const std::string &name = {});
    // The same from the stream's current position.
    void LoadFromStream(const CMemoryStream &stream, const std::string &type, const std::string &name = {});
    // Binds the texture to GL_TEXTURE_2D when it has a GL name.
    void Bind() const;

    // The path given to LoadFromFile, empty otherwise.
    const std::string &FileName() const { return m_fileName; }
    // The size of the uploaded picture.
    std::uint32_t Width() const { return m_width; }
    std::uint32_t Height() const { return m_height; }
    // GL_RGB, GL_RGBA or GL_BGR_EXT: the pixel format the picture was
    // uploaded in (for compressed blocks: GL_RGBA when they hold alpha);
    // GL_RGBA textures are drawn blended. 0 before an upload.
    std::uint16_t Format() const { return m_format; }
    // True when a DDS went to the card as its compressed blocks.
    bool Compressed() const { return m_compressed; }
    // 0 while nothing has been uploaded.
    std::uint32_t GLName() const { return m_glName; }

private:
    std::string m_fileName;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    std::uint16_t m_format = 0;
    std::uint32_t m_glName = 0;
    bool m_compressed = false;

    void Upload(const TTexturePicture &picture, const std::string &name);
    // False, with nothing changed, when the card cannot take the DDS's blocks.
    bool UploadCompressed(std::string_view bytes, const std::string &name);
    void Release();
};
