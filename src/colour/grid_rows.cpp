#include "colour/grid_rows.h"

namespace marl {

namespace {

// Writes one pixel's samples and returns the place for the next.
template <typename Sample>
Sample* put(Sample* out, uint32_t r, uint32_t g, uint32_t b, bool alpha,
            uint32_t a) {
  *out++ = Sample(r);
  *out++ = Sample(g);
  *out++ = Sample(b);
  if (alpha) *out++ = Sample(a);
  return out;
}

}  // namespace

GridRows::GridRows(const HitGrid& grid, const CountColours& colours,
                   int depth, Background background)
    : GridRows(grid, colours, depth, background,
               TorusView::whole(grid.size())) {}

GridRows::GridRows(const HitGrid& grid, const CountColours& colours,
                   int depth, Background background, const TorusView& view)
    : grid_(grid), colours_(colours), background_(background), view_(view) {
  shape_.width = int(view.width());
  shape_.height = int(view.height());
  shape_.depth = depth == 16 ? 16 : 8;
  shape_.alpha = background.kind == Background::Transparent;
  if (view.column(0) != 0 || view.width() > view.side()) {
    columns_.resize(view.width());
    for (uint32_t x = 0; x < view.width(); ++x) columns_[x] = view.column(x);
    gathered_.resize(view.width());
  }
}

void GridRows::readRows(int first, int count, unsigned char* out) {
  for (int y = first; y < first + count; ++y) {
    const uint32_t* cells = grid_.row(view_.row(uint32_t(y)));
    if (!columns_.empty()) {
      for (std::size_t x = 0; x < columns_.size(); ++x)
        gathered_[x] = cells[columns_[x]];
      cells = gathered_.data();
    }
    colourRow(cells, out);
    out += shape_.rowBytes();
  }
}

void GridRows::colourRow(const uint32_t* cells, unsigned char* out) const {
  const bool alpha = shape_.alpha;
  const bool plain = background_.kind == Background::AsPainted;
  const uint32_t bg = background_.colour;
  const int width = shape_.width;
  // Copies, so that the compiler need not read them again after each store
  // through `out`.
  const CountEntry entry = colours_.entry;
  if (shape_.depth == 8) {
    const uint32_t* table = colours_.colours8.data();
    unsigned char* p = out;
    for (int x = 0; x < width; ++x) {
      if (!plain && cells[x] == 0) {
        p = alpha ? put(p, 0, 0, 0, true, 0)
                  : put(p, bg >> 16 & 0xFF, bg >> 8 & 0xFF, bg & 0xFF, false,
                        0);
        continue;
      }
      const uint32_t c = table[entry.of(cells[x])];
      p = put(p, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF, alpha, 0xFF);
    }
  } else {
    const uint64_t* table = colours_.colours16.data();
    auto* p = reinterpret_cast<uint16_t*>(out);
    for (int x = 0; x < width; ++x) {
      if (!plain && cells[x] == 0) {
        p = alpha ? put(p, 0, 0, 0, true, 0)
                  : put(p, (bg >> 16 & 0xFF) * 257, (bg >> 8 & 0xFF) * 257,
                        (bg & 0xFF) * 257, false, 0);
        continue;
      }
      const uint64_t c = table[entry.of(cells[x])];
      p = put(p, uint32_t(c >> 32 & 0xFFFF), uint32_t(c >> 16 & 0xFFFF),
              uint32_t(c & 0xFFFF), alpha, 0xFFFF);
    }
  }
}

}  // namespace marl
