#ifndef MARL_JOB_FOUND_PICTURE_H_
#define MARL_JOB_FOUND_PICTURE_H_

#include <string>

#include "files/durable_file.h"

namespace marl {

// What the file at `path` is to a picture or frame whose recipe is
// `recipe` (recipeOf): a twin when it holds exactly that recipe and
// decodes to its end (readers/whole_picture.h); broken when it holds the
// recipe but does not decode; foreign otherwise (another recipe, none,
// unreadable).
FoundFile judgeFoundFile(const std::string& path, const std::string& recipe);

// judgeFoundFile as the writer of such a picture asks it.
FoundFileJudge twinJudge(const std::string& recipe);

}  // namespace marl

#endif  // MARL_JOB_FOUND_PICTURE_H_
