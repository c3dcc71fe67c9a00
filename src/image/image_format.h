#ifndef MARL_IMAGE_IMAGE_FORMAT_H_
#define MARL_IMAGE_IMAGE_FORMAT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "image/image_encoders.h"

namespace marl {

// One picture file format: what selects it, what its files are called,
// what it can hold and what writes them.
struct ImageFormat {
  const char* name;          // the plain word for it, as a recipe writes it
  const char* spellings[3];  // any of these inside an image= value selects it
  const char* extension;     // of its file names, without the dot
  EncodeFunction encode;
  const char* title;  // as messages name it: "JPEG"
  int maxDepth;       // 8, or 16 where 16 bits a sample can be written
  bool alpha;         // can hold transparency
  bool quality;       // lossy: quality= applies
  int maxSide;        // pixels a side at most
  // For a format whose header records the file's size, the bytes of a
  // width x height file, which may not pass `maxFileBytes`; null for others.
  uint64_t (*fileBytes)(uint64_t width, uint64_t height) = nullptr;
  uint64_t maxFileBytes = 0;
};

// Every format, in the order an image= value is searched: the last row with
// a spelling in the value wins, and JPEG (the first row, which no spelling
// selects) is what a value without any gives.
const std::vector<ImageFormat>& imageFormats();

// The format an image= value selects, as above.
const ImageFormat& formatForWord(const std::string& word);

// The format whose plain name is `name`; nullptr when there is none.
const ImageFormat* findFormat(const std::string& name);

}  // namespace marl

#endif  // MARL_IMAGE_IMAGE_FORMAT_H_
