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

void Mesh::draw(RenderList* list) {
    // A mesh drawn before its generator assigned a material keeps the last render state.
    if (material) material->apply(list);

    // The second texture unit is reached through the entry point the Display looked up;
    // without it (the Display has already reported that) only the first pair is sent.
    MultiTexCoord2fFn multiTexCoord =
        (list && list->display) ? list->display->multiTexCoord2f : nullptr;

    glBegin(GL_TRIANGLES);
    for (std::uint32_t i = 0; i < indexCount; ++i) {
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
