#include "driver/argument_map.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include "driver/number_text.h"

namespace marl {

namespace {

// Every key some part of the program reads.
const std::set<std::string>& knownKeys() {
  static const std::set<std::string> keys = {
      "R0",  "G0",    "B0",   "R1",    "G1",    "B1",   "basename",
      "it",  "image", "detail", "size", "quazi", "qline", "qsize",
      "qx",  "qy",    "qscale", "qsep", "count", "help", "-h",
      "file", "version", "--version", "threads"};
  return keys;
}

}  // namespace

ArgumentMap::ArgumentMap(int argc, const char* const* argv,
                         std::ostream& diagnostics)
    : diagnostics_(diagnostics) {
  for (int i = 0; i < argc; ++i)
    addWord(argv[i], i == 0 ? Source::ProgramPath : Source::CommandLine);
  if (const std::string* path = find("file")) readParameterFile(*path);
}

void ArgumentMap::addWord(const std::string& word, Source source) {
  const bool fromArgumentZero = source == Source::ProgramPath;
  const std::size_t equals = word.find('=');
  if (equals != std::string::npos) {
    const std::string key = word.substr(0, equals);
    const bool inserted = values_.emplace(key, word.substr(equals + 1)).second;
    if (inserted && !fromArgumentZero) warnIfUnknown(key);
    pairSeen_ = true;
    return;
  }
  if (word == "-f" && !fromArgumentZero) {
    diagnostics_ << "marl: warning: '-f' names no parameter file; use "
                    "file=PATH instead\n";
    if (!pairSeen_) values_.emplace(word, "");
    return;
  }
  if (pairSeen_) {
    if (source == Source::ParameterFile) {
      diagnostics_ << "marl: warning: ignoring parameter-file line '" << word
                   << "': it has no '='\n";
    } else if (!fromArgumentZero) {
      diagnostics_ << "marl: warning: ignoring '" << word
                   << "': a word without '=' counts only before the first "
                      "key=value word\n";
    }
    return;
  }
  const bool inserted = values_.emplace(word, "").second;
  if (inserted && !fromArgumentZero) warnIfUnknown(word);
}

void ArgumentMap::readParameterFile(const std::string& path) {
  errno = 0;
  std::ifstream file(path);
  if (!file) {
    const char* reason = errno != 0 ? std::strerror(errno) : "cannot open";
    diagnostics_ << "marl: warning: cannot read parameter file '" << path
                 << "': " << reason << "\n";
    return;
  }
  std::string line;
  while (std::getline(file, line)) {
    // Files written on Windows end their lines with a carriage return.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 2) continue;
    if (line[0] == '\\' || line[1] == '\\') continue;  // comment line
    addWord(line, Source::ParameterFile);
  }
}

void ArgumentMap::warnIfUnknown(const std::string& key) {
  if (knownKeys().count(key) != 0) return;
  diagnostics_ << "marl: warning: unknown option '" << key
               << "' is ignored; the usage text lists the options\n";
}

const std::string* ArgumentMap::find(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? nullptr : &it->second;
}

bool ArgumentMap::getInt(const std::string& key, int32_t& out) const {
  const std::string* value = find(key);
  if (!value) return false;
  out = parseInteger(*value);
  return true;
}

namespace {

// The value's conversion, raised to `min` and then lowered to `max`.
template <typename T>
bool lookUpInRange(const ArgumentMap& map, const std::string& key, T& out,
                   T min, T max, T (*convert)(const std::string&)) {
  const std::string* value = map.find(key);
  if (!value) return false;
  T n = convert(*value);
  if (n < min) n = min;
  if (n > max) n = max;
  out = n;
  return true;
}

}  // namespace

bool ArgumentMap::getIntInRange(const std::string& key, int32_t& out,
                                int32_t min, int32_t max) const {
  return lookUpInRange(*this, key, out, min, max, parseInteger);
}

bool ArgumentMap::getDoubleInRange(const std::string& key, double& out,
                                   double min, double max) const {
  return lookUpInRange(*this, key, out, min, max, parseReal);
}

bool ArgumentMap::getBool(const std::string& key, bool& out) const {
  const std::string* value = find(key);
  if (!value) return false;
  out = value->find("true") != std::string::npos ||
        value->find("TRUE") != std::string::npos;
  return true;
}

}  // namespace marl

