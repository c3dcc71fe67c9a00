#include "explore/page_recipe.h"

#include <sstream>

#include "base/escaped_text.h"
#include "driver/argument_map.h"
#include "driver/option_reader.h"
#include "job/picture_limits.h"
#include "options/option_table.h"

namespace marl {

namespace {

// Keys a page may not send: they name files, or ask the program for
// something other than pictures, or are the server's own business.
bool refusedKey(const OptionSpec& spec) {
  if (spec.kind == OptionKind::Word || spec.kind == OptionKind::Path ||
      spec.kind == OptionKind::Pictures || spec.kind == OptionKind::Check)
    return true;
  const std::string key = spec.key;
  return key == key::Count || key == key::Threads || key == key::Port ||
         key == key::Host || key == key::Open;
}

std::string refusedBasename(const std::string& name) {
  if (name.empty()) return "is empty";
  if (name.find('/') != std::string::npos) return "names a folder";
  if (name[0] == '.') return "starts with a dot";
  return {};
}

// The first diagnostic line, without its "marl: KIND: " prefix.
std::string firstProblem(const std::string& diagnostics) {
  std::string line = diagnostics.substr(0, diagnostics.find('\n'));
  for (const char* prefix : {"marl: warning: ", "marl: error: "}) {
    const std::string p = prefix;
    if (line.compare(0, p.size(), p) == 0) return line.substr(p.size());
  }
  return line;
}

bool needsQuotes(const std::string& word) {
  for (char c : word) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') ||
                       std::string("=.,_-+:/%@").find(c) != std::string::npos;
    if (!plain) return true;
  }
  return word.empty();
}

}  // namespace

PageSettings readPageRecipe(const PageRecipe& given) {
  PageSettings result;
  PageRecipe recipe = given;
  // A recipe holds the two colours a palette's ends gave; the page keeps
  // them for when the palette is taken away again, but with a palette or
  // stops they say nothing and the command line would warn about them.
  if (recipe.count(key::Palette) || recipe.count(key::Colors))
    for (const char* channel : key::Channels) recipe.erase(channel);
  for (const auto& [key, value] : recipe) {
    const OptionSpec* spec = findOption(key);
    if (!spec) {
      result.refusal = "'" + escapedText(key) + "' is no option of marl";
      return result;
    }
    if (refusedKey(*spec)) {
      result.refusal = key + " is not taken from the page";
      return result;
    }
    if (key == key::Basename && !refusedBasename(value).empty()) {
      result.refusal = key + "=" + escapedText(value) + " " +
                       refusedBasename(value) +
                       "; pictures go to the folder marl explore runs in";
      return result;
    }
  }
  for (const OptionSpec& spec : optionTable()) {
    const auto found = recipe.find(spec.key);
    if (found != recipe.end())
      result.words.push_back(found->first + "=" + found->second);
  }
  std::vector<const char*> argv = {"marl"};
  for (const std::string& word : result.words) argv.push_back(word.c_str());
  std::ostringstream diagnostics;
  const ArgumentMap map(int(argv.size()), argv.data(), diagnostics);
  OptionReader read(map, diagnostics);
  std::optional<RunSettings> run = readRunSettings(read);
  if (run && diagnostics.str().empty()) {
    run->job.threads = 1;
    std::string why = pictureSideProblem(run->job);
    if (why.empty()) why = memoryProblem(run->job, 1, usableMemory());
    if (!why.empty()) diagnostics << why;
  }
  if (!diagnostics.str().empty()) {
    result.refusal = firstProblem(diagnostics.str());
    return result;
  }
  if (!run) {
    result.refusal = "the recipe makes no picture";
    return result;
  }
  result.run = std::move(run);
  return result;
}

std::string commandLineOf(const std::vector<std::string>& words) {
  std::string line = "marl";
  for (const std::string& word : words) {
    line += ' ';
    if (!needsQuotes(word)) {
      line += word;
      continue;
    }
    line += '\'';
    for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}

PageRecipe pageRecipeOf(const std::string& recipeText) {
  PageRecipe recipe;
  std::istringstream lines(recipeText);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '\\') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    if (key == key::Check) continue;
    recipe[key] = line.substr(equals + 1);
  }
  return recipe;
}

}  // namespace marl
