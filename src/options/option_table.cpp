#include "options/option_table.h"

#include <cstdlib>
#include <cstring>

#include "options/option_entries.h"

namespace marl {

const std::vector<OptionSpec>& optionTable() {
  static const std::vector<OptionSpec> table = [] {
    std::vector<OptionSpec> all = pictureOptionEntries();
    for (OptionSpec& spec : runOptionEntries()) all.push_back(spec);
    return all;
  }();
  return table;
}

const OptionSpec* findOption(const std::string& key) {
  for (const OptionSpec& spec : optionTable()) {
    if (key == spec.key) return &spec;
  }
  return nullptr;
}

const OptionSpec& option(const char* key) {
  const OptionSpec* spec = findOption(key);
  // Every caller names a key of the table (key::...): a miss is a typo in
  // the program, found by the first run that reaches it.
  if (!spec) std::abort();
  return *spec;
}

bool isWrittenKey(const std::string& key) {
  const OptionSpec* spec = findOption(key);
  return spec && spec->recipe != InRecipe::Never;
}

bool isRecipeOnlyKey(const std::string& key) {
  const OptionSpec* spec = findOption(key);
  return spec && spec->recipe == InRecipe::Only;
}

}  // namespace marl
