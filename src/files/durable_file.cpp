#include "files/durable_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "base/escaped_text.h"

namespace marl {

void reportWriteFailure(std::ostream& err, const std::string& fileName,
                        const std::string& reason) {
  err << "marl: error: cannot write '" << Escaped{fileName} << "': " << reason
      << std::endl;
}

bool DurableFile::create(const std::string& fileName, FoundFileJudge judge) {
  fileName_ = fileName;
  judge_ = std::move(judge);
  return file_.create(fileName) || fail(std::strerror(errno));
}

bool DurableFile::fail(const std::string& reason) {
  reportWriteFailure(err_, fileName_, reason);
  return false;
}

bool DurableFile::place(std::string& name) {
  // Each name taken is judged in turn, the numbered ones too: a run made
  // twice beside a foreign file finds its own NAME-2 there.
  for (int number = 1; number <= LastNameNumber; ++number) {
    name = number == 1 ? fileName_ : numberedName(fileName_, number);
    if (file_.moveToNewName(name)) return true;
    if (errno != EEXIST) return false;
    const FoundFile found = judge_ ? judge_(name, file_.name()) : FoundFile{};
    if (found.kind == FoundFile::Kind::Twin) {
      // Another run (a twin given the same range, a batch run twice) made
      // this very file: a second copy under a new name would only double
      // it.
      droppedAsTwin_ = true;
      err_ << "marl: note: '" << Escaped{name}
           << "' holds this very picture already (another run made it); "
              "dropped this copy"
           << std::endl;
      return true;
    }
    if (found.kind == FoundFile::Kind::Broken) {
      // The one case where a file is replaced: it holds this recipe but
      // does not decode to its end (a cut or damaged copy), and what
      // replaces it is the same file whole.
      if (!file_.replace(name)) return false;
      err_ << "marl: warning: '" << Escaped{name} << "' was broken ("
           << found.reason << "); replaced it with the one made now"
           << std::endl;
      return true;
    }
  }
  errno = EEXIST;
  return false;
}

bool DurableFile::finish(std::string* writtenName) {
  // The data reaches the disk before the name does, and the name before
  // the file is reported written.
  if (!file_.sync() || !file_.close()) return fail(std::strerror(errno));
  std::string name;
  if (!place(name)) {
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
  if (droppedAsTwin_) {
    if (writtenName) writtenName->swap(name);
    return true;
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

FoundFile judgeBySameBytes(const std::string& found, const std::string& made) {
  std::ifstream a(found, std::ios::binary), b(made, std::ios::binary);
  FoundFile verdict;
  if (!a || !b) return verdict;
  char x[65536], y[65536];
  for (;;) {
    a.read(x, sizeof x);
    b.read(y, sizeof y);
    if (a.gcount() != b.gcount() ||
        std::memcmp(x, y, std::size_t(a.gcount())) != 0)
      return verdict;
    if (a.gcount() < std::streamsize(sizeof x)) break;
  }
  if (a.eof() && b.eof()) verdict.kind = FoundFile::Kind::Twin;
  return verdict;
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
