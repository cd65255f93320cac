// The fast pass against the plain one: every byte of every picture must be the same,
// whatever the view, size, pitch, limit, thread count or instruction set.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fractal/escape.h"
#include "fractal/interior.h"
#include "fractal/memory_target.h"
#include "fractal/render.h"
#include "fractal/render_kernel.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint8_t kFill = 0xA7;  // what the targets hold before a render

struct Case {
  RenderView view;
  int width;
  int height;
  int limit = kIterationLimit;
  int padding = 0;  // bytes after each row
};

std::string Describe(const Case& c) {
  std::ostringstream s;
  s.precision(17);
  s << "view " << c.view.re0 << " " << c.view.im0 << " " << c.view.re1 << " " << c.view.im1 << ", "
    << c.width << "x" << c.height << ", limit " << c.limit << ", padding " << c.padding << ", "
    << RenderThreads() << " thread(s), " << RenderInstructionSet();
  return s.str();
}

// Renders the case with both passes into targets filled with kFill and compares every
// byte, byte 3 and row padding included (which both must leave as they were).
::testing::AssertionResult SameBytes(const Case& c) {
  const int pitch = c.width * 4 + c.padding;
  MemoryTarget plain(c.width, c.height, pitch, kFill);
  MemoryTarget fast(c.width, c.height, pitch, kFill);
  RenderMandelbrotPlain(plain, c.view.re0, c.view.im0, c.view.re1, c.view.im1, c.limit);
  RenderMandelbrot(fast, c.view.re0, c.view.im0, c.view.re1, c.view.im1, c.limit);
  const auto differs = std::mismatch(plain.bytes.begin(), plain.bytes.end(), fast.bytes.begin());
  if (differs.first == plain.bytes.end()) return ::testing::AssertionSuccess();
  const auto offset = static_cast<int>(differs.first - plain.bytes.begin());
  const int row = offset / pitch, inRow = offset % pitch;
  std::ostringstream s;
  s << Describe(c) << ": first difference at row " << row;
  if (inRow >= c.width * 4) {
    s << ", padding byte " << inRow - c.width * 4;
  } else {
    const int column = inRow / 4;
    s << ", column " << column << ", byte " << inRow % 4 << ": plain pixel";
    for (int b = 0; b < 4; ++b) s << " " << int{plain.Pixel(column, row)[b]};
    s << ", fast pixel";
    for (int b = 0; b < 4; ++b) s << " " << int{fast.Pixel(column, row)[b]};
  }
  s << " ("
    << std::count_if(
           plain.bytes.begin(), plain.bytes.end(),
           [&, i = std::size_t{0}](std::uint8_t b) mutable { return b != fast.bytes[i++]; })
    << " bytes differ)";
  return ::testing::AssertionFailure() << s.str();
}

// Views of every kind in a reproducible order: anywhere near the set, extents from 1e-12
// to 10, any aspect, either direction on each axis, small sizes of every shape.
std::vector<Case> RandomCases(int count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> centreRe(-2.2, 0.8), centreIm(-1.3, 1.3);
  std::uniform_real_distribution<double> logExtent(-12, 1), aspect(0.25, 4), unit(0, 1);
  std::uniform_int_distribution<int> side(2, 48), padding(0, 3);
  std::vector<Case> cases;
  for (int i = 0; i < count; ++i) {
    const double re = centreRe(random), im = centreIm(random);
    const double extent = std::pow(10.0, logExtent(random));
    double halfRe = extent / 2, halfIm = extent * aspect(random) / 2;
    if (unit(random) < 0.2) halfRe = -halfRe;
    if (unit(random) < 0.2) halfIm = -halfIm;
    cases.push_back(Case{{re - halfRe, im - halfIm, re + halfRe, im + halfIm},
                         side(random),
                         side(random),
                         kIterationLimit,
                         4 * padding(random)});
  }
  return cases;
}

// Sets the render thread count for one scope.
class ThreadsFor {
 public:
  explicit ThreadsFor(int threads) { SetRenderThreads(threads); }
  ~ThreadsFor() { SetRenderThreads(0); }
};

// Narrows Highway's choice to one instruction set for one scope.
class OnlyTarget {
 public:
  explicit OnlyTarget(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }
  ~OnlyTarget() { hwy::SetSupportedTargetsForTest(0); }
};

TEST(RenderFast, RandomViewsGiveThePlainBytes) {
  for (const Case& c : RandomCases(1000, 20240611)) ASSERT_TRUE(SameBytes(c));
}

TEST(RenderFast, RandomViewsWithRandomLimitsGiveThePlainBytes) {
  std::mt19937 random(4242);
  std::uniform_int_distribution<int> limit(1, 700);
  for (Case c : RandomCases(150, 777)) {
    c.limit = limit(random);
    ASSERT_TRUE(SameBytes(c));
  }
}

TEST(RenderFast, TheProgramsFramesGiveThePlainBytes) {
  // The first view at the preview size and at the full size.
  ASSERT_TRUE(SameBytes({{-1, -1, 1, 1}, 128, 128}));
  ASSERT_TRUE(SameBytes({{-1, -1, 1, 1}, 512, 512}));
  // A wide window.
  ASSERT_TRUE(SameBytes({{-2.5, -1, 1, 1}, 320, 200}));
}

TEST(RenderFast, DeepZoomsAtTheBoundaryGiveThePlainBytes) {
  // Points on or next to the boundary, where neighbouring pixels take very different
  // counts: the cardioid's cusp and neck, bulb tips, the tip of the antenna, the top of
  // the set, a filament, and the antenna where the kernel's out-for-ever bound on |c|
  // divides the pixels between its two kinds of steps.
  const double points[][2] = {{-0.75, 0.1}, {-0.75, 0},    {-1.25, 0},     {0.25, 0},
                              {-2, 0},      {0, 1},        {-1.75, 0},     {-0.1011, 0.9563},
                              {0.3, 0.5},   {-1.401155, 0}, {-1.990075, 0}};
  for (const auto& p : points) {
    for (double extent = 1e-1; extent >= 1e-12; extent /= 100) {
      const Case c{
          {p[0] - extent, p[1] - extent * 0.75, p[0] + extent, p[1] + extent * 0.75}, 37, 29};
      ASSERT_TRUE(SameBytes(c));
    }
    // Steps of a few ulps: many columns share a sample point, and rounding decides which.
    const double ulps = 8 * (std::nextafter(std::abs(p[0]) + 1, 2) - (std::abs(p[0]) + 1));
    ASSERT_TRUE(SameBytes({{p[0] - ulps, p[1] - ulps, p[0] + ulps, p[1] + ulps}, 41, 23}));
  }
}

TEST(RenderFast, HugeAndBrokenViewsGiveThePlainBytes) {
  // Steps that overflow, coordinates whose squares overflow to infinity and whose
  // differences then become NaN, and NaN or infinite bounds outright: the plain loop
  // never counts a NaN modulus as escaped, and neither may the fast one.
  const double max = std::numeric_limits<double>::max();
  const RenderView views[] = {
      {-1e6, -1e6, 1e6, 1e6},
      {-1e150, -1e150, 1e150, 1e150},
      {-1e300, -1e300, 1e300, 1e300},
      {-max, -max, max, max},        // the extent overflows: steps are infinite
      {max, -max, -max, max},        // and the other way round
      {-1e300, 0, 1e300, 0},         // a single row, on the real axis
      {0, -1e300, 0, 1e300},         // a single column, on the imaginary axis
      {1e200, 1e200, 1e200, 1e200},  // every pixel the same far point
      {-kInf, -1, kInf, 1},
      {-1, kInf, 1, -kInf},
      {kNaN, -1, 1, 1},
      {-1, -1, 1, kNaN},
      {kNaN, kNaN, kNaN, kNaN},
      {-1e-300, -1e-300, 1e-300, 1e-300},          // subnormal steps
      {0, 0, 4.9406564584124654e-324, 1e-310},     // subnormal coordinates
      {-2, -1e-160, -1.9999999999999998, 1e-160},  // squares underflow
  };
  for (const RenderView& v : views) {
    ASSERT_TRUE(SameBytes({v, 19, 13}));
    ASSERT_TRUE(SameBytes({v, 3, 70}));
  }
}

TEST(RenderFast, EverySizeAndPaddingGivesThePlainBytes) {
  const RenderView view{-1.5, -0.9, 0.6, 1.1};
  // Widths around every multiple of the vector and row lengths, on two rows.
  for (int width = 1; width <= 140; ++width) ASSERT_TRUE(SameBytes({view, width, 2}));
  for (int height = 1; height <= 9; ++height) ASSERT_TRUE(SameBytes({view, 5, height}));
  const int shapes[][2] = {{2, 2}, {3, 17}, {1000, 3}, {3, 1000}, {1, 1}, {257, 5}, {1025, 2}};
  for (const auto& s : shapes) {
    for (int padding : {0, 4, 28})
      ASSERT_TRUE(SameBytes({view, s[0], s[1], kIterationLimit, padding}));
  }
}

TEST(RenderFast, ByteThreeAndRowPaddingAreNeverWritten) {
  // SameBytes compares them with the plain pass; this says what both must hold.
  MemoryTarget t(37, 11, 37 * 4 + 20, kFill);
  RenderMandelbrot(t, -2, -1, 0.5, 1, kIterationLimit);
  for (int r = 0; r < 11; ++r) {
    for (int c = 0; c < 37; ++c) ASSERT_EQ(t.Pixel(c, r)[3], kFill) << c << "," << r;
    for (int pad = 37 * 4; pad < 37 * 4 + 20; ++pad) {
      ASSERT_EQ(t.bytes[static_cast<std::size_t>(r * (37 * 4 + 20) + pad)], kFill) << r;
    }
  }
}

TEST(RenderFast, OtherLimitsGiveThePlainBytes) {
  // Limits around the colour cycle (250) where counts start to fold, around the largest
  // limit with a table of its own, and degenerate ones. Near the boundary every count
  // up to the limit turns up.
  const RenderView nearBoundary{-0.7454, 0.1130, -0.7450, 0.1133};
  for (int limit : {-5,  0,   1,   2,   3,   4,   5,    149,  151,  248,  249,
                    250, 251, 252, 499, 500, 501, 1000, 4095, 4096, 4097, 6000}) {
    ASSERT_TRUE(SameBytes({nearBoundary, 13, 11, limit}));
    ASSERT_TRUE(SameBytes({{-2, -1.5, 1, 1.5}, 23, 17, limit}));
  }
}

TEST(RenderFast, EveryThreadCountGivesThePlainBytes) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const std::vector<Case> cases = RandomCases(12, 7);
  for (int threads = 1; threads <= cores + 3; ++threads) {
    ThreadsFor scope(threads);
    ASSERT_EQ(RenderThreads(), threads);
    ASSERT_TRUE(SameBytes({{-1, -1, 1, 1}, 96, 80}));
    ASSERT_TRUE(SameBytes({{-1, -1, 1, 1}, 4, threads + 1}));  // about one row each
    for (const Case& c : cases) ASSERT_TRUE(SameBytes(c));
  }
}

TEST(RenderFast, RendersFromSeveralThreadsAtOnceGiveThePlainBytes) {
  // The viewer may render a preview on one thread while another renders: the renders
  // share the pool and must neither mix their rows nor wait for ever.
  std::vector<Case> cases = RandomCases(4, 99);
  std::vector<int> failures(cases.size(), 0);
  std::vector<std::thread> callers;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    callers.emplace_back([&, i] {
      for (int round = 0; round < 8; ++round) failures[i] += SameBytes(cases[i]) ? 0 : 1;
    });
  }
  for (std::thread& t : callers) t.join();
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(failures[i], 0) << Describe(cases[i]);
}

// Views chosen to hit the shortcuts where they are most likely to go wrong: on and
// around the boundaries of the main cardioid and the period-2 disc, at the cusp and
// the pinch, on the boundaries of the interior test (the components shrunk, the discs
// in the bulbs), and inside near the boundary, where orbits repeat exactly only after
// many steps. Extents from 1e-1 down to 1e-12 around each point.
std::vector<Case> ShortcutCases() {
  const double pi = std::acos(-1.0);
  // s / 4 for the scale s of the interior test for any limit, exact: its disc's radius
  // and its cardioid's end at the cusp; the cardioid's end at the pinch is -3 s / 4. The
  // test for limits up to 150 has s = 1.
  const double quarter = interior::kForAnyLimit.cardioidQuarterScale;
  // The cusp, the pinch, the disc's far end, the ends of the interior test on the axis,
  // the centre of the upper period-3 bulb, and the centres of the period-4 component and
  // of the period-3 copy on the axis, which the interior test does not know, so that
  // exact repetition settles them.
  std::vector<std::array<double, 2>> points = {
      {0.25, 0},       {-0.75, 0},        {-1.25, 0},        {-0.75, 1e-7},
      {quarter, 0},    {-3 * quarter, 0}, {-1 - quarter, 0}, {-0.1225611, 0.7448618},
      {-1.3107026, 0}, {-1.7548777, 0}};
  for (double t : {0.3, 1.0, 1.7, 2.3, 2.9}) {
    const double cr = std::cos(t) / 2 - std::cos(2 * t) / 4;
    const double ci = std::sin(t) / 2 - std::sin(2 * t) / 4;
    points.push_back({cr, ci});                  // on the cardioid
    points.push_back({0.999 * cr, 0.999 * ci});  // just inside it
    const double scale = interior::kForAnyLimit.cardioidScale;
    points.push_back({scale * cr, scale * ci});
    points.push_back({-1 + 0.25 * std::cos(t + pi / 2), 0.25 * std::sin(t + pi / 2)});
    points.push_back({-1 + quarter * std::cos(t), quarter * std::sin(t)});
    // The rims of the interior test's discs in the bulbs above the axis and below.
    for (const interior::Test* test : {&interior::kForAnyLimit, &interior::kUpToLimit150}) {
      for (const interior::BulbDisc& disc : test->Bulbs()) {
        const double r = std::sqrt(disc.radius2);
        points.push_back({disc.re + r * std::cos(t), disc.im + r * std::sin(t)});
        points.push_back({disc.re + r * std::cos(-t), -disc.im + r * std::sin(-t)});
      }
    }
  }
  std::vector<Case> cases;
  for (const auto& p : points) {
    // The program's limit, whose interior test takes the whole components, and one
    // beyond it, which takes the test for any limit.
    for (int limit : {kIterationLimit, 2 * kIterationLimit}) {
      for (double extent = 1e-1; extent >= 1e-12; extent /= 10) {
        cases.push_back({{p[0] - extent, p[1] - extent * 0.75, p[0] + extent, p[1] + extent * 0.75},
                         37,
                         29,
                         limit});
      }
    }
  }
  return cases;
}

// The counts of the fast kernel for a view, with what its shortcuts settled.
std::vector<std::int32_t> KernelCounts(const Case& c, fractal_kernel::ShortcutStats& stats) {
  const double dRe = (c.view.re1 - c.view.re0) / (c.width - 1);
  const double dIm = (c.view.im1 - c.view.im0) / (c.height - 1);
  const int stride = (c.width + fractal_kernel::kRowPadding - 1) / fractal_kernel::kRowPadding *
                     fractal_kernel::kRowPadding;
  std::vector<double> re(static_cast<std::size_t>(stride), 16.0), im;
  double x = c.view.re0, y = c.view.im0;
  for (int i = 0; i < c.width; ++i, x = x + dRe) re[static_cast<std::size_t>(i)] = x;
  for (int r = 0; r < c.height; ++r, y = y + dIm) im.push_back(y);
  std::vector<std::int32_t> counts(static_cast<std::size_t>(stride * c.height));
  fractal_kernel::ChooseRowKernel().countRowsCounted(re.data(), c.width, im.data(), c.height,
                                                     c.limit, counts.data(), stride, &stats);
  return counts;
}

// Calls visit(i, r, re, im) for every pixel of the case, its sample point accumulated as
// the renderers accumulate it.
template <class Visit>
void ForEachSample(const Case& c, Visit visit) {
  const double dRe = (c.view.re1 - c.view.re0) / (c.width - 1);
  const double dIm = (c.view.im1 - c.view.im0) / (c.height - 1);
  double y = c.view.im0;
  for (int r = 0; r < c.height; ++r, y = y + dIm) {
    double x = c.view.re0;
    for (int i = 0; i < c.width; ++i, x = x + dRe) visit(i, r, x, y);
  }
}

// Counts themselves, not only their colours (past the limit every count has the same
// one): each is EscapeCount's, on every instruction set, for limits below and above the
// first steps the kernel may take as it sorts, whether it takes them or not (a close view
// of the boundary makes it leave them out for a while).
TEST(RenderFast, TheKernelsCountsAreThePlainLoops) {
  const Case wide{{-2, -1.5, 1, 1.5}, 23, 17}, close{{-0.7454, 0.1130, -0.7449, 0.1135}, 13, 11};
  for (std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    OnlyTarget scope(target);
    for (int limit : {2, 3, 4, 5, 6, 7, 150}) {
      for (const Case* c : {&wide, &close, &wide, &wide, &wide, &wide, &wide, &wide, &wide, &wide}) {
        Case view = *c;
        view.limit = limit;
        fractal_kernel::ShortcutStats stats;
        const std::vector<std::int32_t> counts = KernelCounts(view, stats);
        const int stride = static_cast<int>(counts.size()) / view.height;
        int wrong = 0;
        ForEachSample(view, [&](int i, int r, double x, double y) {
          if (counts[static_cast<std::size_t>(r * stride + i)] != EscapeCount(x, y, limit)) ++wrong;
        });
        ASSERT_EQ(wrong, 0) << hwy::TargetName(target) << ", " << Describe(view);
      }
    }
  }
}

TEST(RenderFast, ViewsWhereTheShortcutsActGiveThePlainBytes) {
  fractal_kernel::ShortcutStats stats;
  for (const Case& c : ShortcutCases()) {
    ASSERT_TRUE(SameBytes(c));
    KernelCounts(c, stats);
  }
  // The corpus does what it is for: many pixels are settled by each shortcut, some of
  // them by a repetition found late, close to the limit.
  EXPECT_GT(stats.interior, 10000);
  EXPECT_GT(stats.repeated, 10000);
  EXPECT_GT(stats.latestRepeat, 100);
}

TEST(RenderFast, ViewsWhereWholeTilesAreProvenGiveThePlainBytes) {
  // Zoomed out, and where the first view's corners escape early, whole tiles share a
  // count; small limits let tiles inside the set be proven to the limit. On the edge of
  // the set, tiles share counts late in their orbits, small copies of the set stay in to
  // the limit, and deep in a spiral quarters of tiles stay in where the tiles do not.
  // Sizes that leave partial tiles and quarters at the right and the bottom, and views
  // upside down.
  const RenderView views[] = {{-4, -4, 4, 4},
                              {0.6, 0.6, 1, 1},
                              {1, 1, -1, -1},
                              {-3, 2, 3, -2},
                              {-9, -9, 9, 9},
                              {-0.2, 0.6, 0, 0.8},
                              {-1, -1, 1, 1},
                              {-0.7454, 0.1130, -0.7449, 0.1135},
                              {-0.7449, 0.1135, -0.7454, 0.1130},
                              {-1.78, -0.01, -1.76, 0.01},
                              {-0.74545, 0.11305, -0.74535, 0.11315},
                              {-0.74535, 0.11315, -0.74545, 0.11305}};
  for (const RenderView& v : views) {
    ASSERT_TRUE(SameBytes({v, 512, 512}));
    ASSERT_TRUE(SameBytes({v, 256, 256}));
    ASSERT_TRUE(SameBytes({v, 85, 67}));
    for (int limit : {2, 3, 5, 8}) ASSERT_TRUE(SameBytes({v, 70, 40, limit}));
  }
}

TEST(RenderFast, TheKernelSettlesExactlyThePointsTheInteriorTestAccepts) {
  // Over the whole set, with rows through every part of the test and past its ends, with
  // each version of the test: the one for limits up to 150 and the one for any limit.
  for (int limit : {kIterationLimit, kIterationLimit + 1}) {
    const Case c{{-2.25, -1.125, 0.75, 1.125}, 301, 233, limit};
    fractal_kernel::ShortcutStats stats;
    KernelCounts(c, stats);
    const interior::Test& test = limit <= 150 ? interior::kUpToLimit150 : interior::kForAnyLimit;
    const double dRe = (c.view.re1 - c.view.re0) / (c.width - 1);
    const double dIm = (c.view.im1 - c.view.im0) / (c.height - 1);
    std::int64_t accepted = 0;
    double y = c.view.im0;
    for (int r = 0; r < c.height; ++r, y = y + dIm) {
      double x = c.view.re0;
      for (int i = 0; i < c.width; ++i, x = x + dRe) {
        accepted += interior::InKnownComponent(test, x, y);
      }
    }
    EXPECT_GT(accepted, 10000);
    EXPECT_EQ(stats.interior, accepted) << "limit " << limit;
  }
}

TEST(RenderFast, AnInteriorTestWithTooLittleMarginWouldBeCaught) {
  // A stand-in for a wrong interior test: the period-2 disc 1% wider than the true one.
  // It must take points that escape somewhere in the corpus, or the corpus could not
  // catch such a fault in the kernel.
  int caught = 0;
  for (const Case& c : ShortcutCases()) {
    ForEachSample(c, [&](int, int, double x, double y) {
      const bool wider = (x + 1) * (x + 1) + y * y <= 0.0625 * 1.02;
      if (wider && EscapeCount(x, y, c.limit) <= c.limit) ++caught;
    });
  }
  EXPECT_GT(caught, 0);
}

// The counts of the kernel for a few rows of a view, given the spans' known counts (see
// fractal_kernel::CountRowsFunction), and EscapeCount's.
struct RowsOfView {
  Case c;
  int stride;
  std::vector<double> re, im;
  std::vector<int> plain;

  explicit RowsOfView(const Case& view) : c(view) {
    stride = (c.width + fractal_kernel::kRowPadding - 1) / fractal_kernel::kRowPadding *
             fractal_kernel::kRowPadding;
    re.assign(static_cast<std::size_t>(stride), 16.0);
    plain.assign(static_cast<std::size_t>(stride * c.height), 0);
    ForEachSample(c, [&](int i, int r, double x, double y) {
      re[static_cast<std::size_t>(i)] = x;
      if (i == 0) im.push_back(y);
      plain[static_cast<std::size_t>(r * stride + i)] = EscapeCount(x, y, c.limit);
    });
  }
  int Spans() const {
    return (c.width + fractal_kernel::kKnownSpan - 1) / fractal_kernel::kKnownSpan;
  }
  // The least of the plain counts of span t.
  int Least(int t) const {
    int least = c.limit + 1;
    for (int r = 0; r < c.height; ++r) {
      for (int i = t * fractal_kernel::kKnownSpan;
           i < std::min(c.width, (t + 1) * fractal_kernel::kKnownSpan); ++i) {
        least = std::min(least, plain[static_cast<std::size_t>(r * stride + i)]);
      }
    }
    return least;
  }
  // How many of the kernel's counts differ from EscapeCount's.
  int Wrong(const std::vector<std::int32_t>& known) const {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(stride * c.height), -1);
    fractal_kernel::ChooseRowKernel().countRows(re.data(), c.width, im.data(), c.height, c.limit,
                                                counts.data(), stride, known.data());
    int wrong = 0;
    for (int r = 0; r < c.height; ++r) {
      for (int i = 0; i < c.width; ++i) {
        const std::size_t at = static_cast<std::size_t>(r * stride + i);
        wrong += counts[at] != plain[at];
      }
    }
    return wrong;
  }
};

// Spans whose least count the caller gives (a proof about their tile that held to that
// step) go through the steps before it without a test. Given exactly (some pixel of the
// span escapes at that very step), lower, as limit + 1 for spans in the set, beside spans
// of known counts and of none, every count is still EscapeCount's, on every instruction
// set, for a call's rows as a render gives them and for others. A least count one step too
// high is taken on trust, so the exact ones above do test the edge.
TEST(RenderFast, TheKernelTakesTheStepsBeforeALeastCountUntested) {
  const RenderView views[] = {{-0.7454, 0.1130, -0.7449, 0.1135},
                              {-0.74545, 0.11305, -0.74535, 0.11315},
                              {-1.78, -0.01, -1.76, 0.01},
                              {-0.75, 0.05, -0.74, 0.06},
                              {-1, -1, 1, 1}};
  std::mt19937_64 random(404);
  int exact = 0, caught = 0;
  for (std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    OnlyTarget scope(target);
    for (const RenderView& v : views) {
      for (const int limit : {kIterationLimit, 40, 1000}) {
        for (const int rows : {4, 1, 9}) {
          for (int band = 0; band < 3; ++band) {
            // Bands of rows across the view, 147 columns: the last span is partial.
            const double top = v.im0 + (v.im1 - v.im0) * (0.2 + 0.3 * band);
            const double height = (v.im1 - v.im0) * rows / 400;
            const RowsOfView view({{v.re0, top, v.re1, top + height}, 147, rows, limit});
            std::vector<std::int32_t> known(static_cast<std::size_t>(view.Spans()));
            for (int t = 0; t < view.Spans(); ++t) {
              const int least = view.Least(t);
              switch (random() % 4) {
                case 0:
                  known[static_cast<std::size_t>(t)] = -least;
                  exact += least >= 16;
                  break;
                case 1:
                  known[static_cast<std::size_t>(t)] = -std::max(1, least - 5);
                  break;
                case 2:
                  known[static_cast<std::size_t>(t)] = least > limit ? limit + 1 : 0;
                  break;
                default:
                  break;  // 0: nothing known
              }
            }
            ASSERT_EQ(view.Wrong(known), 0)
                << hwy::TargetName(target) << ", " << Describe(view.c) << ", band " << band;
            // One span claimed a step too high, alone: spans side by side take as many
            // steps untested as the least of their claims.
            for (int t = 0; t < view.Spans(); ++t) {
              const int least = view.Least(t);
              if (least < 16 || least > limit) continue;
              std::vector<std::int32_t> wrong(known.size());
              wrong[static_cast<std::size_t>(t)] = -(least + 1);
              ASSERT_GT(view.Wrong(wrong), 0) << hwy::TargetName(target) << ", span " << t;
              ++caught;
              break;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(exact, 2000);
  EXPECT_GT(caught, 200);
}

// The kernel's steps on the list of points with |c| below kOutForEver's bound keep no
// mask of the lanes that left: they rely on no such orbit ever coming back.
TEST(RenderFast, OrbitsWithinTheOutForEverBoundNeverComeBack) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> angle(0, 6.283185307179586), unit(0, 1);
  std::int64_t left = 0;
  for (int i = 0; i < 400000; ++i) {
    // Mostly next to the bound, where an orbit can leave the circle by the least; a
    // quarter on the real axis near -2, whose orbits graze the circle again and again.
    const double radius = std::sqrt(fractal_kernel::kOutForEver) * (1 - 0.02 * unit(random));
    double cr = radius * std::cos(angle(random)), ci = radius * std::sin(angle(random));
    if (i % 4 == 0) cr = -radius, ci = 1e-9 * (unit(random) - 0.5);
    if (!(cr * cr + ci * ci <= fractal_kernel::kOutForEver)) continue;
    double x = cr, y = ci;
    bool out = false;
    for (int step = 0; step < 300; ++step) {
      const double nx = (x * x - y * y) + cr, ny = 2.0 * (x * y) + ci;
      x = nx, y = ny;
      const double modulus = x * x + y * y;
      if (out) {
        ASSERT_FALSE(modulus <= 4) << "c = " << cr << " " << ci << ", step " << step;
      } else if (modulus > 4) {
        out = true;
        ++left;
      }
    }
  }
  EXPECT_GT(left, 100000);  // the samples do leave the circle
}

TEST(RenderFast, TheFastPassWithoutShortcutsGivesThePlainBytes) {
  // What render_bench measures as the vectors alone.
  for (const Case& c : RandomCases(60, 5150)) {
    const int pitch = c.width * 4 + c.padding;
    MemoryTarget plain(c.width, c.height, pitch, kFill), stepwise(c.width, c.height, pitch, kFill);
    RenderMandelbrotPlain(plain, c.view.re0, c.view.im0, c.view.re1, c.view.im1, c.limit);
    RenderWith(&RenderPixelsStepwise, stepwise, c.view.re0, c.view.im0, c.view.re1, c.view.im1,
               c.limit);
    ASSERT_EQ(plain.bytes, stepwise.bytes) << Describe(c);
  }
}

TEST(RenderFast, TheInstructionSetCanBeChosenByName) {
  const std::vector<std::string> names = RenderInstructionSets();
  ASSERT_FALSE(names.empty());
  const std::string best = RenderInstructionSet();
  EXPECT_EQ(names.front(), best);
  for (const std::string& name : names) {
    std::string lower = name;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    ASSERT_TRUE(SetRenderInstructionSet(lower.c_str())) << name;
    EXPECT_EQ(RenderInstructionSet(), name);
    EXPECT_EQ(RenderInstructionSets(), names);  // the list is not narrowed by the choice
    ASSERT_TRUE(SameBytes({{-1.5, -1, 0.5, 1}, 29, 23}));
  }
  EXPECT_FALSE(SetRenderInstructionSet("NO-SUCH-SET"));
  EXPECT_EQ(RenderInstructionSet(), names.back());  // a bad name changes nothing
  ASSERT_TRUE(SetRenderInstructionSet(""));
  EXPECT_EQ(RenderInstructionSet(), best);
}

TEST(RenderFast, EveryInstructionSetGivesThePlainBytes) {
  const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
  ASSERT_FALSE(targets.empty());
  std::vector<Case> cases = RandomCases(40, 31337);
  cases.push_back({{-1, -1, 1, 1}, 67, 61});
  cases.push_back({{-1e300, -1e300, 1e300, 1e300}, 9, 9});
  cases.push_back({{kNaN, -1, 1, 1}, 9, 3});
  // First steps whose 2 xy overflows while 2 xy + ci does not (fused, it is rounded once).
  const double max = std::numeric_limits<double>::max();
  cases.push_back({{-1, max, -0.5, max / 2}, 9, 9});
  cases.push_back({{-1, max, -0.5, max / 2}, 9, 9, 3});
  cases.push_back({{-0.7454, 0.1130, -0.7450, 0.1133}, 13, 7, 1000});
  cases.push_back({{-0.7454, 0.1130, -0.7450, 0.1133}, 13, 7, 2});
  cases.push_back({{-2, -1.5, 1, 1.5}, 1, 3, 1});
  // Tiles proven late in their orbits, tiles of a small copy of the set, and quarters.
  cases.push_back({{-0.7454, 0.1130, -0.7449, 0.1135}, 160, 144});
  cases.push_back({{-1.78, -0.01, -1.76, 0.01}, 160, 144});
  cases.push_back({{-0.74545, 0.11305, -0.74535, 0.11315}, 200, 157});
  const std::vector<Case> shortcuts = ShortcutCases();
  for (std::size_t i = 0; i < shortcuts.size(); i += 5) cases.push_back(shortcuts[i]);
  for (std::int64_t target : targets) {
    OnlyTarget scope(target);
    ASSERT_STREQ(RenderInstructionSet(), hwy::TargetName(target));
    for (const Case& c : cases) ASSERT_TRUE(SameBytes(c));
  }
}

// Painting straight from counts, on every instruction set: counts past the table take
// its last colour wherever they stand in a vector, and byte 3 keeps what it held.
TEST(RenderFast, PaintingClampsCountsPastTheTableOnEveryInstructionSet) {
  std::vector<std::uint32_t> colours(40);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    colours[i] = static_cast<std::uint32_t>(0x00010203u * (i + 1)) | 0xEE000000u;
  }
  const int n = 53;
  std::mt19937 random(8);
  std::uniform_int_distribution<int> count(0, 39);
  std::vector<std::int32_t> counts(n);
  for (std::int32_t& c : counts) c = count(random);
  counts[3] = 40;
  counts[17] = 1000000;
  counts[n - 2] = std::numeric_limits<std::int32_t>::max();
  for (std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    OnlyTarget scope(target);
    for (int width : {n, 8, 16, 7}) {
      std::vector<std::uint8_t> pixels(4 * n, kFill);
      fractal_kernel::ChooseRowKernel().paintRow(counts.data(), width, colours.data(),
                                                 static_cast<int>(colours.size()),
                                                 pixels.data());
      for (int i = 0; i < n; ++i) {
        const std::uint8_t* pixel = &pixels[static_cast<std::size_t>(4 * i)];
        const std::uint32_t colour = colours[static_cast<std::size_t>(std::min(counts[i], 39))];
        const bool painted = i < width;
        ASSERT_EQ(pixel[0], painted ? (colour & 0xFF) : kFill) << hwy::TargetName(target) << " " << i;
        ASSERT_EQ(pixel[1], painted ? (colour >> 8 & 0xFF) : kFill) << hwy::TargetName(target);
        ASSERT_EQ(pixel[2], painted ? (colour >> 16 & 0xFF) : kFill) << hwy::TargetName(target);
        ASSERT_EQ(pixel[3], kFill) << hwy::TargetName(target) << " " << i;
      }
    }
  }
}

}  // namespace
