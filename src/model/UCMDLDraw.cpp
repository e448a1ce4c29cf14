#include "model/UCMDLDraw.h"

#include "app/UFileIO.h"
#include "app/UText.h"
#include "app/UUtil.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <stdexcept>

namespace {

// The highlight of the node chosen in the view's node list.
constexpr GLfloat kSelectedColour[3] = {0.5f, 0, 0.5f};
// The skeleton: a small ball at each node's origin.
constexpr GLdouble kJointRadius = 0.01;
constexpr GLint kJointSlices = 8;
constexpr GLint kJointStacks = 8;

constexpr const char *kEnvironmentPicture = "chrome1.tga";

// The environment picture wraps around the mesh: sphere-mapped S and T.
// (R takes no sphere map; GL refuses it.)
void SphereMapTexGen(bool enable)
{
    for (GLenum coordinate : {GL_S, GL_T})
        glTexGeni(coordinate, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    for (GLenum gen : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T}) {
        if (enable)
            glEnable(gen);
        else
            glDisable(gen);
    }
    glDisable(GL_TEXTURE_GEN_R);
}

void ReplaceColourWithTexture()
{
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
}

} // namespace

CMDLDraw::~CMDLDraw()
{
    Release();
}

bool CMDLDraw::Read(const std::string &path, const TTextureSource &source,
                    const std::function<void()> &beforeMaterial)
{
    Release();
    m_pictures.clear();
    m_read = false;
    try {
        if (!Model.Open(path))
            return false;
        // Each distinct material name is looked up once; the uploads come
        // after all of them, so that events let through between two
        // look-ups never meet a half-made model.
        m_pictures.reserve(Model.Materials.size());
        for (const TMaterial &material : Model.Materials) {
            if (beforeMaterial)
                beforeMaterial();
            m_pictures.push_back(FindMaterialPicture(material.Name, source.Key, source.Erf, Model.ModelPath));
        }
        m_read = true;
    } catch (...) {
        m_pictures.clear();
        Model.Clear();
        throw;
    }
    return true;
}

bool CMDLDraw::Open(const std::string &path, const TTextureSource &source,
                    const std::function<void()> &beforeMaterial)
{
    if (!Read(path, source, beforeMaterial))
        return false;
    try {
        Prepare();
    } catch (...) {
        Release();
        m_pictures.clear();
        m_read = false;
        Model.Clear();
        throw;
    }
    return true;
}

void CMDLDraw::Prepare()
{
    Release();
    // Not while the pictures are still being looked up (events let through
    // meanwhile may show the view for the first time).
    if (!Model.Loaded || !m_read)
        return;
    BuildDisplayLists();
    LoadMaterials();
    m_prepared = true;
}

void CMDLDraw::BuildDisplayLists()
{
    m_lists.assign(Model.Nodes.size(), 0);
    for (std::size_t i = 0; i < Model.Nodes.size(); ++i) {
        const TNode &node = Model.Nodes[i];
        if (!HasDrawnFaces(node))
            continue;
        const TMesh &mesh = *node.Mesh();
        const GLuint list = glGenLists(1);
        if (list == 0)
            throw std::runtime_error("The graphics driver has no room left for the model \"" + Model.ModelPath + "\".");
        m_lists[i] = list;
        const bool textured = !mesh.TexVertices.empty();
        glNewList(list, GL_COMPILE);
        glBegin(GL_TRIANGLES);
        for (const TFace &face : mesh.Faces) {
            // A face naming vertices the mesh does not have is not drawn.
            if (!mesh.FaceIsDrawable(face))
                continue;
            const TVector3D normal = FaceNormal(mesh, face);
            glNormal3f(normal.X, normal.Y, normal.Z);
            const std::int32_t corners[3][2] = {{face.V0, face.T0}, {face.V1, face.T1}, {face.V2, face.T2}};
            for (const auto &[vertex, texVertex] : corners) {
                if (textured) {
                    const TTexVertex &uv = mesh.TexVertices[std::size_t(texVertex)];
                    glMultiTexCoord2f(GL_TEXTURE0, uv.U, uv.V);
                    glMultiTexCoord2f(GL_TEXTURE1, uv.U, uv.V);
                }
                const TVector3D &p = mesh.Vertices[std::size_t(vertex)];
                glVertex3f(p.X, p.Y, p.Z);
            }
        }
        glEnd();
        glEndList();
    }
}

void CMDLDraw::LoadMaterials()
{
    m_textures.clear();
    m_textures.reserve(Model.Materials.size());
    for (std::size_t i = 0; i < Model.Materials.size(); ++i) {
        auto texture = std::make_unique<CTexture>();
        if (i < m_pictures.size() && m_pictures[i]) {
            const TMaterialPicture &picture = *m_pictures[i];
            texture->LoadFromStream(picture.Bytes, picture.Type,
                                    Model.Materials[i].Name + "." + LowerCaseAscii(picture.Type));
        }
        m_textures.push_back(std::move(texture));
    }

    m_environment = std::make_unique<CTexture>();
    const std::string environment = FindPathNoCase(GetPaletteFolder(), kEnvironmentPicture);
    if (FileExists(environment)) {
        m_environment->LoadFromFile(environment);
        SphereMapTexGen(false);
    }
}

void CMDLDraw::Release()
{
    for (std::uint32_t list : m_lists)
        if (list != 0)
            glDeleteLists(list, 1);
    m_lists.clear();
    m_textures.clear(); // each CTexture deletes its GL texture
    m_environment.reset();
    m_prepared = false;
}

std::uint32_t CMDLDraw::DisplayList(std::size_t node) const
{
    return node < m_lists.size() ? m_lists[node] : 0;
}

const CTexture *CMDLDraw::MaterialTexture(std::size_t material) const
{
    return material < m_textures.size() ? m_textures[material].get() : nullptr;
}

void CMDLDraw::Draw() const
{
    if (!Model.Loaded)
        return;
    for (std::size_t i = 0; i < Model.Nodes.size(); ++i) {
        const TNode &node = Model.Nodes[i];
        glDisable(GL_TEXTURE_2D);
        glPushMatrix();
        glMultMatrixf(node.Matrix.data());
        glColor3f(1, 1, 1);
        DrawSkeleton(i);
        if (Model.TakesMaterial(i))
            ApplyMaterial(node);
        else
            glColor3fv(kSelectedColour);
        if (const GLuint list = DisplayList(i))
            glCallList(list);
        glPopMatrix();
    }
}

void CMDLDraw::ApplyMaterial(const TNode &node) const
{
    const std::size_t index = std::size_t(node.MaterialIndex);
    const CTexture *texture = MaterialTexture(index);
    if (texture && texture->GLName() != 0) {
        // The texture's colours and alpha replace the vertex colour on unit 1;
        // unit 0 stays off.
        if (MaterialBlends(Model.Materials[index].Name, texture->Format() == GL_RGBA, Model.Blending))
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
        glColor4f(1, 1, 1, 1);
        glActiveTexture(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glEnable(GL_ALPHA_TEST);
        const GLfloat emission[4] = {0, 0, 0, 0};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, node.Ambient.data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, node.Diffuse.data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, node.Specular.data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
        // GL takes shininess from 0 to 128 only.
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(node.Shininess, 0.0f, 128.0f));
        texture->Bind();
        ReplaceColourWithTexture();
        return;
    }
    // No picture: the environment picture is set up on unit 0, which then
    // ends switched off like unit 1, so the mesh shows plain white.
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    SphereMapTexGen(true);
    glDisable(GL_ALPHA_TEST);
    if (m_environment)
        m_environment->Bind();
    ReplaceColourWithTexture();
    glDisable(GL_TEXTURE_2D);
}

void CMDLDraw::DrawSkeleton(std::size_t node) const
{
    if (!Model.ShowSkeleton)
        return;
    glColor3f(1, 1, 1);
    if (GLUquadric *quadric = gluNewQuadric()) {
        gluQuadricNormals(quadric, GLU_SMOOTH);
        gluSphere(quadric, kJointRadius, kJointSlices, kJointStacks);
        gluDeleteQuadric(quadric);
    }
    glColor3f(1, 1, 1);
    if (Model.Nodes[node].Parent >= 0) {
        // Toward the parent's origin, whatever way the node is turned.
        const TVector3D parent = Model.ParentOriginInFrame(node);
        glBegin(GL_LINES);
        glVertex3f(0, 0, 0);
        glVertex3f(parent.X, parent.Y, parent.Z);
        glEnd();
    }
}
