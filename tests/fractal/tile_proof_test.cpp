// The tile proof against the plain loop: whatever count it proves for a box, every
// sample point of the box must get from EscapeCount.
#include "fractal/tile_proof.h"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fractal/escape.h"
#include "fractal/interior.h"

namespace {

using tile_proof::Box;
using tile_proof::Checkpoint;
using tile_proof::InMainParts;
using tile_proof::ProvenCount;
using tile_proof::ProvenCountFrom;
using tile_proof::ProvenCounts;
using tile_proof::ProvenCountsFrom;

constexpr int kLimit = 150;

std::string Describe(const Box& b) {
  std::ostringstream s;
  s.precision(17);
  s << "box " << b.reLo << " " << b.reHi << " x " << b.imLo << " " << b.imHi;
  return s.str();
}

// Points of the box: a grid over it, corners and edges included, the doubles just
// inside its edges, and random ones.
std::vector<std::pair<double, double>> Samples(const Box& b, std::mt19937_64& random) {
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i <= 6; ++i) {
    for (int j = 0; j <= 6; ++j) {
      const double re = i == 6 ? b.reHi : b.reLo + (b.reHi - b.reLo) * i / 6;
      const double im = j == 6 ? b.imHi : b.imLo + (b.imHi - b.imLo) * j / 6;
      points.emplace_back(re, im);
    }
  }
  const double reIn = std::nextafter(b.reLo, b.reHi), imIn = std::nextafter(b.imLo, b.imHi);
  points.emplace_back(reIn, imIn);
  points.emplace_back(std::nextafter(b.reHi, b.reLo), std::nextafter(b.imHi, b.imLo));
  std::uniform_real_distribution<double> unit(0, 1);
  for (int k = 0; k < 16; ++k) {
    points.emplace_back(b.reLo + (b.reHi - b.reLo) * unit(random),
                        b.imLo + (b.imHi - b.imLo) * unit(random));
  }
  return points;
}

// Boxes anywhere near the set, with sides from 1e-13 to 0.3, some of them single points.
std::vector<Box> RandomBoxes(int count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> re(-2.3, 1.0), im(-1.4, 1.4), logSide(-13, -0.5),
      aspect(0.5, 2), unit(0, 1);
  std::vector<Box> boxes;
  for (int i = 0; i < count; ++i) {
    const double cr = re(random), ci = im(random);
    const double side = unit(random) < 0.05 ? 0 : std::pow(10.0, logSide(random));
    const double h = side / 2, v = side * aspect(random) / 2;
    boxes.push_back({cr - h, cr + h, ci - v, ci + v});
  }
  return boxes;
}

// Every proven count holds at every sample; proofs of each kind happen.
TEST(TileProof, EveryPointOfAProvenBoxGetsTheProvenCount) {
  std::mt19937_64 random(7);
  int escapes = 0, stays = 0;
  for (const Box& b : RandomBoxes(60000, 2024)) {
    for (int mostSteps : {6, kLimit}) {
      const int count = ProvenCount(b, kLimit, mostSteps);
      if (count == 0) continue;
      ASSERT_GE(count, 2) << Describe(b);
      ASSERT_LE(count, mostSteps + 1 < kLimit ? mostSteps + 1 : kLimit + 1) << Describe(b);
      (count > kLimit ? stays : escapes) += 1;
      for (const auto& [re, im] : Samples(b, random)) {
        ASSERT_EQ(EscapeCount(re, im, kLimit), count)
            << Describe(b) << ", point " << re << " " << im << ", most steps " << mostSteps;
      }
    }
  }
  EXPECT_GT(escapes, 5000);
  EXPECT_GT(stays, 1000);
}

TEST(TileProof, OtherLimitsAndTheEdgesOfTheCircle) {
  std::mt19937_64 random(11);
  // Small limits, where boxes that never leave are proven at the limit; and boxes next to
  // |c| = 2 and around -2, where orbits come back to the circle again and again.
  std::vector<Box> boxes = RandomBoxes(5000, 99);
  std::uniform_real_distribution<double> angle(0, 6.283185307179586), logSide(-15, -3);
  for (int i = 0; i < 5000; ++i) {
    const double a = angle(random), side = std::pow(10.0, logSide(random));
    const double cr = i % 3 == 0 ? -2 : 2 * std::cos(a), ci = i % 3 == 0 ? 0 : 2 * std::sin(a);
    boxes.push_back({cr - side, cr + side, ci - side, ci + side});
  }
  int proven = 0;
  for (const Box& b : boxes) {
    for (int limit : {2, 3, 7, 40, 151, 1000}) {
      const int count = ProvenCount(b, limit, limit);
      if (count == 0) continue;
      ++proven;
      for (const auto& [re, im] : Samples(b, random)) {
        ASSERT_EQ(EscapeCount(re, im, limit), count) << Describe(b) << ", limit " << limit;
      }
    }
  }
  EXPECT_GT(proven, 5000);
}

TEST(TileProof, BoxesItCannotOrMustNotProve) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double max = std::numeric_limits<double>::max();
  const Box bad[] = {
      {-inf, 0, 0, 1},  {0, 1, nan, 1},          {nan, nan, nan, nan}, {1, 0, 0, 1},  // reversed
      {-max, max, -max, max},                    {1e300, 1e300, 0, 0},  // squares overflow
      {-0.8, -0.7, 0.05, 0.15},                  // across the boundary at the neck
      {0.24, 0.26, -0.01, 0.01},                 // across the cusp
  };
  for (const Box& b : bad) EXPECT_EQ(ProvenCount(b, kLimit, kLimit), 0) << Describe(b);
  EXPECT_EQ(ProvenCount({-0.1, 0.1, -0.1, 0.1}, 1, 1), 0);  // limit 1: nothing to prove
  // c = -2 never leaves (z = 2, 2, 2, ...: modulus 4, never above), but the proof on the
  // circle cannot tell: no proof, rather than a wrong one.
  EXPECT_EQ(ProvenCount({-2, -2, 0, 0}, kLimit, kLimit), 0);
}

TEST(TileProof, ProvesWhatItIsFor) {
  // Far out, and in the bands of the first view's corners, whole tiles escape early.
  EXPECT_EQ(ProvenCount({3, 3.01, 3, 3.01}, kLimit, 6), 2);
  EXPECT_EQ(ProvenCount({0.9, 0.91, 0.9, 0.91}, kLimit, 6), EscapeCount(0.905, 0.905, kLimit));
  // Inside the period-3 bulb at -0.1226 + 0.7449i, where the interior test takes no
  // point, a tile stays to the limit.
  EXPECT_EQ(ProvenCount({-0.125, -0.12, 0.742, 0.747}, kLimit, kLimit), kLimit + 1);
  // Tiny and subnormal boxes: around 0, a box of one double, the smallest ones.
  EXPECT_EQ(ProvenCount({-1e-310, 1e-310, -1e-310, 1e-310}, kLimit, kLimit), kLimit + 1);
  EXPECT_EQ(ProvenCount({0.3, 0.3, 0.6, 0.6}, kLimit, kLimit), EscapeCount(0.3, 0.6, kLimit));
  // The proof gives up when told to: these points escape after the 6th step.
  EXPECT_GT(EscapeCount(0.3, 0.6, kLimit), 8);
  EXPECT_EQ(ProvenCount({0.3, 0.3, 0.6, 0.6}, kLimit, 6), 0);
}

// Sample points accumulated as a render steps through them: start, start + step, ...
std::vector<double> Accumulated(double start, double end, int count) {
  const double step = (end - start) / (count - 1);
  std::vector<double> values;
  for (double value = start; static_cast<int>(values.size()) < count; value = value + step) {
    values.push_back(value);
  }
  return values;
}

// The tiles of side x side pixels of a 512 x 512 picture of the view, as boxes of their
// sample points, with the counts of all their pixels.
struct Tile {
  Box box;
  std::vector<int> counts;
};

std::vector<Tile> TilesOf(double re0, double im0, double re1, double im1, int kSide = 16) {
  constexpr int kSize = 512;
  const std::vector<double> re = Accumulated(re0, re1, kSize), im = Accumulated(im0, im1, kSize);
  std::vector<Tile> tiles;
  for (int top = 0; top < kSize; top += kSide) {
    for (int left = 0; left < kSize; left += kSide) {
      Tile tile{{re[left], re[left + kSide - 1], im[top], im[top + kSide - 1]}, {}};
      for (int r = top; r < top + kSide; ++r) {
        for (int c = left; c < left + kSide; ++c) {
          tile.counts.push_back(EscapeCount(re[c], im[r], kLimit));
        }
      }
      tiles.push_back(std::move(tile));
    }
  }
  return tiles;
}

// On the edge of the set, bands of one count late in the orbits are wider than a tile,
// and the tiles of small copies of the set stay in to the limit: the proof must follow
// them all the way, and be right about every pixel of every tile it proves.
TEST(TileProof, TilesOnTheEdgeOfTheSetAreProvenLateAndRight) {
  int late = 0, stays = 0;
  const double views[][4] = {{-0.7454, 0.1130, -0.7449, 0.1135},   // a spiral in the valley
                             {-1.78, -0.01, -1.76, 0.01},          // a small copy on the axis
                             {-0.74545, 0.11305, -0.74535, 0.11315}};  // deeper in the spiral
  for (const auto& v : views) {
    for (const Tile& tile : TilesOf(v[0], v[1], v[2], v[3])) {
      int stopped = -1;
      const int count = ProvenCount(tile.box, kLimit, kLimit, &stopped);
      if (count == 0) {
        // Every pixel stayed in through the steps before the one the proof stopped at.
        for (int pixel : tile.counts) ASSERT_GE(pixel, stopped) << Describe(tile.box);
        continue;
      }
      ASSERT_EQ(stopped, 0);
      for (int pixel : tile.counts) ASSERT_EQ(pixel, count) << Describe(tile.box);
      late += count > 40 && count <= kLimit;
      stays += count > kLimit;
    }
  }
  EXPECT_GT(late, 300);
  EXPECT_GT(stays, 300);
}

// Deep in the spiral, tiles inside the set hold for dozens of steps and then spread too
// wide to be bounded together; their quarters, taken up from the tiles' checkpoints,
// stay in to the limit. Every pixel of every proven quarter must get its count, and a
// quarter taken up must be proven nearly wherever one proven from its first step is.
TEST(TileProof, QuartersOfTilesThatHeldLongAreProvenWhereTheTilesAreNot) {
  const double views[][4] = {{-0.74545, 0.11305, -0.74535, 0.11315},
                             {-0.7454, 0.1130, -0.7449, 0.1135}};
  int proven = 0, provenAlone = 0, late = 0;
  for (const auto& v : views) {
    const std::vector<Tile> tiles = TilesOf(v[0], v[1], v[2], v[3]);
    const std::vector<Tile> quarters = TilesOf(v[0], v[1], v[2], v[3], 8);
    for (std::size_t t = 0; t < tiles.size(); ++t) {
      int stopped = 0;
      Checkpoint from{};
      if (ProvenCount(tiles[t].box, kLimit, kLimit, &stopped, &from) != 0 || stopped < 32) continue;
      // Every pixel of the tile was in at the checkpoint.
      ASSERT_GE(from.step, 1);
      ASSERT_LT(from.step, stopped);
      ASSERT_EQ(from.step % tile_proof::kCheckpointEvery == 0, from.step > 1);
      late += from.step >= 16;
      const std::size_t row = t / 32, column = t % 32;
      for (std::size_t q = 0; q < 4; ++q) {
        const Tile& quarter = quarters[(2 * row + q / 2) * 64 + 2 * column + q % 2];
        provenAlone += ProvenCount(quarter.box, kLimit, kLimit) != 0;
        int quarterStopped = -1;
        const int count = ProvenCountFrom(quarter.box, from, kLimit, kLimit, &quarterStopped);
        if (count == 0) {
          // Every pixel stayed in through the steps before the one the proof stopped at.
          for (int pixel : quarter.counts) ASSERT_GE(pixel, quarterStopped);
          continue;
        }
        for (int pixel : quarter.counts) ASSERT_EQ(pixel, count) << Describe(quarter.box);
        ++proven;
      }
    }
  }
  EXPECT_GT(late, 500);
  EXPECT_GT(proven, 1500);
  EXPECT_GE(proven, provenAlone * 95 / 100);
}

// Parts of boxes anywhere near the set, taken up wherever their boxes' proofs left
// them: quarters, thin strips, single points and random boxes within, of boxes that
// escape, stay, or cannot be proven. Whatever count a part is given holds at every
// sample point of it.
TEST(TileProof, EveryPointOfAProvenPartGetsTheProvenCount) {
  std::mt19937_64 random(13);
  std::uniform_real_distribution<double> unit(0, 1);
  int provenParts = 0, fromLater = 0;
  for (const Box& b : RandomBoxes(30000, 31)) {
    Checkpoint from{};
    int stopped = 0;
    if (ProvenCount(b, kLimit, kLimit, &stopped, &from) != 0 && unit(random) < 0.8) continue;
    const double midRe = 0.5 * b.reLo + 0.5 * b.reHi, midIm = 0.5 * b.imLo + 0.5 * b.imHi;
    const double re0 = b.reLo + (b.reHi - b.reLo) * unit(random),
                 re1 = b.reLo + (b.reHi - b.reLo) * unit(random);
    const double im0 = b.imLo + (b.imHi - b.imLo) * unit(random),
                 im1 = b.imLo + (b.imHi - b.imLo) * unit(random);
    const Box parts[] = {
        {b.reLo, midRe, b.imLo, midIm},
        {midRe, b.reHi, midIm, b.imHi},
        {b.reLo, b.reHi, b.imHi, b.imHi},
        {b.reHi, b.reHi, b.imLo, b.imLo},
        {std::fmin(re0, re1), std::fmax(re0, re1), std::fmin(im0, im1), std::fmax(im0, im1)}};
    for (const Box& part : parts) {
      int partStopped = -1;
      const int count = ProvenCountFrom(part, from, kLimit, kLimit, &partStopped);
      if (count == 0) {
        // No sample leaves before the step the proof stopped at.
        for (const auto& [re, im] : Samples(part, random)) {
          ASSERT_GE(EscapeCount(re, im, kLimit), partStopped)
              << Describe(part) << " of " << Describe(b);
        }
        continue;
      }
      ++provenParts;
      fromLater += from.step > 1;
      for (const auto& [re, im] : Samples(part, random)) {
        ASSERT_EQ(EscapeCount(re, im, kLimit), count)
            << Describe(part) << " of " << Describe(b) << " from step " << from.step << ", point "
            << re << " " << im;
      }
    }
  }
  EXPECT_GT(provenParts, 20000);
  EXPECT_GT(fromLater, 2000);
}

TEST(TileProof, PartsItCannotOrMustNotTakeUp) {
  // A box in the spiral at -0.7455 + 0.1131i, whose quarters are proven from its checkpoint.
  const double re = -0.7455, im = 0.113128;
  const Box box{re, re + 4e-6, im, im + 4e-6};
  Checkpoint from{};
  int stopped = 0;
  ASSERT_EQ(ProvenCount(box, kLimit, kLimit, &stopped, &from), 0);
  ASSERT_GT(from.step, 1);
  const Box inside{re, re + 2e-6, im, im + 2e-6};
  ASSERT_NE(ProvenCountFrom(inside, from, kLimit, kLimit), 0);
  // A part reaching out of the box by one double, on any side.
  const double reMid = re + 2e-6, imMid = im + 2e-6;
  const Box outside[] = {{std::nextafter(box.reLo, -1.0), reMid, im, imMid},
                         {reMid, std::nextafter(box.reHi, 1.0), im, imMid},
                         {re, reMid, std::nextafter(box.imLo, 0.0), imMid},
                         {re, reMid, imMid, std::nextafter(box.imHi, 1.0)}};
  for (const Box& part : outside) EXPECT_EQ(ProvenCountFrom(part, from, kLimit, kLimit), 0);
  // Checkpoints no proof could give, and parts there is nothing to prove for.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Checkpoint none{};
  ASSERT_EQ(ProvenCount({nan, 0, 0, 1}, kLimit, kLimit, nullptr, &none), 0);
  EXPECT_EQ(none.step, 0);
  EXPECT_EQ(ProvenCountFrom(inside, none, kLimit, kLimit), 0);
  for (double Checkpoint::*field :
       {&Checkpoint::x, &Checkpoint::y, &Checkpoint::ax, &Checkpoint::ay, &Checkpoint::rest}) {
    for (double bad : {inf, nan}) {
      Checkpoint broken = from;
      broken.*field = bad;
      EXPECT_EQ(ProvenCountFrom(inside, broken, kLimit, kLimit), 0);
    }
  }
  Checkpoint unbounded = from;
  unbounded.box = {-inf, inf, -inf, inf};
  EXPECT_EQ(ProvenCountFrom(inside, unbounded, kLimit, kLimit), 0);
  EXPECT_EQ(ProvenCountFrom({reMid, re, im, im}, from, kLimit, kLimit), 0);  // reversed
  EXPECT_EQ(ProvenCountFrom(inside, from, 1, 1), 0);
}

// Checkpoints alike bit for bit (a zero's sign included).
bool Same(const Checkpoint& a, const Checkpoint& b) {
  return std::memcmp(&a.box, &b.box, sizeof a.box) == 0 && a.step == b.step &&
         std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
         std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y) &&
         std::bit_cast<std::uint64_t>(a.ax) == std::bit_cast<std::uint64_t>(b.ax) &&
         std::bit_cast<std::uint64_t>(a.ay) == std::bit_cast<std::uint64_t>(b.ay) &&
         std::bit_cast<std::uint64_t>(a.rest) == std::bit_cast<std::uint64_t>(b.rest);
}

const Checkpoint kUntouched{{-1, -1, -1, -1}, -1, -1, -1, -1, -1, -1};

// The vector version proves exactly what the scalar one proves, box by box, on every
// instruction set: boxes that escape early and late, that stay, that cannot be proven
// or must not be, in runs that fill no whole number of vectors.
TEST(TileProof, TheVectorProofIsTheScalarOneOnEveryInstructionSet) {
  std::vector<Box> boxes = RandomBoxes(4001, 77);
  for (const Tile& tile : TilesOf(-0.7454, 0.1130, -0.7449, 0.1135)) boxes.push_back(tile.box);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double max = std::numeric_limits<double>::max();
  for (const Box& b : {Box{-inf, 0, 0, 1}, Box{0, 1, nan, 1}, Box{1, 0, 0, 1},
                       Box{-max, max, -max, max}, Box{-2, -2, 0, 0}, Box{-1e-310, 1e-310, 0, 0},
                       Box{-0.125, -0.12, 0.742, 0.747}}) {
    boxes.push_back(b);
  }
  const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
  ASSERT_GE(targets.size(), 2u);
  for (std::int64_t target : targets) {
    hwy::SetSupportedTargetsForTest(target);
    for (int limit : {1, 2, 7, kLimit, 1000}) {
      for (int mostSteps : {0, 6, limit}) {
        for (int n : {static_cast<int>(boxes.size()), 3}) {
          std::vector<int> counts(static_cast<std::size_t>(n) + 1, -1), stopped = counts;
          std::vector<Checkpoint> checkpoints(static_cast<std::size_t>(n) + 1, kUntouched);
          ProvenCounts(boxes.data(), n, limit, mostSteps, counts.data(), stopped.data(),
                       checkpoints.data());
          for (int i = 0; i < n; ++i) {
            int stoppedAt = -1;
            Checkpoint checkpoint{};
            ASSERT_EQ(counts[i], ProvenCount(boxes[i], limit, mostSteps, &stoppedAt, &checkpoint))
                << Describe(boxes[i]) << ", limit " << limit << ", most steps " << mostSteps << ", "
                << hwy::TargetName(target);
            ASSERT_EQ(stopped[i], stoppedAt) << Describe(boxes[i]) << ", limit " << limit;
            ASSERT_TRUE(Same(checkpoints[i], checkpoint))
                << Describe(boxes[i]) << ", limit " << limit;
          }
          ASSERT_EQ(counts[n], -1) << "wrote past the last box";
          ASSERT_EQ(stopped[n], -1) << "wrote past the last box";
          ASSERT_TRUE(Same(checkpoints[n], kUntouched)) << "wrote past the last box";
          // Without checkpoints, the same counts.
          std::vector<int> alone(static_cast<std::size_t>(n));
          ProvenCounts(boxes.data(), n, limit, mostSteps, alone.data());
          for (int i = 0; i < n; ++i) ASSERT_EQ(alone[i], counts[i]) << Describe(boxes[i]);
        }
      }
    }
  }
  hwy::SetSupportedTargetsForTest(0);
}

// The vector version of taking parts up is the scalar one too, on every instruction set:
// quarters and other parts of boxes from their checkpoints, parts that reach out of
// their boxes, and checkpoints no proof could give, in runs of every length.
TEST(TileProof, TheVectorPartsAreTheScalarOnesOnEveryInstructionSet) {
  std::vector<Box> boxes = RandomBoxes(3000, 78);
  for (const Tile& tile : TilesOf(-0.74545, 0.11305, -0.74535, 0.11315)) boxes.push_back(tile.box);
  std::mt19937_64 random(21);
  std::uniform_int_distribution<int> pick(0, 7);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<Box> parts;
  std::vector<Checkpoint> from;
  for (const Box& b : boxes) {
    Checkpoint c{};
    ProvenCount(b, kLimit, kLimit, nullptr, &c);
    const double midRe = 0.5 * b.reLo + 0.5 * b.reHi, midIm = 0.5 * b.imLo + 0.5 * b.imHi;
    Box part =
        pick(random) % 2 ? Box{b.reLo, midRe, midIm, b.imHi} : Box{midRe, b.reHi, b.imLo, midIm};
    switch (pick(random)) {
      case 0:
        part.reHi = std::nextafter(b.reHi, inf);
        break;  // out of the box
      case 1:
        c.step = 0;
        break;
      case 2:
        c.rest = nan;
        break;
      case 3:
        c.ax = inf;
        break;
      case 4:
        part = {b.reLo, b.reLo, b.imLo, b.imLo};
        break;
      default:
        break;
    }
    parts.push_back(part);
    from.push_back(c);
  }
  const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
  for (std::int64_t target : targets) {
    hwy::SetSupportedTargetsForTest(target);
    for (int limit : {1, 2, 7, kLimit}) {
      for (int mostSteps : {0, 6, 40, limit}) {
        for (int n : {static_cast<int>(parts.size()), 5}) {
          std::vector<int> counts(static_cast<std::size_t>(n) + 1, -1), stopped = counts;
          ProvenCountsFrom(parts.data(), from.data(), n, limit, mostSteps, counts.data(),
                           stopped.data());
          for (int i = 0; i < n; ++i) {
            int stoppedAt = -1;
            ASSERT_EQ(counts[i], ProvenCountFrom(parts[i], from[i], limit, mostSteps, &stoppedAt))
                << Describe(parts[i]) << " from step " << from[i].step << ", limit " << limit
                << ", most steps " << mostSteps << ", " << hwy::TargetName(target);
            ASSERT_EQ(stopped[i], stoppedAt) << Describe(parts[i]) << ", limit " << limit;
          }
          ASSERT_EQ(counts[n], -1) << "wrote past the last part";
          ASSERT_EQ(stopped[n], -1) << "wrote past the last part";
        }
      }
    }
  }
  hwy::SetSupportedTargetsForTest(0);
}

// A proof that took the box's centre for the whole box would be caught: the boxes above
// often hold points with other counts than their centre's.
TEST(TileProof, AProofThatIgnoredTheBoxWouldBeCaught) {
  std::mt19937_64 random(5);
  int caught = 0;
  for (const Box& b : RandomBoxes(3000, 2024)) {
    const double cr = 0.5 * b.reLo + 0.5 * b.reHi, ci = 0.5 * b.imLo + 0.5 * b.imHi;
    const int centre = ProvenCount({cr, cr, ci, ci}, kLimit, kLimit);
    if (centre == 0) continue;
    for (const auto& [re, im] : Samples(b, random)) {
      if (EscapeCount(re, im, kLimit) != centre) {
        ++caught;
        break;
      }
    }
  }
  EXPECT_GT(caught, 100);
}

bool MainPartsTake(const interior::Test& test, double re, double im) {
  return interior::InCardioid(test, re, im) || interior::InDisc(test, re, im);
}

// Boxes around the main cardioid and the disc about -1, most of them close to their
// edges, the cusp at 0.25 and the pinch at -0.75: whatever box the interval bounds take,
// the interior test takes every point of it, with either version's constants.
TEST(TileProof, TheInteriorTestTakesEveryPointOfABoxInTheMainParts) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> angle(0, 6.283185307179586), logSide(-12, -0.7),
      depth(-0.05, 0.02), unit(0, 1);
  for (const interior::Test* test : {&interior::kUpToLimit150, &interior::kForAnyLimit}) {
    int taken = 0;
    for (int i = 0; i < 40000; ++i) {
      // A point near the edge of the cardioid (1 - e^it) e^it / 2 or of the disc, pushed in
      // or out a little.
      const double t = angle(random), r = 1 + depth(random);
      double cr, ci;
      if (i % 3 == 0) {
        cr = -1 + 0.25 * r * std::cos(t);
        ci = 0.25 * r * std::sin(t);
      } else {
        cr = r * (0.5 * std::cos(t) - 0.25 * std::cos(2 * t));
        ci = r * (0.5 * std::sin(t) - 0.25 * std::sin(2 * t));
      }
      if (i % 7 == 0) cr = unit(random) < 0.5 ? 0.25 : -0.75;
      const double side = std::pow(10.0, logSide(random)) * unit(random);
      const Box b{cr - side, cr + side * unit(random), ci - side * unit(random), ci + side};
      if (!InMainParts(b, *test)) continue;
      ++taken;
      for (const auto& [re, im] : Samples(b, random)) {
        ASSERT_TRUE(MainPartsTake(*test, re, im)) << Describe(b) << ", point " << re << " " << im;
      }
    }
    EXPECT_GT(taken, 5000);
  }
}

TEST(TileProof, BoxesTheInteriorTestDoesNotTakeWhole) {
  const interior::Test& test = interior::kUpToLimit150;
  // Deep inside the cardioid and the disc, and a tile of the first view.
  EXPECT_TRUE(InMainParts({-0.3, -0.2, -0.1, 0.1}, test));
  EXPECT_TRUE(InMainParts({-1.1, -0.9, -0.1, 0.1}, test));
  EXPECT_TRUE(InMainParts({-0.0608, -0.0020, 0.0020, 0.0608}, test));
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Box bad[] = {
      {-0.3, -0.2, -0.1, inf}, {nan, -0.2, -0.1, 0.1}, {-0.2, -0.3, -0.1, 0.1},  // reversed
      {0.2, 0.3, -0.05, 0.05},                  // across the cusp
      {-0.8, -0.7, -0.05, 0.05},                // across the pinch
      {-0.2, -0.1, 0.6, 0.7},                   // across the top of the cardioid
      {-1.3, -1.2, -0.01, 0.01},                // across the disc's far edge
      {-1e300, 1e300, -1e300, 1e300},            // far out: nothing of it is bounded
  };
  for (const Box& b : bad) EXPECT_FALSE(InMainParts(b, test)) << Describe(b);
  // The scaled-down cardioid of the other version leaves out what the whole one takes.
  const Box rim{0.2475, 0.2485, 0.4955, 0.4965};  // below the top of the cardioid
  EXPECT_TRUE(InMainParts(rim, test));
  EXPECT_FALSE(InMainParts(rim, interior::kForAnyLimit));
}

}  // namespace
