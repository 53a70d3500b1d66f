// The drawing calls: render targets, render state, depth, translation, clipping, the
// primitives and the texture blits, all painting into the current render target.
#include <algorithm>

#include "Internal.h"

namespace drelm {

Library& Lib() {
    // Never destroyed: textures and fonts that are themselves static may outlive any
    // other static object and still ask for it in their destructors.
    static Library* library = new Library;
    return *library;
}

Quelm::Rect TargetBounds() {
    const Library& lib = Lib();
    if (lib.draw.target != nullptr) {
        return Quelm::Rect(0, 0, lib.draw.target->Width(), lib.draw.target->Height());
    }
    if (!lib.video.hasScreen) return Quelm::Rect();
    return Quelm::Rect(0, 0, lib.video.screen.Width(), lib.video.screen.Height());
}

Canvas CurrentCanvas() {
    Library& lib = Lib();
    Canvas c;
    if (lib.draw.target != nullptr) {
        DRELM_Texture& t = *lib.draw.target;
        c.pixels = reinterpret_cast<uint32_t*>(DrelmInternal::Pixels(t));
        c.width = t.Width();
        c.height = t.Height();
        c.stride = t.Width();
    } else if (lib.video.hasScreen) {
        c.pixels = lib.video.backBuffer.data();
        c.width = lib.video.screen.Width();
        c.height = lib.video.screen.Height();
        c.stride = c.width;
        c.depth = lib.video.depth.data();
    }
    return c;
}

Paint CurrentPaint() {
    Library& lib = Lib();
    Paint p;
    p.clip = lib.draw.current.clip.Intersect(TargetBounds());
    p.blend = lib.draw.renderState.blend;
    p.zTest = lib.draw.renderState.zTest != 0;
    p.zWrite = lib.draw.renderState.zWrite != 0;
    p.z = lib.draw.z;
    p.filter = lib.draw.renderState.filter;
    if (p.zWrite && lib.draw.target == nullptr) lib.video.depthDirty = true;
    return p;
}

Quelm::Rect ToTarget(const Quelm::Rect& r) {
    const DRELM_Point o = Lib().draw.current.offset;
    return Quelm::Rect(r.x + o.x, r.y + o.y, r.width, r.height);
}

}  // namespace drelm

using drelm::CurrentCanvas;
using drelm::CurrentPaint;
using drelm::Lib;
using drelm::ToTarget;

// ---- Render target ------------------------------------------------------------------------

void DRELM_SetRenderTarget(DRELM_Texture* texture) {
    drelm::DrawState& d = Lib().draw;
    if (texture != nullptr && !texture->IsCreated()) texture = nullptr;
    if (texture == d.target) return;
    if (d.target == nullptr) d.savedScreen = d.current;
    d.target = texture;
    if (texture == nullptr) {
        d.current = d.savedScreen;
    } else {
        d.current = drelm::TargetState();
        d.current.clip = drelm::TargetBounds();
    }
}

DRELM_Texture* DRELM_CurrentRenderTarget() { return Lib().draw.target; }

// ---- Render state ---------------------------------------------------------------------------

void DRELM_SetRenderState(DRELM_RENDER_STATE state, int value) {
    DRELM_RenderState& rs = Lib().draw.renderState;
    switch (state) {
        case DRELM_RS_BLEND:
            if (value >= DRELM_BLEND_NONE && value <= DRELM_BLEND_MULTIPLY) rs.blend = value;
            break;
        case DRELM_RS_Z_TEST:
            rs.zTest = value != 0;
            break;
        case DRELM_RS_Z_WRITE:
            rs.zWrite = value != 0;
            break;
        case DRELM_RS_FILTER:
            rs.filter = value == DRELM_FILTER_POINT ? DRELM_FILTER_POINT : DRELM_FILTER_BILINEAR;
            break;
        default:
            break;
    }
}

int DRELM_GetRenderState(DRELM_RENDER_STATE state) {
    const DRELM_RenderState& rs = Lib().draw.renderState;
    switch (state) {
        case DRELM_RS_BLEND:
            return rs.blend;
        case DRELM_RS_Z_TEST:
            return rs.zTest;
        case DRELM_RS_Z_WRITE:
            return rs.zWrite;
        case DRELM_RS_FILTER:
            return rs.filter;
        default:
            return 0;
    }
}

void DRELM_SetRenderState(const DRELM_RenderState& record) {
    DRELM_SetRenderState(DRELM_RS_BLEND, record.blend);
    DRELM_SetRenderState(DRELM_RS_Z_TEST, record.zTest);
    DRELM_SetRenderState(DRELM_RS_Z_WRITE, record.zWrite);
    DRELM_SetRenderState(DRELM_RS_FILTER, record.filter);
}

void DRELM_GetRenderState(DRELM_RenderState& record) { record = Lib().draw.renderState; }

// ---- Depth and translation ------------------------------------------------------------------

void DRELM_SetZ(float z) { Lib().draw.z = z; }
float DRELM_GetZ() { return Lib().draw.z; }
void DRELM_AddToZ(float dz) { Lib().draw.z += dz; }

void DRELM_Translate(int dx, int dy) {
    DRELM_Point& o = Lib().draw.current.offset;
    o.x += dx;
    o.y += dy;
}

DRELM_Point DRELM_GetTranslate() { return Lib().draw.current.offset; }

// ---- Clipping -------------------------------------------------------------------------------

void DRELM_SetClipRect(const Quelm::Rect& rect) {
    Lib().draw.current.clip = ToTarget(rect).Intersect(drelm::TargetBounds());
}

void DRELM_SetClipRectP(const Quelm::Rect* rect) {
    if (rect == nullptr) {
        Lib().draw.current.clip = drelm::TargetBounds();
    } else {
        DRELM_SetClipRect(*rect);
    }
}

Quelm::Rect DRELM_GetClipRect() {
    const drelm::TargetState& s = Lib().draw.current;
    return Quelm::Rect(s.clip.x - s.offset.x, s.clip.y - s.offset.y, s.clip.width, s.clip.height);
}

void DRELM_ResetClipRect() {
    drelm::TargetState& s = Lib().draw.current;
    s.clip = drelm::TargetBounds();
    s.clipStack.clear();
}

void DRELM_StartClip(const Quelm::Rect& rect) {
    drelm::TargetState& s = Lib().draw.current;
    s.clipStack.push_back(s.clip);
    s.clip = s.clip.Intersect(ToTarget(rect));
}

void DRELM_EndClip() {
    drelm::TargetState& s = Lib().draw.current;
    if (s.clipStack.empty()) return;
    s.clip = s.clipStack.back();
    s.clipStack.pop_back();
}

// ---- Primitives -----------------------------------------------------------------------------

void DRELM_ClearBuffers(const DRELM_RGBA& colour, float z) {
    drelm::Library& lib = Lib();
    const drelm::Canvas c = CurrentCanvas();
    if (c.pixels == nullptr) return;
    uint32_t v = colour.Packed();
    if (lib.draw.target != nullptr && lib.draw.target->Format() == DRELM_FORMAT_X8R8G8B8) {
        v |= 0xFF000000u;
    }
    std::fill(c.pixels, c.pixels + static_cast<size_t>(c.stride) * c.height, v);
    // The depth buffer is only refilled when something wrote to it or the value changes.
    drelm::VideoState& video = lib.video;
    if (c.depth != nullptr && (video.depthDirty || z != video.depthClearValue)) {
        std::fill(c.depth, c.depth + static_cast<size_t>(c.stride) * c.height, z);
        video.depthDirty = false;
        video.depthClearValue = z;
    }
}

void DRELM_DrawRect(const Quelm::Rect& rect, const DRELM_RGBA& colour) {
    const drelm::Canvas c = CurrentCanvas();
    if (c.pixels == nullptr) return;
    drelm::FillRect(c, CurrentPaint(), ToTarget(rect), colour.Packed());
}

void DRELM_DrawRect4(const Quelm::Rect& rect, const DRELM_RGBA& topLeft, const DRELM_RGBA& topRight,
                     const DRELM_RGBA& bottomLeft, const DRELM_RGBA& bottomRight) {
    const drelm::Canvas c = CurrentCanvas();
    if (c.pixels == nullptr) return;
    drelm::FillRect4(c, CurrentPaint(), ToTarget(rect), topLeft, topRight, bottomLeft, bottomRight);
}

void DRELM_DrawLine(int x1, int y1, int x2, int y2, const DRELM_RGBA& colour) {
    const drelm::Canvas c = CurrentCanvas();
    if (c.pixels == nullptr) return;
    const DRELM_Point o = Lib().draw.current.offset;
    drelm::DrawLine(c, CurrentPaint(), x1 + o.x, y1 + o.y, x2 + o.x, y2 + o.y, colour.Packed());
}

void DRELM_DrawBox(const Quelm::Rect& rect, const DRELM_RGBA& colour) {
    if (rect.IsEmpty()) return;
    // Four strips that never overlap, so a translucent outline has even corners.
    const int x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    DRELM_DrawRect(Quelm::Rect(x, y, w, 1), colour);
    if (h > 1) DRELM_DrawRect(Quelm::Rect(x, y + h - 1, w, 1), colour);
    if (h > 2) {
        DRELM_DrawRect(Quelm::Rect(x, y + 1, 1, h - 2), colour);
        if (w > 1) DRELM_DrawRect(Quelm::Rect(x + w - 1, y + 1, 1, h - 2), colour);
    }
}

void DRELM_DrawGradientRect(const Quelm::Rect& rect, const DRELM_RGBA& from, const DRELM_RGBA& to,
                            DRELM_GRADIENT_DIRECTION direction) {
    switch (direction) {
        case DRELM_GRADIENT_HORIZONTAL:
            DRELM_DrawGradientRectH(rect, from, to);
            break;
        case DRELM_GRADIENT_VERTICAL:
            DRELM_DrawGradientRectV(rect, from, to);
            break;
        default: {
            const drelm::Canvas c = CurrentCanvas();
            if (c.pixels == nullptr) return;
            drelm::FillDiagonal(c, CurrentPaint(), ToTarget(rect), from, to);
            break;
        }
    }
}

void DRELM_DrawGradientRectH(const Quelm::Rect& rect, const DRELM_RGBA& left,
                             const DRELM_RGBA& right) {
    DRELM_DrawRect4(rect, left, right, left, right);
}

void DRELM_DrawGradientRectV(const Quelm::Rect& rect, const DRELM_RGBA& top,
                             const DRELM_RGBA& bottom) {
    DRELM_DrawRect4(rect, top, top, bottom, bottom);
}

// ---- Texture blits --------------------------------------------------------------------------

namespace {

drelm::Source SourceOf(const DRELM_Texture& t) {
    drelm::Source s;
    s.pixels = reinterpret_cast<const uint32_t*>(DrelmInternal::Pixels(t));
    s.width = t.Width();
    s.height = t.Height();
    s.stride = t.Width();
    s.opaque = t.Format() == DRELM_FORMAT_X8R8G8B8;
    return s;
}

void BlitTo(const DRELM_Texture& t, const Quelm::Rect& source, const Quelm::Rect& target,
            const DRELM_RGBA& colour) {
    if (!t.IsCreated()) return;
    const drelm::Canvas c = CurrentCanvas();
    if (c.pixels == nullptr) return;
    drelm::Blit(c, CurrentPaint(), SourceOf(t), source, ToTarget(target), colour.Packed());
}

}  // namespace

void DRELM_Texture::Blit(int x, int y, const DRELM_RGBA& colour) const {
    BlitTo(*this, Quelm::Rect(0, 0, width, height), Quelm::Rect(x, y, width, height), colour);
}

void DRELM_Texture::Blit(int x, int y, int w, int h, const DRELM_RGBA& colour) const {
    BlitTo(*this, Quelm::Rect(0, 0, width, height), Quelm::Rect(x, y, w, h), colour);
}

void DRELM_Texture::BlitPart(const Quelm::Rect& sourceRect, int x, int y,
                             const DRELM_RGBA& colour) const {
    BlitTo(*this, sourceRect, Quelm::Rect(x, y, sourceRect.width, sourceRect.height), colour);
}

void DRELM_Texture::BlitPart(const Quelm::Rect& sourceRect, const Quelm::Rect& targetRect,
                             const DRELM_RGBA& colour) const {
    BlitTo(*this, sourceRect, targetRect, colour);
}

void DRELM_Texture::BlitPartTiled(const Quelm::Rect& sourceRect, const Quelm::Rect& targetRect,
                                  DRELM_TILE_MODE mode, const DRELM_RGBA& colour) const {
    if (!IsCreated() || sourceRect.IsEmpty() || targetRect.IsEmpty()) return;
    const drelm::Canvas c = CurrentCanvas();
    if (c.pixels == nullptr) return;
    drelm::Paint paint = CurrentPaint();
    const Quelm::Rect target = ToTarget(targetRect);
    paint.clip = paint.clip.Intersect(target);
    if (paint.clip.IsEmpty()) return;
    const bool tileX = (mode & DRELM_TILE_HORIZONTAL) != 0;
    const bool tileY = (mode & DRELM_TILE_VERTICAL) != 0;
    const int stepX = tileX ? sourceRect.width : target.width;
    const int stepY = tileY ? sourceRect.height : target.height;
    // Only the tiles that meet the clip rectangle are drawn.
    const int firstX = tileX ? (paint.clip.x - target.x) / stepX : 0;
    const int firstY = tileY ? (paint.clip.y - target.y) / stepY : 0;
    const drelm::Source source = SourceOf(*this);
    for (int ty = target.y + firstY * stepY; ty < paint.clip.Bottom(); ty += stepY) {
        for (int tx = target.x + firstX * stepX; tx < paint.clip.Right(); tx += stepX) {
            drelm::Blit(c, paint, source, sourceRect, Quelm::Rect(tx, ty, stepX, stepY),
                        colour.Packed());
        }
    }
}
