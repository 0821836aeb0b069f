#include "geometry/mesh.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "engine/material.h"

Mesh::Mesh(std::int32_t format_, std::uint32_t vertexCapacity_, std::uint32_t indexCapacity_)
    : vertexCapacity(vertexCapacity_), indexCapacity(indexCapacity_), format(format_) {
    if (format == 1)
        vertices.resize(vertexCapacity);
    else
        vertices2.resize(vertexCapacity);
    indices.resize(indexCapacity);
}

void Mesh::addVertex(const MeshVertex& v) {
    if (format != 1 || vertexCount >= vertexCapacity) return;
    vertices[vertexCount++] = v;
}

void Mesh::addVertex2(const MeshVertex2& v) {
    if (format != 2 || vertexCount >= vertexCapacity) return;
    vertices2[vertexCount++] = v;
}

void Mesh::addIndex(std::int32_t index) {
    if (indexCount >= indexCapacity) return;
    indices[indexCount++] = index;
}

namespace {

// Below this many indices immediate mode costs no more than setting up the arrays.
constexpr std::uint32_t arrayMinimum = 1024;
// 16-bit indices, the widest a GL emulated over WebGL takes from the program's memory.
constexpr std::uint32_t arrayMostVertices = 65536;

}  // namespace

std::uint32_t Mesh::drawArrays(Display* display) {
    const bool two = format != 1;
    if (packed.vertexCount != vertexCount || packed.indexCount != indexCount) {
        packed.vertexCount = vertexCount;
        packed.indexCount = indexCount;
        packed.vertices.clear();
        packed.vertices.reserve(static_cast<std::size_t>(vertexCount) * (two ? 7 : 5));
        for (std::uint32_t v = 0; v < vertexCount; ++v) {
            const Vec3& p = two ? vertices2[v].position : vertices[v].position;
            const Vec2& uv = two ? vertices2[v].texCoord : vertices[v].texCoord;
            packed.vertices.insert(packed.vertices.end(), {p.x, p.y, p.z, uv.s, uv.t});
            if (two) {
                const Vec2& uv2 = vertices2[v].texCoord2;
                packed.vertices.insert(packed.vertices.end(), {uv2.s, uv2.t});
            }
        }
        // The indices immediate mode would send (the same ones it skips are left out), in
        // whole triangles, keeping the last one back.
        std::uint32_t valid = 0;
        for (std::uint32_t i = 0; i < indexCount; ++i)
            valid += indices[i] >= 0 && static_cast<std::uint32_t>(indices[i]) < vertexCount;
        const std::uint32_t inArrays = valid >= 3 ? (valid / 3 - 1) * 3 : 0;
        packed.indices.clear();
        packed.indices.reserve(inArrays);
        packed.tail = 0;
        while (packed.indices.size() < inArrays) {
            const std::int32_t n = indices[packed.tail++];
            if (n >= 0 && static_cast<std::uint32_t>(n) < vertexCount)
                packed.indices.push_back(static_cast<std::uint16_t>(n));
        }
    }
    if (packed.indices.empty()) return 0;

    const GLsizei stride = static_cast<GLsizei>((two ? 7 : 5) * sizeof(float));
    const float* base = packed.vertices.data();
    ClientActiveTextureFn unit = display->clientActiveTexture;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, base);
    if (unit) unit(GL_TEXTURE0_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, base + 3);
    if (two) {
        unit(GL_TEXTURE1_ARB);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, base + 5);
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(packed.indices.size()), GL_UNSIGNED_SHORT, packed.indices.data());
    if (two) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        unit(GL_TEXTURE0_ARB);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    return packed.tail;
}

void Mesh::draw(RenderList* list) {
    // A mesh drawn before its generator assigned a material keeps the last render state.
    if (material) material->apply(list);

    // The second texture unit is reached through the entry point the Display looked up;
    // without it (the Display has already reported that) only the first pair is sent.
    Display* display = list ? list->display : nullptr;
    MultiTexCoord2fFn multiTexCoord = display ? display->multiTexCoord2f : nullptr;

    // Large meshes go mostly through arrays.  The last triangle always goes through
    // immediate mode, so each unit's current texture coordinates end as the last vertex
    // sent left them, as when every vertex went that way.
    std::uint32_t first = 0;
    if (display && indexCount >= arrayMinimum && vertexCount <= arrayMostVertices &&
        (format == 1 || (multiTexCoord && display->clientActiveTexture)))
        first = drawArrays(display);

    glBegin(GL_TRIANGLES);
    for (std::uint32_t i = first; i < indexCount; ++i) {
        const std::int32_t n = indices[i];
        // Generators only store indices of existing vertices; anything else is skipped
        // rather than read out of bounds.
        if (n < 0 || static_cast<std::uint32_t>(n) >= vertexCount) continue;
        if (format == 1) {
            const MeshVertex& v = vertices[static_cast<std::size_t>(n)];
            glTexCoord2f(v.texCoord.s, v.texCoord.t);
            glVertex3f(v.position.x, v.position.y, v.position.z);
        } else {
            const MeshVertex2& v = vertices2[static_cast<std::size_t>(n)];
            if (multiTexCoord) {
                multiTexCoord(GL_TEXTURE0_ARB, v.texCoord.s, v.texCoord.t);
                multiTexCoord(GL_TEXTURE1_ARB, v.texCoord2.s, v.texCoord2.t);
            } else {
                glTexCoord2f(v.texCoord.s, v.texCoord.t);
            }
            glVertex3f(v.position.x, v.position.y, v.position.z);
        }
    }
    glEnd();
}

void MeshNode::collect(RenderList* list) {
    if (!visible) return;
    for (const auto& mesh : meshes) list->add(mesh.get());
    collectChildren(list);
}

void MeshNode::addMesh(Mesh* mesh) {
    if (!mesh) return;
    mesh->owner = this;
    meshes.emplace_back(mesh);
}
