// What readers and the writer of counts files share: the state's tag and
// the strip height.
#include <tiffio.h>

#include <mutex>

#include "image/counts_tiff.h"

namespace marl {

namespace {

TIFFExtendProc previousExtender = nullptr;

const TIFFFieldInfo StateField[] = {
    {CountsStateTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0,
     const_cast<char*>("MarlCountsState")}};

void addStateField(TIFF* tif) {
  TIFFMergeFieldInfo(tif, StateField, 1);
  if (previousExtender) previousExtender(tif);
}

}  // namespace

void registerCountsStateTag() {
  static std::once_flag once;
  std::call_once(once,
                 [] { previousExtender = TIFFSetTagExtender(addStateField); });
}

uint32_t countsStripRows(uint32_t side) {
  const uint32_t rows = (uint32_t(1) << 18) / (side == 0 ? 1 : side);
  return rows == 0 ? 1 : rows;
}

}  // namespace marl
