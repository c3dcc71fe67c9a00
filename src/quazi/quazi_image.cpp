#include "quazi/quazi_image.h"

namespace marl {

namespace {

constexpr double BaseSpacing = 50.0;
constexpr uint32_t LinesPerFamily = 21;

}  // namespace

void placeTiles(QuaziTiling* tiling, const QuaziSettings& settings,
                int attractorSide, unsigned threads) {
  tiling->setShift(static_cast<double>(settings.qx),
                   static_cast<double>(settings.qy));
  tiling->setViewScale(settings.qscale);
  tiling->setSeparation(settings.qsep);
  // 2 * side - 2 in integer arithmetic; 64 bits so no side can overflow it.
  const int64_t factor = 2 * static_cast<int64_t>(attractorSide) - 2;
  tiling->scaleAndTranslateTiles(static_cast<double>(factor), threads);
}

std::optional<QuaziTiling> placedTiling(const QuaziSettings& settings,
                                        const std::vector<double>& spacingUnits,
                                        int attractorSide, unsigned threads,
                                        std::string& error) {
  if (settings.qline < 5 || settings.qline > 42 ||
      spacingUnits.size() != std::size_t(settings.qline)) {
    error = "qline " + std::to_string(settings.qline) +
            " is not a family count; give qline=N with N from 5 to 42";
    return std::nullopt;
  }
  if (settings.qsize <= 0) {
    error = "qsize " + std::to_string(settings.qsize) +
            " is not a picture side; give qsize=N with N of at least 1";
    return std::nullopt;
  }
  std::optional<QuaziTiling> tiling(
      std::in_place, BaseSpacing, spacingUnits, LinesPerFamily);
  // Only the tiles that can show on the picture are worked out: at 42
  // families and the smallest view scale, fewer than 1 in 400.
  TileWindow window;
  window.scale = settings.qscale * static_cast<double>(
                                       2 * static_cast<int64_t>(attractorSide) - 2);
  window.shiftX = static_cast<double>(settings.qx);
  window.shiftY = static_cast<double>(settings.qy);
  window.separation = settings.qsep;
  window.width = window.height = static_cast<double>(settings.qsize);
  tiling->buildTiles(threads, &window);
  placeTiles(&*tiling, settings, attractorSide, threads);
  return tiling;
}

}  // namespace marl
