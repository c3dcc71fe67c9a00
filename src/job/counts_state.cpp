#include "job/counts_state.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "attractor/run_control.h"

namespace marl {

namespace {

constexpr char FirstLine[] = "marl counts state 1";

uint64_t checkOf(const std::string& lines, const std::string& recipe) {
  uint64_t hash = 14695981039346656037ull;
  for (const std::string* text : {&recipe, &lines}) {
    for (unsigned char c : *text) {
      hash ^= c;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

// Exact to the last bit, as hexadecimal floating point.
std::string exactReal(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}

bool readReal(const std::string& text, std::size_t& at, double& value) {
  while (at < text.size() && text[at] == ' ') ++at;
  if (at >= text.size()) return false;
  const char* start = text.c_str() + at;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(start, &end);
  if (end == start || errno != 0 || !std::isfinite(value)) return false;
  at += std::size_t(end - start);
  return true;
}

bool readWhole(const std::string& text, uint64_t limit, uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = uint64_t(c - '0');
    if (v > (limit - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = v;
  return true;
}

bool inUnitRange(double v) { return v >= 0.0 && v <= 1.0; }

}  // namespace

std::string countsStateText(const CountsState& s, const std::string& recipe) {
  std::ostringstream out;
  out << FirstLine << "\n"
      << "mode " << (s.fast ? "fast" : "exact") << "\n"
      << "side " << s.side << "\n"
      << "steps " << s.steps << "\n"
      << "point " << exactReal(s.x) << " " << exactReal(s.y) << "\n"
      << "maxcount " << s.maxCount << "\n"
      << "total " << s.total << "\n"
      << "margin ";
  for (std::size_t i = 0; i < s.margin.size(); ++i) {
    out << (i ? " " : "") << s.margin[i].row << "," << s.margin[i].column
        << "," << s.margin[i].count;
  }
  out << "\n";
  if (s.fastFrom) {
    out << "fastfrom " << *s.fastFrom << "\n"
        << "fasthits " << s.fastOrbits.hits << "\n"
        << "fastpoints ";
    for (std::size_t i = 0; i < s.fastOrbits.points.size(); ++i) {
      out << (i ? " " : "") << exactReal(s.fastOrbits.points[i].first) << " "
          << exactReal(s.fastOrbits.points[i].second);
    }
    out << "\n";
  }
  const std::string lines = out.str();
  char check[40];
  std::snprintf(check, sizeof check, "check %016" PRIx64 "\n",
                checkOf(lines, recipe));
  return lines + check;
}

bool parseCountsState(const std::string& text, const std::string& recipe,
                      CountsState& s, std::string& why) {
  const std::size_t checkAt = text.rfind("check ");
  char expected[40];
  std::snprintf(expected, sizeof expected, "check %016" PRIx64 "\n",
                checkAt == std::string::npos
                    ? 0
                    : checkOf(text.substr(0, checkAt), recipe));
  if (text.compare(0, sizeof FirstLine - 1, FirstLine) != 0 ||
      checkAt == std::string::npos || text.substr(checkAt) != expected) {
    why = "its counts state is cut, changed or not its recipe's";
    return false;
  }
  std::map<std::string, std::string> values;
  std::istringstream lines(text.substr(0, checkAt));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    const std::size_t equals = line.find(' ');
    if (equals == std::string::npos ||
        !values.emplace(line.substr(0, equals), line.substr(equals + 1))
             .second) {
      why = "its counts state has a line it never writes";
      return false;
    }
  }
  // Counted before the look-ups below, which add the keys they miss.
  const std::size_t lineCount = values.size();
  auto bad = [&why](const char* what) {
    why = std::string("its counts state holds a bad ") + what;
    return false;
  };
  CountsState r;
  uint64_t v = 0;
  if (values["mode"] != "exact" && values["mode"] != "fast") return bad("mode");
  r.fast = values["mode"] == "fast";
  if (!readWhole(values["side"], 65535, v) || v < 1) return bad("side");
  r.side = uint32_t(v);
  if (!readWhole(values["steps"], INT64_MAX, v)) return bad("step count");
  r.steps = int64_t(v);
  std::size_t at = 0;
  const std::string& point = values["point"];
  if (!readReal(point, at, r.x) || !readReal(point, at, r.y) ||
      at != point.size() || !inUnitRange(r.x) || !inUnitRange(r.y))
    return bad("point");
  if (!readWhole(values["maxcount"], UINT32_MAX, v)) return bad("largest count");
  r.maxCount = uint32_t(v);
  if (!readWhole(values["total"], UINT64_MAX, r.total)) return bad("total");
  std::istringstream margin(values["margin"]);
  std::string cell;
  while (margin >> cell) {
    unsigned long long row, column, count;
    char end;
    if (std::sscanf(cell.c_str(), "%llu,%llu,%llu%c", &row, &column, &count,
                    &end) != 3 ||
        r.margin.size() > 2 * std::size_t(r.side) + 1 ||
        row > r.side + HitGrid::GridMargin ||
        column > r.side + HitGrid::GridMargin || count == 0 ||
        count > UINT32_MAX || (row < r.side && column < r.side))
      return bad("margin");
    r.margin.push_back({uint32_t(row), uint32_t(column), uint32_t(count)});
  }
  const bool fastLines = values.count("fastfrom") != 0;
  if (fastLines) {
    if (!r.fast || !readWhole(values["fastfrom"], INT64_MAX, v))
      return bad("fast start");
    r.fastFrom = int64_t(v);
    if (!readWhole(values["fasthits"], UINT64_MAX, r.fastOrbits.hits) ||
        uint64_t(r.steps - *r.fastFrom) != r.fastOrbits.hits ||
        *r.fastFrom > r.steps)
      return bad("fast hit count");
    const std::string& points = values["fastpoints"];
    at = 0;
    r.fastOrbits.points.resize(FastOrbitStarts);
    for (auto& p : r.fastOrbits.points) {
      if (!readReal(points, at, p.first) || !readReal(points, at, p.second) ||
          !inUnitRange(p.first) || !inUnitRange(p.second))
        return bad("fast orbit point");
    }
    if (at != points.size()) return bad("fast orbit point");
  }
  if (lineCount != (fastLines ? 10u : 7u)) {
    why = "its counts state lacks a line or has one too many";
    return false;
  }
  s = std::move(r);
  return true;
}

void describeGrid(const HitGrid& grid, CountsState& state) {
  state.maxCount = grid.maxCount;
  state.margin.clear();
  state.total = 0;
  const uint32_t side = grid.size();
  for (uint32_t r = 0; r < grid.stride(); ++r) {
    const uint32_t* row = grid.row(r);
    for (uint32_t c = 0; c < grid.stride(); ++c) {
      state.total += row[c];
      if ((r >= side || c >= side) && row[c] != 0)
        state.margin.push_back({r, c, row[c]});
    }
  }
}

bool restoreGrid(const CountsState& state, HitGrid& grid, std::string& why) {
  // The margin holds whatever counting began before the file was read.
  const uint32_t side = grid.size();
  for (uint32_t r = 0; r < grid.stride(); ++r) {
    uint32_t* row = grid.row(r);
    for (uint32_t c = r < side ? side : 0; c < grid.stride(); ++c) row[c] = 0;
  }
  for (const CountsState::MarginCell& cell : state.margin)
    grid.at(cell.row, cell.column) = cell.count;
  uint64_t total = 0;
  uint32_t largest = 0;
  for (uint32_t r = 0; r < grid.stride(); ++r) {
    const uint32_t* row = grid.row(r);
    for (uint32_t c = 0; c < grid.stride(); ++c) {
      total += row[c];
      largest = std::max(largest, row[c]);
    }
  }
  // Each counted pass adds one hit, unless a cell stopped at its largest.
  const uint64_t passes =
      uint64_t(std::max<int64_t>(state.steps - WarmUpIterations - 1, 0));
  const bool saturated = largest == UINT32_MAX;
  if (total != state.total || largest != state.maxCount ||
      (saturated ? total > passes : total != passes)) {
    why = "its counts do not add up to its state's " +
          std::to_string(state.steps) + " steps";
    return false;
  }
  grid.maxCount = state.maxCount;
  return true;
}

}  // namespace marl
