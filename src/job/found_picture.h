#ifndef MARL_JOB_FOUND_PICTURE_H_
#define MARL_JOB_FOUND_PICTURE_H_

#include <string>

#include "files/durable_file.h"

namespace marl {

// What the file at `path` is to a picture, frame or video whose recipe is
// `recipe` (recipeOf, or a video's text): a twin when it holds exactly that
// recipe and, with `decode`, decodes to its end (readers/whole_picture.h);
// broken when it holds the recipe but does not decode; foreign otherwise
// (another recipe, none, unreadable). Videos are judged by their recipe
// alone (`decode` false): they get their name only when whole.
FoundFile judgeFoundFile(const std::string& path, const std::string& recipe,
                         bool decode);

// judgeFoundFile as the writer of such a file asks it.
FoundFileJudge twinJudge(const std::string& recipe, bool decode);

}  // namespace marl

#endif  // MARL_JOB_FOUND_PICTURE_H_
