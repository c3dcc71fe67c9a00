#include "image/image_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "files/durable_file.h"

namespace marl {

namespace {

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

bool writeEncoded(RowSource& rows, const ImageFormat& format,
                  const EncodeOptions& options, const std::string& fileName,
                  std::ostream& err, std::string* writtenName,
                  const FoundFileJudge& judge) {
  DurableFile file(err);
  if (!file.create(fileName, judge)) return false;
  FileSink sink(file.temporary());
  std::string reason;
  if (!encodeSafely(format.encode, rows, options, sink, reason))
    return file.fail(reason);
  return file.finish(writtenName);
}

}  // namespace

bool writeImageFile(RowSource& rows, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const EncodeOptions& options, std::string* writtenName,
                    const FoundFileJudge& judge) {
  try {
    return writeEncoded(rows, format, options, fileName, err, writtenName,
                        judge);
  } catch (const std::bad_alloc&) {
    // The temporary file, if any, has been removed on the way out.
    reportWriteFailure(err, fileName, "out of memory");
    return false;
  }
}

}  // namespace marl
