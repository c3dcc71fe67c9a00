#include "files/durable_file.h"

#include <cerrno>
#include <cstring>

#include "base/escaped_text.h"

namespace marl {

namespace {

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

}  // namespace

void reportWriteFailure(std::ostream& err, const std::string& fileName,
                        const std::string& reason) {
  err << "marl: error: cannot write '" << Escaped{fileName} << "': " << reason
      << std::endl;
}

bool DurableFile::create(const std::string& fileName) {
  fileName_ = fileName;
  return file_.create(fileName) || fail(std::strerror(errno));
}

bool DurableFile::fail(const std::string& reason) {
  reportWriteFailure(err_, fileName_, reason);
  return false;
}

bool DurableFile::finish(std::string* writtenName) {
  // The data reaches the disk before the name does, and the name before
  // the file is reported written.
  if (!file_.sync() || !file_.close()) return fail(std::strerror(errno));
  std::string name;
  if (!moveToFreeName(file_, fileName_, name)) {
    const int error = errno;
    if (name == fileName_) return fail(std::strerror(error));
    err_ << "marl: error: cannot write '" << Escaped{fileName_} << "': ";
    if (error == EEXIST) {
      err_ << "it and every numbered name up to '" << Escaped{name}
           << "' exist; give another basename" << std::endl;
    } else {
      err_ << "it exists, and '" << Escaped{name}
           << "' cannot be written: " << std::strerror(error) << std::endl;
    }
    return false;
  }
  if (name != fileName_) {
    err_ << "marl: warning: '" << Escaped{fileName_} << "' exists; wrote '"
         << Escaped{name} << "' instead" << std::endl;
  }
  const bool synced = file_.syncFolder();
  if (!synced) {
    err_ << "marl: error: wrote '" << Escaped{name}
         << "', but its folder cannot be synced, so a power cut may lose it: "
         << std::strerror(errno) << std::endl;
  }
  // Without allocating: the file has its name, so nothing may throw now.
  if (writtenName) writtenName->swap(name);
  return synced;
}

bool DurableFile::finishReplacing() {
  if (!file_.sync() || !file_.close() || !file_.replace(fileName_))
    return fail(std::strerror(errno));
  if (!file_.syncFolder()) {
    err_ << "marl: error: wrote '" << Escaped{fileName_}
         << "', but its folder cannot be synced, so a power cut may lose it: "
         << std::strerror(errno) << std::endl;
    return false;
  }
  return true;
}

std::string numberedName(const std::string& fileName, int number) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot <= start) dot = fileName.size();
  return fileName.substr(0, dot) + "-" + std::to_string(number) +
         fileName.substr(dot);
}

}  // namespace marl
