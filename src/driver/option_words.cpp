#include "driver/option_words.h"

#include "colour/gradient.h"
#include "colour/palettes.h"
#include "colour/tone_map.h"
#include "image/image_format.h"
#include "video/video_format.h"

namespace marl {

namespace {

template <typename Entry, std::size_t N>
std::string wordsOf(const Entry (&table)[N]) {
  std::string words;
  for (const Entry& e : table)
    words += (words.empty() ? "" : " ") + std::string(e.word);
  return words;
}

}  // namespace

std::string optionWords(const OptionSpec& spec) {
  std::string words;
  const auto add = [&words](const std::string& word) {
    words += (words.empty() ? "" : " ") + word;
  };
  switch (spec.words) {
    case WordSource::Fixed:
      return spec.fixedWords;
    case WordSource::ImageFormats:
      for (const ImageFormat& format : imageFormats()) add(format.name);
      return words;
    case WordSource::VideoFormats:
      for (const VideoFormatInfo& format : videoFormats()) add(format.word);
      return words;
    case WordSource::Palettes:
      add("list");
      add("random");
      for (const Palette& palette : builtInPalettes()) add(palette.name);
      return words;
    case WordSource::BlendWords:
      return wordsOf(BlendWords);
    case WordSource::ToneWords:
      return wordsOf(ToneWords);
    case WordSource::None:
    case WordSource::Files:
      break;
  }
  return words;
}

}  // namespace marl
