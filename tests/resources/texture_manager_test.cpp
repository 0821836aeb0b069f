#include <gtest/gtest.h>

#include <GL/gl.h>

#include "platform/gl_context.h"
#include "resources/image_files.h"
#include "resources/texture_manager.h"
#include "support/message_recorder.h"

namespace {

class TextureManagerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.ok()); }

    // Level 0 of a texture as tightly packed RGB rows, texture row 0 first.
    Bytes readBack(const Texture* t, int width, int height) {
        glBindTexture(GL_TEXTURE_2D, t->name);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        Bytes out(static_cast<std::size_t>(width * height * 3));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, out.data());
        return out;
    }

    platform::OffscreenContext gl{16, 16};
    ScratchDir dir;
    MessageRecorder messages;
    TextureManager textures;
};

TEST_F(TextureManagerTest, BmpTexturesAreNewEachTimeAndUploadOddWidths) {
    BmpLayout l;
    l.width = 3;  // rows of 9 bytes: misread with the default unpack alignment
    l.height = 2;
    l.pixels = bgrRows({{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}});
    const std::string file = dir.write("odd.bmp", makeBmp(l));

    Texture* a = textures.loadBmp(file);
    Texture* b = textures.loadBmp(file);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a->name, 0u);
    EXPECT_NE(a->name, b->name);
    EXPECT_EQ(textures.textures, (std::vector<Texture*>{a, b}));

    const Bytes expected = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(readBack(a, 3, 2), expected);  // bottom row of the picture is texture row 0

    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 4);  // left as it was found
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(TextureManagerTest, JpegTextureHasTopRowFirst) {
    Bytes px = solidRgb(8, 8, {0, 0, 255});
    Bytes bottom = solidRgb(8, 8, {255, 0, 0});
    px.insert(px.end(), bottom.begin(), bottom.end());
    Texture* t = textures.loadJpeg(dir.write("s.jpg", makeJpeg(8, 16, JpegKind::Rgb, px)));
    ASSERT_NE(t, nullptr);
    Bytes back = readBack(t, 8, 16);
    EXPECT_LT(back[0], 8);
    EXPECT_GT(back[2], 247);  // texture row 0: blue
    EXPECT_GT(back[back.size() - 3], 247);
    EXPECT_LT(back[back.size() - 1], 8);  // last row: red
    EXPECT_TRUE(textures.textures.empty());  // only BMP loads are listed
}

TEST_F(TextureManagerTest, FailedLoadsReportAndYieldNull) {
    const std::string bmp = dir.path("black.bmp");
    EXPECT_EQ(textures.loadBmp(bmp), nullptr);
    EXPECT_EQ(textures.loadJpeg(dir.path("s_1.jpg")), nullptr);
    const Bytes jpeg = makeJpeg(8, 8, JpegKind::Rgb, solidRgb(8, 8, {1, 2, 3}));
    EXPECT_EQ(textures.loadJpeg(dir.write("cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + 100))), nullptr);
    ASSERT_EQ(messages.messages.size(), 3u);
    EXPECT_EQ(messages.messages[0].text, "Failed to open DIB file " + bmp + ".\n");
    EXPECT_EQ(messages.messages[0].caption, "Error");
    for (int i : {1, 2}) {
        EXPECT_EQ(messages.messages[static_cast<std::size_t>(i)].text, "No se pudo abrir el JPG");
        EXPECT_EQ(messages.messages[static_cast<std::size_t>(i)].caption, "MARN");
        EXPECT_EQ(messages.messages[static_cast<std::size_t>(i)].icon, platform::MessageIcon::None);
    }
    EXPECT_TRUE(textures.textures.empty());
}

}  // namespace
