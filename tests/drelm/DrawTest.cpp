// Drawing: exact pixels of the primitives, translation, nested clipping, blending, depth,
// texture blits and render targets, read back from the back buffer or a saved
// screenshot; and the video-mode errors.
#include "DrelmTestSupport.h"

using drelmtest::MessageOf;
using drelmtest::Packed;
using drelmtest::ScratchFile;

namespace {

constexpr DRELM_RGBA kRed(255, 0, 0);
constexpr DRELM_RGBA kGreen(0, 255, 0);
constexpr DRELM_RGBA kBlue(0, 0, 255);
constexpr uint32_t kBlack = 0xFF000000u;

class Draw : public drelmtest::ScreenTest {};

// Which pixels of the screenshot file differ from black, as a bounding box.
Quelm::Rect PaintedArea(DRELM_Surface* s, uint32_t background = kBlack) {
    int l = s->Width(), t = s->Height(), r = -1, b = -1;
    for (int y = 0; y < s->Height(); ++y) {
        for (int x = 0; x < s->Width(); ++x) {
            if (s->GetPixel(x, y).Packed() == background) continue;
            l = std::min(l, x);
            t = std::min(t, y);
            r = std::max(r, x);
            b = std::max(b, y);
        }
    }
    if (r < 0) return Quelm::Rect();
    return Quelm::Rect(l, t, r - l + 1, b - t + 1);
}

TEST_F(Draw, ClippedTranslatedDrawingLandsWhereItShouldInTheScreenshot) {
    DRELM_Translate(50, 40);
    DRELM_StartClip(Quelm::Rect(0, 0, 20, 10));
    DRELM_DrawRect(Quelm::Rect(-5, -5, 100, 100), kRed);
    DRELM_DrawLine(-100, 5, 100, 5, kGreen);
    DRELM_EndClip();
    DRELM_Translate(-50, -40);
    DRELM_DrawRect(Quelm::Rect(300, 220, 2, 3), kBlue);

    const std::string file = ScratchFile("clip.png");
    DRELM_SaveScreenshot(file.c_str());
    DRELM_Surface* shot = DRELM_CreateSurface(file.c_str());
    ASSERT_EQ(shot->Width(), 320);
    ASSERT_EQ(shot->Height(), 240);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            uint32_t expected = kBlack;
            if (x >= 50 && x < 70 && y >= 40 && y < 50)
                expected = y == 45 ? Packed(kGreen) : Packed(kRed);
            if (x >= 300 && x < 302 && y >= 220 && y < 223) expected = Packed(kBlue);
            ASSERT_EQ(shot->GetPixel(x, y).Packed(), expected) << x << "," << y;
        }
    }
    DRELM_FreeSurface(shot);
}

TEST_F(Draw, NestedClipsIntersectAndUnwind) {
    DRELM_StartClip(Quelm::Rect(10, 10, 100, 100));
    DRELM_Translate(20, 20);
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(-10, -10, 100, 100)) << "in translated coordinates";
    DRELM_StartClip(Quelm::Rect(80, 80, 50, 50));  // screen 100..150, cut at 110
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(80, 80, 10, 10));
    DRELM_StartClip(Quelm::Rect(0, 0, 5, 5));  // outside: nothing is drawn
    DRELM_DrawRect(Quelm::Rect(0, 0, 320, 240), kRed);
    DRELM_EndClip();
    DRELM_DrawRect(Quelm::Rect(-20, -20, 320, 240), kGreen);
    DRELM_EndClip();
    DRELM_Translate(-20, -20);
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(10, 10, 100, 100));
    DRELM_EndClip();
    DRELM_EndClip();  // one too many is harmless
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(0, 0, 320, 240));

    DRELM_Surface* shot = DRELM_GrabScreen();
    EXPECT_EQ(PaintedArea(shot), Quelm::Rect(100, 100, 10, 10));
    EXPECT_EQ(shot->GetPixel(100, 100), kGreen);
    DRELM_FreeSurface(shot);

    DRELM_SetClipRect(Quelm::Rect(-50, -50, 60, 60));
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(0, 0, 10, 10)) << "cut to the screen";
    DRELM_SetClipRectP(nullptr);
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(0, 0, 320, 240));
}

TEST_F(Draw, FourCornerRectangleHitsEachCornerExactly) {
    const DRELM_RGBA tl(255, 0, 0), tr(0, 255, 0), bl(0, 0, 255), br(255, 255, 255);
    DRELM_DrawRect4(Quelm::Rect(10, 10, 11, 11), tl, tr, bl, br);
    EXPECT_EQ(Pixel(10, 10), tl);
    EXPECT_EQ(Pixel(20, 10), tr);
    EXPECT_EQ(Pixel(10, 20), bl);
    EXPECT_EQ(Pixel(20, 20), br);
    EXPECT_EQ(Pixel(15, 15), DRELM_RGBA(128, 128, 128));
    EXPECT_EQ(Pixel(15, 10), DRELM_RGBA(128, 128, 0));
    EXPECT_EQ(Pixel(21, 21).Packed(), kBlack);

    DRELM_DrawGradientRectV(Quelm::Rect(30, 0, 1, 3), DRELM_RGBA(0, 0, 0),
                            DRELM_RGBA(200, 100, 50));
    EXPECT_EQ(Pixel(30, 1), DRELM_RGBA(100, 50, 25));
    DRELM_DrawGradientRectH(Quelm::Rect(40, 0, 5, 1), DRELM_RGBA(0, 0, 0), DRELM_RGBA(0, 0, 200));
    EXPECT_EQ(Pixel(41, 0), DRELM_RGBA(0, 0, 50));
    DRELM_DrawGradientRect(Quelm::Rect(50, 0, 3, 3), DRELM_RGBA(0, 0, 0), DRELM_RGBA(0, 200, 0),
                           DRELM_GRADIENT_DIAGONAL);
    EXPECT_EQ(Pixel(52, 0), DRELM_RGBA(0, 100, 0));
    EXPECT_EQ(Pixel(52, 2), DRELM_RGBA(0, 200, 0));
}

TEST_F(Draw, LinesIncludeBothEndsAndBoxesAreOutlines) {
    DRELM_DrawLine(5, 5, 9, 7, kRed);
    EXPECT_EQ(Pixel(5, 5), kRed);
    EXPECT_EQ(Pixel(9, 7), kRed);
    EXPECT_EQ(Pixel(7, 6), kRed);
    DRELM_DrawLine(3, 3, 3, 3, kGreen);
    EXPECT_EQ(Pixel(3, 3), kGreen);
    // Lines from far outside draw their visible part at once.
    DRELM_DrawLine(-2000000000, 30, 2000000000, 30, kBlue);
    EXPECT_EQ(Pixel(0, 30), kBlue);
    EXPECT_EQ(Pixel(319, 30), kBlue);
    DRELM_DrawLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, kGreen);
    EXPECT_EQ(Pixel(100, 100), kGreen);
    EXPECT_EQ(Pixel(101, 100).Packed(), kBlack);

    // A translucent box: every edge pixel is blended exactly once, corners included.
    DRELM_DrawBox(Quelm::Rect(200, 20, 5, 4), DRELM_RGBA(255, 255, 255, 128));
    const DRELM_RGBA half(128, 128, 128);
    for (int x = 200; x < 205; ++x) {
        EXPECT_EQ(Pixel(x, 20), half);
        EXPECT_EQ(Pixel(x, 23), half);
    }
    EXPECT_EQ(Pixel(200, 21), half);
    EXPECT_EQ(Pixel(204, 22), half);
    EXPECT_EQ(Pixel(202, 21).Packed(), kBlack);
}

TEST_F(Draw, BlendModes) {
    DRELM_ClearBuffers(DRELM_RGBA(100, 100, 100));
    DRELM_DrawRect(Quelm::Rect(0, 0, 1, 1), DRELM_RGBA(255, 0, 0, 64));
    EXPECT_EQ(Pixel(0, 0), DRELM_RGBA(139, 75, 75));  // 255*64/255 + 100*191/255
    DRELM_DrawRect(Quelm::Rect(1, 0, 1, 1), DRELM_RGBA(255, 0, 0, 0));
    EXPECT_EQ(Pixel(1, 0), DRELM_RGBA(100, 100, 100));

    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_ADD);
    DRELM_DrawRect(Quelm::Rect(2, 0, 1, 1), DRELM_RGBA(200, 10, 0));
    EXPECT_EQ(Pixel(2, 0), DRELM_RGBA(255, 110, 100));
    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_MULTIPLY);
    DRELM_DrawRect(Quelm::Rect(3, 0, 1, 1), DRELM_RGBA(255, 128, 0));
    EXPECT_EQ(Pixel(3, 0), DRELM_RGBA(100, 50, 0));
    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_NONE);
    DRELM_DrawRect(Quelm::Rect(4, 0, 1, 1), DRELM_RGBA(1, 2, 3, 4));
    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_ALPHA);
    DRELM_Surface* shot = DRELM_GrabScreen();
    EXPECT_EQ(shot->GetPixel(4, 0), DRELM_RGBA(1, 2, 3));  // screenshots are opaque
    DRELM_FreeSurface(shot);

    DRELM_RenderState record;
    DRELM_GetRenderState(record);
    EXPECT_EQ(record.blend, DRELM_BLEND_ALPHA);
    record.zTest = 1;
    record.filter = DRELM_FILTER_BILINEAR;
    DRELM_SetRenderState(record);
    EXPECT_EQ(DRELM_GetRenderState(DRELM_RS_Z_TEST), 1);
    EXPECT_EQ(DRELM_GetRenderState(DRELM_RS_FILTER), DRELM_FILTER_BILINEAR);
    DRELM_SetRenderState(DRELM_RS_BLEND, 99);  // an unknown mode is refused
    EXPECT_EQ(DRELM_GetRenderState(DRELM_RS_BLEND), DRELM_BLEND_ALPHA);
}

TEST_F(Draw, DepthTestHidesWhatLiesBehind) {
    DRELM_ClearBuffers(DRELM_BLACK, DRELM_Z_FAR);
    DRELM_SetRenderState(DRELM_RS_Z_TEST, 1);
    DRELM_SetRenderState(DRELM_RS_Z_WRITE, 1);
    DRELM_SetZ(0.25f);
    DRELM_DrawRect(Quelm::Rect(0, 0, 10, 10), kRed);
    DRELM_AddToZ(0.25f);
    EXPECT_FLOAT_EQ(DRELM_GetZ(), 0.5f);
    DRELM_DrawRect(Quelm::Rect(5, 0, 10, 10), kGreen);  // behind the red one
    EXPECT_EQ(Pixel(7, 5), kRed);
    EXPECT_EQ(Pixel(12, 5), kGreen);
    DRELM_SetZ(0.1f);
    DRELM_DrawRect(Quelm::Rect(8, 0, 4, 4), kBlue);  // in front of both
    EXPECT_EQ(Pixel(9, 1), kBlue);
    EXPECT_EQ(Pixel(11, 1), kBlue);
}

TEST_F(Draw, TextureBlitsModulateStretchAndTile) {
    DRELM_Texture* t = DRELM_CreateTexture(2, 2, DRELM_FORMAT_A8R8G8B8);
    auto* px = static_cast<uint32_t*>(t->Lock(DRELM_LOCK_WRITE));
    px[0] = 0xFFC86432;  // (200, 100, 50)
    px[1] = 0xFF00FF00;
    px[2] = 0xFF0000FF;
    px[3] = 0x00FFFFFF;  // transparent
    t->Unlock();

    t->Blit(10, 10);
    EXPECT_EQ(Pixel(10, 10).Packed(), 0xFFC86432u);
    EXPECT_EQ(Pixel(11, 11).Packed(), kBlack);
    t->Blit(20, 10, DRELM_RGBA(128, 255, 0));
    EXPECT_EQ(Pixel(20, 10), DRELM_RGBA(100, 100, 0));

    // Point-filtered stretch: each texel becomes a 2 x 2 block.
    t->Blit(30, 10, 4, 4);
    EXPECT_EQ(Pixel(30, 10).Packed(), 0xFFC86432u);
    EXPECT_EQ(Pixel(31, 11).Packed(), 0xFFC86432u);
    EXPECT_EQ(Pixel(32, 10), kGreen);
    EXPECT_EQ(Pixel(31, 13), kBlue);
    EXPECT_EQ(Pixel(33, 13).Packed(), kBlack);

    // The top row tiled across 5 pixels (the last copy cut), stretched over 2 rows.
    t->BlitPartTiled(Quelm::Rect(0, 0, 2, 1), Quelm::Rect(40, 10, 5, 2), DRELM_TILE_HORIZONTAL);
    for (int y = 10; y < 12; ++y) {
        EXPECT_EQ(Pixel(40, y).Packed(), 0xFFC86432u);
        EXPECT_EQ(Pixel(41, y), kGreen);
        EXPECT_EQ(Pixel(42, y).Packed(), 0xFFC86432u);
        EXPECT_EQ(Pixel(44, y).Packed(), 0xFFC86432u);
        EXPECT_EQ(Pixel(45, y).Packed(), kBlack);
    }
    // A part reaching outside the texture draws its inside only.
    t->BlitPart(Quelm::Rect(1, 1, 4, 4), 60, 10);
    EXPECT_EQ(Pixel(60, 10).Packed(), kBlack);  // the transparent texel
    EXPECT_EQ(Pixel(61, 10).Packed(), kBlack);
    DRELM_FreeTexture(t);
}

TEST_F(Draw, TexturesFromFilesWithAColourKeyAndFromOtherTextures) {
    DRELM_Surface picture;
    picture.Create(3, 1, DRELM_FORMAT_A8R8G8B8);
    picture.SetPixel(0, 0, DRELM_RGBA(255, 0, 255));
    picture.SetPixel(1, 0, kRed);
    picture.SetPixel(2, 0, DRELM_RGBA(255, 0, 255));
    const std::string file = ScratchFile("keyed.png");
    picture.Save(file.c_str());
    DRELM_Texture* t =
        DRELM_CreateTexture(file.c_str(), DRELM_FORMAT_A8R8G8B8, 0xFF00FFu, DRELM_CONVERT_COLORKEY);
    t->Blit(10, 10);
    EXPECT_EQ(Pixel(10, 10).Packed(), kBlack);
    EXPECT_EQ(Pixel(11, 10), kRed);
    EXPECT_EQ(Pixel(12, 10).Packed(), kBlack);

    DRELM_Texture copy;
    copy.Create(2, 2, DRELM_FORMAT_X8R8G8B8);
    copy.UpdateTexture(t);
    EXPECT_EQ(copy.GetPixel(1, 0), kRed);
    EXPECT_EQ(copy.GetPixel(0, 0), DRELM_RGBA(0, 0, 0)) << "X8R8G8B8 has no transparency";
    EXPECT_EQ(copy.GetPixel(1, 1), DRELM_RGBA(0, 0, 0));
    DRELM_FreeTexture(t);
    EXPECT_EQ(MessageOf([] { DRELM_CreateTexture(ScratchFile("nothing.png").c_str()); }),
              "SurfaceLoader: File IO error");

    // Cursors load from pictures too; unknown numbers are ignored.
    EXPECT_GE(DRELM_LoadCursor(file.c_str(), 1, 0), DRELM_CURSOR_SIZE_ALL + 1);
    EXPECT_EQ(MessageOf([] { DRELM_LoadCursor(ScratchFile("nothing.png").c_str(), 0, 0); }),
              "SurfaceLoader: File IO error");
    DRELM_SetCursor(1000);
    DRELM_SetCursor(DRELM_CURSOR_IBEAM);
}

TEST_F(Draw, RenderTargetsKeepTheirOwnOriginAndGiveTheScreenItsBack) {
    DRELM_Translate(100, 100);
    DRELM_StartClip(Quelm::Rect(0, 0, 50, 50));
    DRELM_Texture* target =
        DRELM_CreateTexture(8, 8, DRELM_FORMAT_A8R8G8B8, DRELM_TEXTURE_RENDER_TARGET);
    DRELM_SetRenderTarget(target);
    EXPECT_EQ(DRELM_CurrentRenderTarget(), target);
    EXPECT_EQ(DRELM_GetTranslate(), DRELM_Point(0, 0));
    DRELM_ClearBuffers(DRELM_RGBA(0, 0, 0, 0));
    DRELM_DrawRect(Quelm::Rect(2, 2, 4, 4), kRed);
    DRELM_SetRenderTarget(nullptr);
    EXPECT_EQ(DRELM_GetTranslate(), DRELM_Point(100, 100));
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(0, 0, 50, 50));
    EXPECT_EQ(target->GetPixel(2, 2), kRed);
    EXPECT_EQ(target->GetPixel(1, 1).a, 0);

    target->Blit(0, 0);
    DRELM_Surface* shot = DRELM_GrabScreen();
    EXPECT_EQ(PaintedArea(shot), Quelm::Rect(102, 102, 4, 4));
    DRELM_FreeSurface(shot);
    DRELM_SetRenderTarget(target);
    DRELM_FreeTexture(target);  // freeing the target falls back to the screen
    EXPECT_EQ(DRELM_CurrentRenderTarget(), nullptr);
}

TEST_F(Draw, VideoModesAndTheirErrors) {
    EXPECT_EQ(MessageOf([] { DRELM_SetVideoMode(DRELM_VideoMode(640, 480, DRELM_FORMAT_P8), 0); }),
              "Unsupported video mode");
    EXPECT_EQ(
        MessageOf([] { DRELM_SetVideoMode(DRELM_VideoMode(0, 480, DRELM_FORMAT_X8R8G8B8), 0); }),
        "Unsupported video mode");
    // The offscreen display offers no full-screen modes.
    EXPECT_EQ(MessageOf([] {
                  DRELM_SetVideoMode(DRELM_VideoMode(800, 600, DRELM_FORMAT_X8R8G8B8),
                                     DRELM_VIDEO_FULLSCREEN | DRELM_VIDEO_HIDDEN);
              }),
              "Video mode not found");
    EXPECT_EQ(DRELM_GetScreen()->Width(), 320) << "a refused mode keeps the old one";

    DRELM_Screen* screen =
        DRELM_ChangeVideoMode(DRELM_VideoMode(640, 480, DRELM_FORMAT_R5G6B5), DRELM_VIDEO_HIDDEN);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen, DRELM_GetScreen());
    EXPECT_EQ(screen->Width(), 640);
    EXPECT_EQ(screen->Height(), 480);
    EXPECT_EQ(screen->videoMode.format, DRELM_FORMAT_R5G6B5);
    EXPECT_FALSE(screen->IsFullScreen());
    EXPECT_EQ(DRELM_GetClipRect(), Quelm::Rect(0, 0, 640, 480));
    EXPECT_NE(DRELM_GetWindowHandle(), nullptr);
    DRELM_SetWindowTitle("Tonweave");
    DRELM_DrawRect(Quelm::Rect(630, 470, 10, 10), kRed);
    DRELM_NextFrame();
    EXPECT_EQ(Pixel(639, 479), kRed);
    EXPECT_TRUE(DRELM_IsTextureFormatAvailable(DRELM_FORMAT_A8R8G8B8));
    EXPECT_FALSE(DRELM_IsTextureFormatAvailable(DRELM_FORMAT_P8));
    EXPECT_TRUE(DRELM_IsSurfaceFormatAvailable(DRELM_FORMAT_P8));
    EXPECT_FALSE(DRELM_IsSurfaceFormatAvailable(DRELM_FORMAT_UNKNOWN));
}

TEST_F(Draw, ExceptionsFromTheLibraryAreTheProgramsOwn) {
    try {
        DRELM_SetVideoMode(DRELM_VideoMode(640, 480, DRELM_FORMAT_A8), 0);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "Unsupported video mode");
        EXPECT_STREQ(e.KindName(), "Generic exception");
    }
}

TEST(DrawWithoutScreen, DrawingBeforeAVideoModeDoesNothing) {
    DRELM_Init();
    DRELM_DrawRect(Quelm::Rect(0, 0, 10, 10), kRed);
    DRELM_DrawLine(0, 0, 10, 10, kRed);
    DRELM_ClearBuffers();
    DRELM_NextFrame();
    EXPECT_EQ(DRELM_GetScreen(), nullptr);
    EXPECT_EQ(MessageOf([] { DRELM_SaveScreenshot(ScratchFile("none.png").c_str()); }),
              "SurfaceSaver: Feature not supported");
    DRELM_Quit();
}

}  // namespace
