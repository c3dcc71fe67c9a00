#ifndef MARL_IMAGE_IMAGE_FILE_H_
#define MARL_IMAGE_IMAGE_FILE_H_

#include <ostream>
#include <string>

#include "image/bitmap.h"
#include "image/image_format.h"
#include "base/picture_rows.h"
#include "files/temporary_file.h"

namespace marl {

// Writes the picture `rows` makes under `fileName` in `format`, with
// `options.text` stored where the format has a place for text (BMP has none
// and drops it). The picture is encoded straight into a temporary file in
// the same folder, band by band; once complete it is synced to the disk and
// renamed into place, and the folder is synced after the rename: no
// truncated file is ever left under the final name, not even by a power
// cut, and a picture reported written is on the disk. Nothing is ever
// replaced: when `fileName` exists (an old file, an earlier picture,
// another process's), the first free name of NAME-2.EXT, NAME-3.EXT, ... is
// taken at the rename itself, and
// "marl: warning: 'NAME.EXT' exists; wrote 'NAME-2.EXT' instead" goes to
// `err`. The name written is stored in `*writtenName` when that is given.
// On failure (the encoder's exceptions, std::bad_alloc included, are failures
// too) prints "marl: error: cannot write 'NAME': REASON" on `err`, leaves no
// file, and returns false. A folder that cannot be synced after the rename
// is an error too, but the file stays.
bool writeImageFile(RowSource& rows, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const EncodeOptions& options,
                    std::string* writtenName = nullptr);

// The same for a whole bitmap, which keeps alpha where the format has it and
// some pixel is not opaque; `bitmap` must be ok() or nothing is written.
bool writeImageFile(const Bitmap& bitmap, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const std::string& embeddedText = std::string(),
                    std::string* writtenName = nullptr);

// Gives `file`, a finished and closed temporary file written for
// `fileName`, that name or the first free numbered one, with the same
// warning and errors as writeImageFile. On failure the file stays
// temporary (and goes with the object).
bool placeFinishedFile(TemporaryFile& file, const std::string& fileName,
                       std::ostream& err, std::string* writtenName = nullptr);

// Prints "marl: error: cannot write 'NAME': REASON" on `err`.
void reportWriteFailure(std::ostream& err, const std::string& fileName,
                        const std::string& reason);

// Numbered names go from NAME-2.EXT up to this; past it writing fails.
constexpr int LastNameNumber = 1000;

// `fileName` with "-N" put before its extension (the last dot of the last
// path part, unless that part starts with it): "a/b.c.jpg" gives
// "a/b.c-2.jpg" for 2, and "a.d/name" gives "a.d/name-2".
std::string numberedName(const std::string& fileName, int number);

}  // namespace marl

#endif  // MARL_IMAGE_IMAGE_FILE_H_
