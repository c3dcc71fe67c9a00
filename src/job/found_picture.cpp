#include "job/found_picture.h"

#include <exception>

#include "job/recipe.h"
#include "readers/embedded_text.h"
#include "readers/whole_picture.h"

namespace marl {

FoundFile judgeFoundFile(const std::string& path, const std::string& recipe) {
  FoundFile found;
  const EmbeddedTextResult text = readEmbeddedText(path);
  if (text.status != EmbeddedTextResult::Found) return found;
  const FoundRecipe held = findRecipe(text.texts);
  if (held.status != FoundRecipe::Status::Whole || held.text != recipe)
    return found;
  if (!decodesWhole(path, found.reason)) {
    found.kind = FoundFile::Kind::Broken;
    return found;
  }
  found.kind = FoundFile::Kind::Twin;
  return found;
}

FoundFileJudge twinJudge(const std::string& recipe) {
  return [recipe](const std::string& path, const std::string&) {
    try {
      return judgeFoundFile(path, recipe);
    } catch (const std::exception&) {
      // Out of memory reading it: taken for foreign, so nothing is lost.
      return FoundFile{};
    }
  };
}

}  // namespace marl
