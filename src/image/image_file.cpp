#include "image/image_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "base/escaped_text.h"
#include "image/bitmap_rows.h"
#include "files/temporary_file.h"

namespace marl {

namespace {

bool fail(std::ostream& err, const std::string& fileName, const char* reason) {
  reportWriteFailure(err, fileName, reason);
  return false;
}

// The temporary file as an encoder's sink; keeps the errno of the first
// failed write, which is then the reason reported.
class FileSink : public ByteSink {
 public:
  explicit FileSink(TemporaryFile& file) : file_(file) {}
  bool writeAt(std::uint64_t offset, const unsigned char* bytes,
               std::size_t size) override {
    if (file_.writeAt(offset, bytes, size)) {
      size_ = std::max(size_, offset + size);
      return true;
    }
    if (error_ == 0) error_ = errno;
    return false;
  }
  std::uint64_t size() const override { return size_; }
  int error() const { return error_; }

 private:
  TemporaryFile& file_;
  std::uint64_t size_ = 0;
  int error_ = 0;
};

// Runs the encoder; anything it throws is a failed picture, never the end
// of the run.
bool encodeSafely(EncodeFunction encode, RowSource& rows,
                  const EncodeOptions& options, FileSink& sink,
                  std::string& reason) {
  try {
    if (encode(rows, options, sink, reason) && sink.error() == 0) return true;
    if (sink.error() != 0) reason = std::strerror(sink.error());
    if (reason.empty()) reason = "encoding failed";
  } catch (const std::bad_alloc&) {
    reason = OutOfMemoryWhileEncoding;
  } catch (const std::exception& e) {
    reason = e.what();
  } catch (...) {
    reason = "the encoder failed";
  }
  return false;
}

// Moves the finished temporary file to `fileName` or, when that is taken,
// the first free numbered name. False with errno set when none could be
// taken; `name` is the last one tried.
bool moveToFreeName(TemporaryFile& file, const std::string& fileName,
                    std::string& name) {
  name = fileName;
  for (int number = 2;; ++number) {
    if (file.moveToNewName(name)) return true;
    if (errno != EEXIST || number > LastNameNumber) return false;
    name = numberedName(fileName, number);
  }
}

bool writeEncoded(RowSource& rows, const ImageFormat& format,
                  const EncodeOptions& options, const std::string& fileName,
                  std::ostream& err, std::string* writtenName) {
  TemporaryFile file;
  if (!file.create(fileName)) return fail(err, fileName, std::strerror(errno));
  FileSink sink(file);
  std::string reason;
  if (!encodeSafely(format.encode, rows, options, sink, reason))
    return fail(err, fileName, reason.c_str());
  // The data reaches the disk before the name does, and the name before
  // the picture is reported written.
  if (!file.sync() || !file.close())
    return fail(err, fileName, std::strerror(errno));
  return placeFinishedFile(file, fileName, err, writtenName);
}

}  // namespace

void reportWriteFailure(std::ostream& err, const std::string& fileName,
                        const std::string& reason) {
  err << "marl: error: cannot write '" << Escaped{fileName} << "': " << reason
      << std::endl;
}

bool placeFinishedFile(TemporaryFile& file, const std::string& fileName,
                       std::ostream& err, std::string* writtenName) {
  std::string name;
  if (!moveToFreeName(file, fileName, name)) {
    const int error = errno;
    if (name == fileName) return fail(err, fileName, std::strerror(error));
    err << "marl: error: cannot write '" << Escaped{fileName} << "': ";
    if (error == EEXIST) {
      err << "it and every numbered name up to '" << Escaped{name}
          << "' exist; give another basename" << std::endl;
    } else {
      err << "it exists, and '" << Escaped{name}
          << "' cannot be written: " << std::strerror(error) << std::endl;
    }
    return false;
  }
  if (name != fileName) {
    err << "marl: warning: '" << Escaped{fileName} << "' exists; wrote '"
        << Escaped{name} << "' instead" << std::endl;
  }
  const bool synced = file.syncFolder();
  if (!synced) {
    err << "marl: error: wrote '" << Escaped{name}
        << "', but its folder cannot be synced, so a power cut may lose it: "
        << std::strerror(errno) << std::endl;
  }
  // Without allocating: the file has its name, so nothing may throw now.
  if (writtenName) writtenName->swap(name);
  return synced;
}

std::string numberedName(const std::string& fileName, int number) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot <= start) dot = fileName.size();
  return fileName.substr(0, dot) + "-" + std::to_string(number) +
         fileName.substr(dot);
}

bool writeImageFile(RowSource& rows, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const EncodeOptions& options, std::string* writtenName) {
  try {
    return writeEncoded(rows, format, options, fileName, err, writtenName);
  } catch (const std::bad_alloc&) {
    // The temporary file, if any, has been removed on the way out.
    return fail(err, fileName, "out of memory");
  }
}

bool writeImageFile(const Bitmap& bitmap, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const std::string& embeddedText,
                    std::string* writtenName) {
  if (!bitmap.ok()) return fail(err, fileName, "the picture could not be made");
  BitmapRows rows(bitmap, format.alpha);
  EncodeOptions options;
  options.text = embeddedText;
  return writeImageFile(rows, format, fileName, err, options, writtenName);
}

}  // namespace marl
