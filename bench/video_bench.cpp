// What a loop costs to encode in each video format, against what its
// frames cost to render, in the same run: the numbers the default CRF,
// preset and WebP quality are chosen from.
//
// The frames are real attractor pictures: the default-detail map's
// coefficients go once round a small circle (radius 5 % of their norm) in 60
// steps, each frame 50 hits a pixel at 1080 x 1080 by the fast kernel on 2
// threads, coloured by the equalised gradient; so they have the orbit grain
// of a rendered loop. Rendering them is timed once (render_s); each encode
// reports its time (encode_s), its share of the render time (of_render),
// both as CPU time of all threads, the file's size (MB), the peak memory it added (peak_MB) and,
// for MP4 and WebM, the luma PSNR of the decoded video against the same
// frames converted to yuv420p (psnr_y, dB).
//
// Run: build/release/marl_bench --benchmark_filter=Video

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "accepted_map.h"
#include "attractor/fast_orbits.h"
#include "attractor/hit_grid.h"
#include "base/picture_rows.h"
#include "colour/colour_renderer.h"
#include "colour/grid_rows.h"
#include "video/video_file.h"

namespace marl {
namespace {

constexpr int Side = 1080;
constexpr int Frames = 60;
constexpr uint64_t HitsPerPixel = 50;

// The process's CPU time, all its threads together: the machine is shared,
// so waiting for a core is not counted.
double cpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

// One rendered frame's 8-bit RGB rows, as the job hands them to a video.
class FrameRows : public RowSource {
 public:
  explicit FrameRows(std::vector<unsigned char> rgb) : rgb_(std::move(rgb)) {
    shape_.width = shape_.height = Side;
  }
  const PictureShape& shape() const override { return shape_; }
  bool rereadable() const override { return true; }
  void readRows(int first, int count, unsigned char* out) override {
    std::copy_n(rgb_.data() + shape_.rowBytes() * std::size_t(first),
                shape_.rowBytes() * std::size_t(count), out);
  }
  const std::vector<unsigned char>& rgb() const { return rgb_; }

 private:
  PictureShape shape_;
  std::vector<unsigned char> rgb_;
};

struct Loop {
  std::vector<std::unique_ptr<FrameRows>> frames;
  double renderSeconds = 0;
};

// A random unit direction in the detail x detail coefficient space,
// orthogonal to `other` when that is given.
std::vector<double> direction(std::mt19937& gen, int n,
                              const std::vector<double>* other) {
  std::normal_distribution<double> normal;
  std::vector<double> v(std::size_t(n) * n);
  for (double& c : v) c = normal(gen);
  if (other) {
    double dot = 0;
    for (std::size_t i = 0; i < v.size(); ++i) dot += v[i] * (*other)[i];
    for (std::size_t i = 0; i < v.size(); ++i) v[i] -= dot * (*other)[i];
  }
  double norm = 0;
  for (double c : v) norm += c * c;
  for (double& c : v) c /= std::sqrt(norm);
  return v;
}

const Loop& renderedLoop() {
  static const Loop loop = [] {
    Loop made;
    TorusMap map = acceptedMap(Side);
    const std::vector<std::pair<double, double>> starts = fastOrbitStarts(map);
    HitGrid grid;
    grid.setSize(Side);
    const int n = map.detail;
    std::vector<double> c0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) c0.push_back(map.coefficientMatrix[i][j]);
    double norm = 0;
    for (double c : c0) norm += c * c;
    const double radius = 0.05 * std::sqrt(norm);
    std::mt19937 gen(7);
    const std::vector<double> u = direction(gen, n, nullptr);
    const std::vector<double> v = direction(gen, n, &u);
    ColourRenderer renderer;
    const double start = cpuSeconds();
    for (int f = 0; f < Frames; ++f) {
      const double t = 2 * M_PI * f / Frames;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          const std::size_t k = std::size_t(i) * n + j;
          map.coefficientMatrix[i][j] =
              c0[k] + radius * (std::cos(t) * u[k] + std::sin(t) * v[k]);
        }
      grid.clearHits();
      runFastOrbits(map, starts, HitsPerPixel * Side * Side, grid, 2);
      renderer.buildPalette(grid, 0xFF102040u, 0xFFF0C020u);
      const CountColours colours = renderer.countColours(grid, 8);
      GridRows rows(grid, colours, 8, Background());
      made.frames.push_back(
          std::make_unique<FrameRows>(readWholePicture(rows)));
    }
    made.renderSeconds = cpuSeconds() - start;
    return made;
  }();
  return loop;
}

// Peak resident memory since the last reset, and the reset itself
// (Linux: writing 5 to clear_refs restarts the high-water mark).
long statusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}
// Freed memory is handed back first, so that what an encode reuses from
// the one before still counts.
void resetPeakMemory() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

// The Y plane of a frame converted as the encoder converts it.
std::vector<uint8_t> referenceLuma(const FrameRows& frame, SwsContext* sws) {
  std::vector<uint8_t> y(std::size_t(Side) * Side), u(y.size() / 4),
      v(y.size() / 4);
  std::vector<uint32_t> words(y.size());
  const unsigned char* rgb = frame.rgb().data();
  for (uint32_t& word : words) {
    word = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
    rgb += 3;
  }
  const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(words.data())};
  const int inStride[1] = {Side * 4};
  uint8_t* out[3] = {y.data(), u.data(), v.data()};
  const int outStride[3] = {Side, Side / 2, Side / 2};
  sws_scale(sws, in, inStride, 0, Side, out, outStride);
  return y;
}

// Luma PSNR of the decoded file against the frames, over all frames.
double lumaPsnr(const std::string& path, const Loop& loop) {
  SwsContext* sws = sws_getContext(
      Side, Side, AV_PIX_FMT_0RGB32, Side, Side, AV_PIX_FMT_YUV420P,
      SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr);
  sws_setColorspaceDetails(sws, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                           sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16,
                           1 << 16);
  AVFormatContext* format = nullptr;
  double squared = 0;
  uint64_t samples = 0;
  std::size_t index = 0;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) == 0 &&
      avformat_find_stream_info(format, nullptr) >= 0) {
    const AVCodec* decoder = nullptr;
    const int stream =
        av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
    avcodec_open2(codec, decoder, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto drain = [&] {
      while (avcodec_receive_frame(codec, frame) == 0 &&
             index < loop.frames.size()) {
        const std::vector<uint8_t> ref =
            referenceLuma(*loop.frames[index++], sws);
        for (int y = 0; y < Side; ++y)
          for (int x = 0; x < Side; ++x) {
            const double d = double(frame->data[0][y * frame->linesize[0] + x]) -
                             ref[std::size_t(y) * Side + x];
            squared += d * d;
          }
        samples += uint64_t(Side) * Side;
      }
    };
    bool more = true;
    while (more) {
      more = av_read_frame(format, packet) >= 0;
      if (!more) {
        avcodec_send_packet(codec, nullptr);
      } else if (packet->stream_index == stream) {
        avcodec_send_packet(codec, packet);
      }
      av_packet_unref(packet);
      drain();
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
  }
  avformat_close_input(&format);
  sws_freeContext(sws);
  if (samples == 0 || index != loop.frames.size()) return 0;
  return 10 * std::log10(255.0 * 255.0 / (squared / double(samples)));
}

struct Choice {
  VideoFormat format;
  int quality;         // CRF for MP4 and WebM, quality for WebP
  const char* preset;  // x264's
  int frames;          // the loop's frames, cycled when more than 60
};

const Choice Choices[] = {
    {VideoFormat::Mp4, 18, "ultrafast", Frames},
    {VideoFormat::Mp4, 18, "veryfast", Frames},
    {VideoFormat::Mp4, 16, "veryfast", Frames},
    {VideoFormat::Mp4, 18, "faster", Frames},
    {VideoFormat::Mp4, 17, "faster", Frames},
    {VideoFormat::Mp4, 18, "medium", Frames},
    {VideoFormat::Mp4, 16, "veryfast", 10},
    {VideoFormat::Mp4, 16, "veryfast", 300},
    {VideoFormat::WebM, 30, "", Frames},
    {VideoFormat::Gif, 0, "", Frames},
    {VideoFormat::WebP, 60, "", Frames},
    {VideoFormat::WebP, 75, "", Frames},
};

void BM_VideoEncode(benchmark::State& state) {
  const Choice& choice = Choices[state.range(0)];
  const Loop& loop = renderedLoop();
  const VideoFormatInfo& info = videoFormatInfo(choice.format);
  char folder[] = "/tmp/marl-video-bench-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("cannot make a temporary folder");
    return;
  }
  VideoSettings settings;
  settings.width = Side;
  settings.height = Side;
  settings.embeddedText = "frames=60\n";
  if (choice.format == VideoFormat::Mp4) {
    settings.h264Crf = choice.quality;
    settings.h264Preset = choice.preset;
  } else if (choice.format == VideoFormat::WebM) {
    settings.vp9Crf = choice.quality;
  } else if (choice.format == VideoFormat::WebP) {
    settings.webpQuality = choice.quality;
  }
  std::string written;
  double encodeSeconds = 0;
  long peak = 0;
  for (auto _ : state) {
    std::filesystem::remove_all(std::string(folder) + "/loop");
    resetPeakMemory();
    const long before = statusKilobytes("VmRSS:");
    std::ostringstream err;
    VideoFile video(choice.format, err);
    const double start = cpuSeconds();
    bool ok = video.begin(std::string(folder) + "/loop." + info.extension,
                          settings);
    for (int f = 0; ok && f < choice.frames; ++f)
      ok = video.addFrame(*loop.frames[f % Frames]);
    ok = ok && video.finish(&written);
    encodeSeconds = cpuSeconds() - start;
    peak = statusKilobytes("VmHWM:") - before;
    if (!ok) state.SkipWithError(err.str().c_str());
  }
  state.SetLabel(std::string(info.word) + " q" +
                 std::to_string(choice.quality) + " " + choice.preset + " " +
                 std::to_string(choice.frames) + " frames");
  state.counters["render_s"] = loop.renderSeconds;
  state.counters["encode_s"] = encodeSeconds;
  state.counters["of_render"] =
      encodeSeconds / (loop.renderSeconds * choice.frames / Frames);
  state.counters["peak_MB"] = double(peak) / 1024.0;
  if (!written.empty()) {
    state.counters["MB"] = double(std::filesystem::file_size(written)) / 1e6;
    if ((choice.format == VideoFormat::Mp4 ||
         choice.format == VideoFormat::WebM) &&
        choice.frames == Frames)
      state.counters["psnr_y"] = lumaPsnr(written, loop);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_VideoEncode)
    ->DenseRange(0, int(sizeof Choices / sizeof Choices[0]) - 1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace marl
