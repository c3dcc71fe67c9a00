#include "job/catalogue_line.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "job/recipe.h"

namespace marl {

namespace {

std::string hexColour(uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "%06x", unsigned(rgb & 0xFFFFFFu));
  return text;
}

// The recipe's own check, the value of its last line.
std::string recipeCheck(const std::string& recipe) {
  const std::string mark = "\ncheck=";
  const std::size_t at = recipe.rfind(mark);
  if (at == std::string::npos) return "";
  const std::size_t from = at + mark.size();
  return recipe.substr(from, recipe.find('\n', from) - from);
}

nlohmann::ordered_json colours(const PicturePlan& plan) {
  nlohmann::ordered_json c;
  c["start"] = hexColour(plan.startColour);
  c["finish"] = hexColour(plan.finishColour);
  nlohmann::ordered_json stops = nlohmann::ordered_json::array();
  for (uint32_t stop : plan.options.colour.stops) stops.push_back(hexColour(stop));
  c["stops"] = stops;
  c["palette"] = plan.palette ? nlohmann::ordered_json(plan.palette->name)
                              : nlohmann::ordered_json(nullptr);
  return c;
}

}  // namespace

std::string catalogueLine(const PicturePlan& plan,
                          const CatalogueEntry& entry) {
  const PictureOptions& o = plan.options;
  const TorusView view = pictureView(o);
  nlohmann::ordered_json line;
  line["files"] = entry.files;
  line["kind"] = entry.videos ? "videos" : plan.frame ? "frame" : "still";
  if (plan.frame && !entry.videos) line["frame"] = plan.frame->index;
  line["picture"] = entry.picture;
  line["number"] = plan.imageNumber;
  line["seed"] = o.seed ? nlohmann::ordered_json(*o.seed) : nlohmann::ordered_json(nullptr);
  // A frame's map is not the one its animation's fill check judged.
  const std::optional<double> fill = plan.frame ? std::nullopt : plan.fill;
  line["fill"] = fill ? nlohmann::ordered_json(*fill)
                      : nlohmann::ordered_json(nullptr);
  line["cover"] = entry.cover ? nlohmann::ordered_json(*entry.cover)
                              : nlohmann::ordered_json(nullptr);
  line["size"] = o.side;
  line["width"] = view.width();
  line["height"] = view.height();
  line["mode"] = o.mode == JobSettings::Mode::Fast ? "fast" : "exact";
  line["it"] = o.iterationMaximum;
  line["detail"] = plan.map.detail;
  line["attempt"] = plan.attempt;
  line["tiling"] = plan.tiling.has_value();
  line["colours"] = colours(plan);
  // Videos hold the animation's recipe, without a frame's index.
  line["check"] = recipeCheck(entry.videos && plan.frame
                                  ? withCheckLine(plan.frame->recipeLines)
                                  : plan.recipe);
  return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
         "\n";
}

}  // namespace marl
