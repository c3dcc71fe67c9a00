#include "driver/console_lines.h"

#include "base/escaped_text.h"

namespace marl {

namespace {

void colourLine(std::ostream& out, const char* label, uint32_t colour) {
  out << label << "Red " << ((colour >> 16) & 0xFF) << " Green "
      << ((colour >> 8) & 0xFF) << " Blue " << (colour & 0xFF) << std::endl;
}

}  // namespace

ConsoleLines::ConsoleLines(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), run_(out) {}

void ConsoleLines::colours(uint32_t start, uint32_t finish) {
  colourLine(out_, "Start color = ", start);
  colourLine(out_, "Final color = ", finish);
}

void ConsoleLines::output(const std::string& basename,
                          const std::string& imageWord, int32_t detail) {
  out_ << "base file name is " << EscapedIfNeeded{basename} << std::endl;
  out_ << "Image will be " << EscapedIfNeeded{imageWord} << " type"
       << std::endl;
  out_ << "Detail level = " << detail << std::endl;
}

void ConsoleLines::pictureSize(uint32_t width, uint32_t height) {
  out_ << "The image will be " << width << " x " << height << " pixels"
       << std::endl;
}

void ConsoleLines::tilingToo() {
  out_ << "A quazi-crystal image tiling will also be created" << std::endl;
}

void ConsoleLines::picture(const std::string& fileName, int64_t iterations) {
  out_ << EscapedIfNeeded{fileName} << std::endl;
  out_ << "Will run to " << iterations << std::endl;
}

void ConsoleLines::frameWritten(int32_t index, int32_t frames,
                                const std::string& fileName) {
  out_ << "frame " << index << " of " << frames << ": " << fileName
       << std::endl;
}

void ConsoleLines::videoWritten(int64_t frames, const std::string& fileName) {
  out_ << "video of " << frames << " frames: " << fileName << std::endl;
}

}  // namespace marl
