// libFuzzer target for the option words and the parameter-file reader.
//
// Input: command-line words separated by NUL bytes. After the first pair of
// NUL bytes, the rest is the body of a parameter file, which is both read
// through "file=" and cut into lines directly with small bounds.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/argument_map.h"
#include "driver/option_reader.h"
#include "driver/parameter_lines.h"

namespace {

using marl::ArgumentMap;
using marl::ParameterLines;

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// One parameter file per fuzzing process, rewritten for every input.
const std::string& parameterFile() {
  static const std::string path = [] {
    char name[] = "/tmp/marl-fuzz-XXXXXX";
    const int fd = mkstemp(name);
    check(fd >= 0);
    close(fd);
    std::atexit([] { unlink(parameterFile().c_str()); });
    return std::string(name);
  }();
  return path;
}

void writeParameterFile(std::string_view body) {
  std::FILE* file = std::fopen(parameterFile().c_str(), "wb");
  check(file != nullptr);
  check(std::fwrite(body.data(), 1, body.size(), file) == body.size());
  check(std::fclose(file) == 0);
}

// Diagnostics echo user text: it must come out with no control byte but
// the line breaks between messages.
void checkPrintable(const std::string& text) {
  for (unsigned char c : text) check(c == '\n' || (c >= 0x20 && c != 0x7F));
}

// Small bounds and uneven pieces, against the plain meaning of "lines".
void cutIntoLines(std::string_view body) {
  if (body.empty()) return;
  const std::size_t maxLine = 1 + (unsigned char)body[0] % 64;
  const std::size_t maxTotal = body.size() / 2 + (unsigned char)body[0] % 8;
  std::string joined;
  ParameterLines lines(
      [&](const std::string& line) {
        check(line.size() <= maxLine);
        check(line.find('\n') == std::string::npos);
        joined += line + "\n";
      },
      maxLine, maxTotal);
  std::size_t at = 0;
  for (unsigned piece = body.size(); at < body.size(); piece = piece * 7 + 3) {
    const std::size_t n = std::min<std::size_t>(1 + piece % 97, body.size() - at);
    if (!lines.feed(body.data() + at, n)) break;
    at += n;
  }
  if (at == body.size() && lines.finish()) {
    check(body.size() <= maxTotal);
    const bool endsLine = body.back() == '\n';
    check(joined == (endsLine ? std::string(body) : std::string(body) + "\n"));
  } else {
    check(lines.status() != ParameterLines::Status::Good);
    check(joined.size() <= body.size() + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find(std::string_view("\0\0", 2));
  const std::string_view line = input.substr(0, split);

  std::vector<std::string> words = {"marl"};
  for (std::size_t at = 0; at <= line.size();) {
    std::size_t end = line.find('\0', at);
    if (end == std::string_view::npos) end = line.size();
    std::string word(line.substr(at, end - at));
    // Only the fuzzer's own parameter file is read, never a path it makes up.
    if (word != "file" && word.rfind("file=", 0) != 0) words.push_back(word);
    at = end + 1;
  }
  if (split != std::string_view::npos) {
    const std::string_view body = input.substr(split + 2);
    writeParameterFile(body);
    words.push_back("file=" + parameterFile());
    cutIntoLines(body);
  }

  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  std::ostringstream diagnostics;
  const ArgumentMap map(int(argv.size()), argv.data(), diagnostics);
  checkPrintable(diagnostics.str());
  // The fuzzer's files are far below the bounds; only a body that begins
  // as a picture does, or that holds recipe keys, may be refused: as a
  // damaged picture or a broken recipe.
  check(map.ok() ||
        diagnostics.str().find(" picture ") != std::string::npos ||
        diagnostics.str().find("the recipe ") != std::string::npos);

  // Every value the one reader reads lies within the table's limits, and
  // what it says of the user's text is printable.
  std::ostringstream said;
  marl::OptionReader read(map, said);
  for (const marl::OptionSpec& spec : marl::optionTable()) {
    switch (spec.kind) {
      case marl::OptionKind::Whole:
        if (const auto n = read.integer(spec.key))
          check(*n >= spec.lo && *n <= spec.hi);
        break;
      case marl::OptionKind::Real:
        if (const auto x = read.real(spec.key))
          check(*x >= spec.low && *x <= spec.high);
        break;
      case marl::OptionKind::Channel:
        if (const auto c = read.channel(spec.key)) check(*c <= 255);
        break;
      case marl::OptionKind::OnOff:
        read.onOff(spec.key);
        break;
      default:
        break;
    }
  }
  read.checkUnread();
  checkPrintable(said.str());
  return 0;
}
