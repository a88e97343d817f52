// The integer midpoint ellipse walker shared by arcs, pies and rounded
// rectangles, and the quadrant geometry around it.
//
// The walker steps the four quadrants at once, by a relative position (px, py)
// that starts at (a, 0) on the horizontal axis and ends on the vertical axis
// (px = 0). Each quadrant has its own centre, so that even sizes and the
// straight parts of rounded rectangles fit:
//
//        leftCentre      rightCentre
//   topCentre    +--------+        top-left (4)      top-right (8)
//                |        |          (lc - px, tc - py)  (rc + px, tc - py)
//   bottomCentre +--------+        bottom-left (2)   bottom-right (1)
//                                    (lc - px, bc + py)  (rc + px, bc + py)
//
// Invariant: radii are at most kGfxMaxRadius (2^19 - 1), so every walker term
// stays below 2^62 and a walk takes at most about a + b + 1 steps.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/kjava_gfx_target.h"

enum QuadrantBit : uint32_t {
  kQuadBottomRight = 1,
  kQuadBottomLeft = 2,
  kQuadTopLeft = 4,
  kQuadTopRight = 8,
  kQuadAll = 15,
};

struct EllipseBox {
  int64_t a;
  int64_t b;
  int64_t leftCentre;
  int64_t rightCentre;
  int64_t topCentre;
  int64_t bottomCentre;
};

// Radii a, b in the box whose columns run x0..x1 and rows y0..y1.
EllipseBox gfx_ellipseBox(int64_t a, int64_t b, int64_t x0, int64_t x1, int64_t y0, int64_t y1);

// The quadrants that can show a pixel inside the target's clip.
uint32_t gfx_visibleQuadrants(const GfxTarget& target, const EllipseBox& box);

// Writes the four points of walker position (px, py) whose quadrant bit is in
// `quadrants` and which lie in the clip.
void gfx_plotQuadrants(const GfxTarget& target, const EllipseBox& box, uint32_t quadrants,
                       int64_t px, int64_t py, uint16_t pixel);

class EllipseWalker {
 public:
  // Region 3 (px = 0) runs while py <= b, or, for the corners of a rounded
  // rectangle, once (unless py is already past b) and then while py < b.
  enum class Tail { UpToRadius, RoundRectCorner };

  EllipseWalker(int64_t a, int64_t b, Tail tail);

  bool more() const { return region_ != 4; }
  int64_t px() const { return px_; }
  int64_t py() const { return py_; }
  // Leaves the current position for the next one; true when py grew.
  bool step();

 private:
  void settle();

  int64_t b_;
  Tail tail_;
  int64_t px_;
  int64_t py_ = 0;
  int64_t a2_;
  int64_t b2_;
  int64_t d_;
  int64_t p1_;
  int64_t p2_;
  int64_t t_ = 0;
  int region_ = 1;
  bool tailStarted_ = false;
};

// Calls row(py, xl, xr) once for each py = 0..b, in that order, with the
// walker's left and right columns at the first step that reaches py.
template <class RowFn>
void gfx_walkRows(const EllipseBox& box, RowFn&& row) {
  EllipseWalker walker(box.a, box.b, EllipseWalker::Tail::UpToRadius);
  int64_t reached = -1;
  for (; walker.more(); walker.step()) {
    if (walker.py() > reached) {
      reached = walker.py();
      row(reached, box.leftCentre - walker.px(), box.rightCentre + walker.px());
    }
  }
}

// Fills every row of a whole pie: rows bottomCentre + py and topCentre - py
// between the walker's columns, limited to the clip (colour row prepared).
void gfx_fillEllipseRows(const GfxTarget& target, const EllipseBox& box);
