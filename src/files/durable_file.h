#ifndef MARL_FILES_DURABLE_FILE_H_
#define MARL_FILES_DURABLE_FILE_H_

#include <functional>
#include <ostream>
#include <string>

#include "files/temporary_file.h"

namespace marl {

// What the file found under the final name is to the one being finished.
struct FoundFile {
  enum class Kind {
    Foreign,  // anything else: the numbered name is taken
    Twin,     // holds what this one holds, whole: this copy is dropped
    Broken,   // holds what this one holds, but does not decode to its end
  };
  Kind kind = Kind::Foreign;
  std::string reason;  // Broken: why, as words to follow the file's name
};
// Tells what the file found at `found` is to the one made, which can be
// read at `made`; it must not throw.
using FoundFileJudge =
    std::function<FoundFile(const std::string& found, const std::string& made)>;

// A twin when the two files hold the same bytes; foreign otherwise. For
// files whose recipe does not say all they hold (a video's frame rate).
FoundFile judgeBySameBytes(const std::string& found, const std::string& made);

// The one way this program puts a file under its name, pictures, frames
// and videos alike:
//
//   DurableFile file(std::cerr);
//   if (!file.create("a.png")) ...;            // reported
//   write the bytes to file.temporary() (or open file.temporaryName())
//   if (!file.finish(&written)) ...;           // reported
//
// The bytes grow in a temporary file (files/temporary_file.h): unnamed
// where the file system allows it, else beside the name and listed for
// removal by the signal handlers. finish syncs them to the disk, links or
// renames the file to the name, or, when that is taken (an old file, an
// earlier picture, another process's), to the first free NAME-2.EXT,
// NAME-3.EXT, ... with "marl: warning: 'NAME.EXT' exists; wrote
// 'NAME-2.EXT' instead", never replacing anything, and then syncs the
// folder. A FoundFileJudge given to create can say otherwise of a file
// found under the name, or under a numbered one: a twin (another run made
// this very file) keeps its place and this copy is dropped with a note; a
// broken one is replaced with a warning. No truncated file is ever left
// under the name, not even by a power cut, and a file reported
// written is on the disk. Every failure prints
// "marl: error: cannot write 'NAME': REASON" on `err` and returns false;
// the temporary file then goes with the object. A folder that cannot be
// synced after the rename is an error too, but the file stays.
class DurableFile {
 public:
  explicit DurableFile(std::ostream& err) : err_(err) {}

  // Creates the temporary file for `fileName`; `judge`, when given, is asked
  // about a file found under the name at finish.
  bool create(const std::string& fileName, FoundFileJudge judge = {});
  TemporaryFile& temporary() { return file_; }
  const std::string& temporaryName() const { return file_.name(); }
  const std::string& fileName() const { return fileName_; }
  // Reports `reason` for the file and returns false.
  bool fail(const std::string& reason);
  // Syncs, closes and names the file; the name written goes to
  // `*writtenName` when given.
  bool finish(std::string* writtenName = nullptr);
  // After finish: the name held a twin, and this copy was dropped.
  bool droppedAsTwin() const { return droppedAsTwin_; }

 private:
  // Puts the file under the name or the first free numbered one, or drops
  // or replaces as the judge says; false when none could be taken.
  bool place(std::string& name);

  std::ostream& err_;
  FoundFileJudge judge_;
  bool droppedAsTwin_ = false;
  std::string fileName_;
  TemporaryFile file_;
};

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

#endif  // MARL_FILES_DURABLE_FILE_H_
