#ifndef MARL_QUAZI_QUAZI_BAND_ROWS_H_
#define MARL_QUAZI_QUAZI_BAND_ROWS_H_

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "quazi/quazi_bands.h"
#include "base/picture_rows.h"

namespace marl {

// The tiling picture as rows for an encoder, painted band by band while the
// encoder takes them, so that neither the picture nor a Cairo surface of
// its size is ever whole: the way to pictures wider than a surface can be.
// The bands are painted (paintPlacedBands) on a thread of its own, which
// uses `threads` threads, and wait in a short queue for the encoder.
//
// Rows are 8-bit; with `alpha` they carry alpha, un-premultiplied, whether
// or not a pixel is translucent (the picture is never whole to look), else
// a translucent pixel shows over black. Rows are read once, top to bottom.
class QuaziBandRows : public RowSource {
 public:
  // Places the tiling and starts painting; nullptr with the reason in
  // `error` when the settings make no picture.
  static std::unique_ptr<QuaziBandRows> start(
      const Bitmap& attractor, const QuaziSettings& settings,
      const std::vector<double>& spacingUnits, unsigned threads, bool alpha,
      std::string& error, const BandLayout& layout = {});

  // Stops the painting if the encoder gave up early, and waits for it.
  ~QuaziBandRows() override;
  QuaziBandRows(const QuaziBandRows&) = delete;
  QuaziBandRows& operator=(const QuaziBandRows&) = delete;

  const PictureShape& shape() const override { return shape_; }
  // Throws std::bad_alloc when a band found no memory to be painted in.
  void readRows(int first, int count, unsigned char* out) override;

 private:
  struct Band {
    std::vector<uint32_t> pixels;  // premultiplied 0xAARRGGBB, width a row
    int rows = 0;
  };

  QuaziBandRows(QuaziTiling tiling, const Bitmap& attractor, int side,
                bool alpha);
  // On the painting thread: queues a copy of `band`, waiting while the
  // queue is full; false once the reader has gone.
  bool put(const PixelBand& band);
  void paint(unsigned threads, const BandLayout& layout);

  const QuaziTiling tiling_;
  const Bitmap& attractor_;
  PictureShape shape_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Band> queue_;
  std::size_t queueLimit_ = 2;
  bool painted_ = false;   // no band will come any more
  bool failed_ = false;    // ... and some never came
  bool closing_ = false;   // the reader is gone
  int rowInFront_ = 0;     // rows of the front band already read
  std::thread painter_;
};

}  // namespace marl

#endif  // MARL_QUAZI_QUAZI_BAND_ROWS_H_
