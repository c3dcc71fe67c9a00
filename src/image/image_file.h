#ifndef MARL_IMAGE_IMAGE_FILE_H_
#define MARL_IMAGE_IMAGE_FILE_H_

#include <ostream>
#include <string>

#include "base/picture_rows.h"
#include "files/durable_file.h"
#include "image/image_format.h"

namespace marl {

// Writes the picture `rows` makes under `fileName` in `format`, with
// `options.text` stored where the format has a place for text (BMP has none
// and drops it). The picture is encoded straight into a DurableFile
// (files/durable_file.h), band by band, which gives it its name: no
// truncated file is ever left under it, nothing is ever replaced (a taken
// name gives the first free NAME-2.EXT, ... with a warning on `err`), and
// a picture reported written is on the disk. The name written is stored in
// `*writtenName` when that is given. On failure (the encoder's exceptions,
// std::bad_alloc included, are failures too) prints
// "marl: error: cannot write 'NAME': REASON" on `err`, leaves no file, and
// returns false. `judge`, when given, says what a file found under the
// name is (see DurableFile): a twin is left in place, a broken one
// replaced.
bool writeImageFile(RowSource& rows, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const EncodeOptions& options,
                    std::string* writtenName = nullptr,
                    const FoundFileJudge& judge = {});

}  // namespace marl

#endif  // MARL_IMAGE_IMAGE_FILE_H_
