#include <hwy/targets.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "fractal/escape.h"
#include "fractal/gradient.h"
#include "fractal/interior.h"
#include "fractal/render.h"
#include "fractal/render_kernel.h"
#include "fractal/thread_pool.h"
#include "fractal/tile_proof.h"

namespace {

using fractal_kernel::kRowPadding;

// Counts up to this limit get a colour table indexed by the count itself; larger ones
// (no view of the program uses them) fold the count per pixel first.
constexpr int kLargestTabledLimit = 4096;

// Bytes 0..2 of the colour of every count a render with one limit can give, packed as
// byte0 | byte1 << 8 | byte2 << 16. Built with the very functions the plain pass calls
// per pixel, so it agrees with it by construction.
class ColourTable {
 public:
  explicit ColourTable(int limit) {
    const int counts = std::min(std::max(limit, 1), kLargestTabledLimit) + 2;
    byCount_.resize(static_cast<std::size_t>(counts));
    for (int count = 0; count < counts; ++count) {
      byCount_[static_cast<std::size_t>(count)] = Colour(WrapModulo(count, kColourCycle));
    }
    // The folded indexes lie in 0 .. kColourCycle.
    for (int index = 0; index <= kColourCycle; ++index) {
      byIndex_[static_cast<std::size_t>(index)] = Colour(index);
    }
  }

  // The colours by count, for a render whose every count has one: a limit no larger
  // than kLargestTabledLimit.
  bool ByCountOnly(int limit) const { return limit <= kLargestTabledLimit; }
  const std::uint32_t* ByCount() const { return byCount_.data(); }
  int Counts() const { return static_cast<int>(byCount_.size()); }

  std::uint32_t operator()(int count) const {
    if (static_cast<std::size_t>(count) < byCount_.size()) {
      return byCount_[static_cast<std::size_t>(count)];
    }
    return byIndex_[static_cast<std::size_t>(WrapModulo(count, kColourCycle))];
  }

 private:
  static std::uint32_t Colour(int index) {
    std::uint8_t b0 = 0, b1 = 0, b2 = 0;
    GradientLookup(index, kPaletteLength, MandelbrotKeys, kPaletteSegments, b0, b1, b2);
    return std::uint32_t{b0} | std::uint32_t{b1} << 8 | std::uint32_t{b2} << 16;
  }

  std::vector<std::uint32_t> byCount_;
  std::array<std::uint32_t, kColourCycle + 1> byIndex_{};
};

const ColourTable& ColoursFor(int limit, std::optional<ColourTable>& scratch) {
  // The program renders every frame with the same limit: build that table once.
  static const ColourTable program(kIterationLimit);
  if (limit == kIterationLimit) return program;
  return scratch.emplace(limit);
}

std::atomic<int> requestedThreads{0};
// The instruction set RenderPixels is held to; 0 when it takes the best.
std::atomic<std::int64_t> forcedTarget{0};

int RoundUp(int value, int multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

ThreadPool& Pool() {
  // Destroyed (its idle workers joined) with the other statics when the program ends.
  static ThreadPool pool;
  return pool;
}

// Sample points accumulated exactly as the plain pass steps through them: start, then
// start + step, then that + step, ..., each sum rounded. Padded with `pad` up to a
// multiple of `multiple` values.
void Samples(double start, double step, int count, int multiple, double pad,
             std::vector<double>& values) {
  values.assign(static_cast<std::size_t>(RoundUp(count, multiple)), pad);
  double value = start;
  for (int i = 0; i < count; ++i) {
    values[static_cast<std::size_t>(i)] = value;
    value = value + step;
  }
}

// Rows handed to a thread at a time: the long orbits of a few rows together fill the
// kernel's vectors, and a frame still splits into enough pieces to share out evenly.
constexpr int kRowsPerItem = 4;

// Data that one thread writes while others read it goes in cache lines of its own: a
// line moves between the cores at every write. On the virtual machines measured, when
// the two cores sat far apart on the processor, a few hundred moves cost a render tens
// of microseconds.
constexpr std::size_t kCacheLine = 64;

// Square tiles of pixels that a proof settles whole (tile_proof.h), and their quarters,
// proven where the whole tile is not, each from the tile's checkpoint on. A quarter is as
// wide as the spans the kernel takes as known, and a whole number of items tall, so that
// the rows of an item lie in one band of quarters.
constexpr int kSpan = fractal_kernel::kKnownSpan;
constexpr int kTile = 2 * kSpan;
static_assert(kSpan % kRowsPerItem == 0, "an item's rows lie in one band of quarters");

// The quarters of a tile are proven when the tile's own proof held this many steps before
// it failed. Quarters cost four proofs for a quarter of the pixels each, and pay where
// all of a tile's pixels run long: near the edge of the set, where the tile's orbits
// spread too wide to be bounded together but a quarter's do not (a view 1e-4 wide about
// -0.7454 + 0.1131i renders a fifth faster). Where tiles fail early, as in the first
// view, their quarters seldom hold.
constexpr int kQuarterFrom = 32;

// The tiles of a render, proven row by row. A thread, at its first item, proves the rows
// from that item's on, one after the other, until it comes to one another thread has
// taken: each thread starts on items of its own (thread_pool.h), so each proves the rows
// of its own items, at once, and the threads prove side by side. A row that nobody has
// taken by the time an item needs it is proven by that item's thread. A row's state and
// its counts are written by the thread that proves it, and each has cache lines of its
// own; so has what every item reads, apart from the caller's other variables, which it
// writes all through the render. Taken row by row from one counter instead, the rows
// and their counts went from core to core at every render.
class alignas(kCacheLine) Tiles {
 public:
  // `render` numbers the render among all renders of the process.
  void Reset(int width, int height, std::uint64_t render) {
    columns_ = (width + kSpan - 1) / kSpan;
    rows_ = (height + kTile - 1) / kTile;
    // Each row's counts start a cache line: rows proven by different threads share none.
    rowStride_ = RoundUp(2 * columns_, kLineCounts);
    const std::size_t n =
        static_cast<std::size_t>(rowStride_) * static_cast<std::size_t>(rows_) + kLineCounts;
    if (n > known_.size()) known_.resize(n);
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(known_.data());
    rows0_ = known_.data() + (kCacheLine - at % kCacheLine) % kCacheLine / sizeof(std::int32_t);
    if (static_cast<std::size_t>(rows_) > rowCapacity_) {
      states_ = std::make_unique<State[]>(static_cast<std::size_t>(rows_));
      rowCapacity_ = static_cast<std::size_t>(rows_);
    }
    // The rows' states of earlier renders all read as not taken, so none is written here.
    render_ = render;
  }

  // The spans of a band of quarters.
  int Columns() const { return columns_; }

  // The counts of the quarters of the tiles of row `row` (0: not proven), once all of
  // them are proven: the upper band, then the lower one, span by span. prove(r, known)
  // gives them for row r.
  template <class ProveRow>
  const std::int32_t* Row(int row, ProveRow prove) {
    thread_local std::uint64_t swept = 0;
    if (swept != render_) {
      swept = render_;
      for (int r = row; r < rows_ && Take(r); ++r) Prove(r, prove);
    }
    std::atomic<std::uint64_t>& state = states_[static_cast<std::size_t>(row)].value;
    if (state.load(std::memory_order_acquire) != Proven()) {
      if (Take(row)) {
        Prove(row, prove);
      } else {
        WaitUntil([&] { return state.load(std::memory_order_acquire) == Proven(); });
      }
    }
    return RowCounts(row);
  }

 private:
  // A row's state: below Taken(), nobody has taken it in this render; Taken(), a thread
  // proves it; Proven(), its counts are there.
  struct alignas(kCacheLine) State {
    std::atomic<std::uint64_t> value{0};
  };
  std::uint64_t Taken() const { return 2 * render_ + 1; }
  std::uint64_t Proven() const { return 2 * render_ + 2; }

  bool Take(int row) {
    std::atomic<std::uint64_t>& state = states_[static_cast<std::size_t>(row)].value;
    std::uint64_t seen = state.load(std::memory_order_relaxed);
    while (seen < Taken()) {
      if (state.compare_exchange_weak(seen, Taken(), std::memory_order_relaxed)) return true;
    }
    return false;
  }
  template <class ProveRow>
  void Prove(int row, ProveRow& prove) {
    prove(row, RowCounts(row));
    states_[static_cast<std::size_t>(row)].value.store(Proven(), std::memory_order_release);
  }

  static constexpr int kLineCounts = static_cast<int>(kCacheLine / sizeof(std::int32_t));

  std::int32_t* RowCounts(int row) { return rows0_ + std::ptrdiff_t{row} * rowStride_; }

  int columns_ = 0;
  int rows_ = 0;
  int rowStride_ = 0;
  std::uint64_t render_ = 0;
  std::vector<std::int32_t> known_;
  std::int32_t* rows0_ = nullptr;  // the first cache line of known_
  std::unique_ptr<State[]> states_;
  std::size_t rowCapacity_ = 0;
};

struct Job {
  const PixelGrid* grid;
  RenderView view;
  std::uint64_t render;  // numbers the render among all of the process
  // The sample points: each thread computes them for itself at its first item (they are
  // the same doubles on every thread). Read from the caller's, their cache lines went
  // from core to core at every render.
  const double* re;
  const double* im;
  int limit;
  const ColourTable* colours;
  fractal_kernel::CountRowsFunction countRows;
  decltype(fractal_kernel::RowKernel::paintRow) paintRow;
  Tiles* tiles;  // null: no tile is proven
};

// The sample points of columns [left, right] and rows [top, bottom], or false when one
// of them is not finite.
bool TileBox(const Job& job, int left, int right, int top, int bottom, tile_proof::Box& box) {
  const double re0 = job.re[left], re1 = job.re[right];
  const double im0 = job.im[top], im1 = job.im[bottom];
  if (!std::isfinite(re0) || !std::isfinite(re1) || !std::isfinite(im0) || !std::isfinite(im1))
    return false;
  // The samples run monotonically from one end to the other.
  box = {std::min(re0, re1), std::max(re0, re1), std::min(im0, im1), std::max(im0, im1)};
  return true;
}

// Boxes to prove, and where their counts go; for parts of boxes, the checkpoints of those
// boxes' proofs.
struct Proofs {
  std::vector<tile_proof::Box> boxes;
  std::vector<tile_proof::Checkpoint> from, checkpoints;
  std::vector<int> where, counts, stopped;

  void Clear() {
    boxes.clear();
    from.clear();
    where.clear();
  }
  void Add(const tile_proof::Box& box, int at) {
    boxes.push_back(box);
    where.push_back(at);
  }
  void AddPart(const tile_proof::Box& box, const tile_proof::Checkpoint& of, int at) {
    Add(box, at);
    from.push_back(of);
  }
  // The proofs of whole boxes, which keep their checkpoints.
  void Run(int limit) {
    counts.resize(boxes.size());
    stopped.resize(boxes.size());
    checkpoints.resize(boxes.size());
    tile_proof::ProvenCounts(boxes.data(), static_cast<int>(boxes.size()), limit, limit,
                             counts.data(), stopped.data(), checkpoints.data());
  }
  // The proofs of parts.
  void RunParts(int limit) {
    counts.resize(boxes.size());
    stopped.resize(boxes.size());
    tile_proof::ProvenCountsFrom(boxes.data(), from.data(), static_cast<int>(boxes.size()), limit,
                                 limit, counts.data(), stopped.data());
  }
};

// The bands of quarters of row `row` of tiles: known[band * columns + span] = the count
// every pixel of that quarter gets; or, where no proof shows one, minus the least count
// any of them can get (the step its proof stopped at, which the kernel need not test up
// to), or 0.
void ProveTileRow(const Job& job, int row, int columns, std::int32_t* known) {
  const int w = job.grid->width, h = job.grid->height;
  const int top = row * kTile, bottom = std::min(top + kTile, h) - 1;
  const interior::Test& test = interior::TestFor(job.limit);
  // Each proof follows its orbits as far as the limit: run a vector of boxes at a time, a
  // step of the proof costs a tile a few per cent of what a step of its 256 pixels costs,
  // and the tiles proven late are the dear ones, bands of one count on the edge of the
  // set and small copies of it whose pixels stay in.
  thread_local Proofs tiles, quarters;
  tiles.Clear();
  quarters.Clear();
  std::fill(known, known + 2 * columns, 0);
  const double imMid = job.im[(top + bottom) / 2];
  // use(at, box) for each quarter of tile t that lies in the picture: its place in
  // `known` (band * columns + span) and the box of its samples.
  const auto eachQuarter = [&](int t, auto use) {
    const int left = t * kTile, right = std::min(left + kTile, w) - 1;
    for (int p = 0; p < 4; ++p) {
      const int qLeft = left + p % 2 * kSpan, qTop = top + p / 2 * kSpan;
      if (qLeft > right || qTop > bottom) continue;
      tile_proof::Box box;
      if (!TileBox(job, qLeft, std::min(qLeft + kSpan - 1, right), qTop,
                   std::min(qTop + kSpan - 1, bottom), box))
        continue;
      use(p / 2 * columns + 2 * t + p % 2, box);
    }
  };
  for (int t = 0; t * kTile < w; ++t) {
    const int left = t * kTile, right = std::min(left + kTile, w) - 1;
    tile_proof::Box box;
    if (!TileBox(job, left, right, top, bottom, box)) continue;
    // A tile whose centre the interior test takes is left to it, unless it takes the
    // whole tile: then its pixels need not even be tested. Its orbits would take a proof
    // to the limit, and a tile across a component's edge has no one count.
    if (interior::InKnownComponent(test, job.re[(left + right) / 2], imMid)) {
      if (tile_proof::InMainParts(box, test)) {
        eachQuarter(t, [&](int at, const tile_proof::Box&) { known[at] = job.limit + 1; });
      }
      continue;
    }
    tiles.Add(box, t);
  }
  tiles.Run(job.limit);
  for (std::size_t i = 0; i < tiles.boxes.size(); ++i) {
    const int count = tiles.counts[i];
    if (count != 0) {
      eachQuarter(tiles.where[i], [&](int at, const tile_proof::Box&) { known[at] = count; });
      continue;
    }
    const int stopped = tiles.stopped[i];
    eachQuarter(tiles.where[i], [&](int at, const tile_proof::Box& q) {
      known[at] = -stopped;
      if (stopped >= kQuarterFrom) quarters.AddPart(q, tiles.checkpoints[i], at);
    });
  }
  quarters.RunParts(job.limit);
  for (std::size_t i = 0; i < quarters.boxes.size(); ++i) {
    const int at = quarters.where[i], count = quarters.counts[i];
    // A quarter's pixels stay in at least as long as its tile's.
    known[at] = count != 0 ? count : std::min(known[at], -quarters.stopped[i]);
  }
}

// The counts of the spans of the band of quarters that holds row `first` of the picture.
const std::int32_t* KnownTiles(const Job& job, int first) {
  if (job.tiles == nullptr) return nullptr;
  const int columns = job.tiles->Columns();
  const std::int32_t* row = job.tiles->Row(
      first / kTile, [&](int r, std::int32_t* known) { ProveTileRow(job, r, columns, known); });
  return row + first % kTile / kSpan * columns;
}

// The job with this thread's own sample points.
const Job& WithOwnSamples(const Job& shared) {
  thread_local Job job{};
  thread_local std::vector<double> re, im;
  if (job.render != shared.render) {
    const int w = shared.grid->width, h = shared.grid->height;
    const RenderView& view = shared.view;
    // The kernel reads whole vectors; the padding is never iterated.
    Samples(view.re0, (view.re1 - view.re0) / static_cast<double>(w - 1), w, kRowPadding, 16.0, re);
    Samples(view.im0, (view.im1 - view.im0) / static_cast<double>(h - 1), h, 1, 0.0, im);
    job = shared;
    job.re = re.data();
    job.im = im.data();
  }
  return job;
}

void RenderRows(void* context, int item) {
  const Job& job = WithOwnSamples(*static_cast<const Job*>(context));
  const int w = job.grid->width;
  const int first = item * kRowsPerItem;
  const int rows = std::min(kRowsPerItem, job.grid->height - first);
  const std::ptrdiff_t stride = RoundUp(w, kRowPadding);
  // Kept from item to item, by every thread that renders.
  thread_local std::vector<std::int32_t> counts;
  counts.resize(static_cast<std::size_t>(stride * rows));
  const std::int32_t* known = KnownTiles(job, first);
  job.countRows(job.re, w, job.im + first, rows, job.limit, counts.data(), stride, known);
  const ColourTable& colours = *job.colours;
  for (int r = 0; r < rows; ++r) {
    std::uint8_t* pixels = job.grid->first + job.grid->pitch * (first + r);
    const std::int32_t* count = counts.data() + stride * r;
    if (colours.ByCountOnly(job.limit)) {
      job.paintRow(count, w, colours.ByCount(), colours.Counts(), pixels);
      continue;
    }
    for (int c = 0; c < w; ++c) {
      const std::uint32_t colour = colours(count[c]);
      // Byte 3 belongs to the surface: three stores, never a four-byte one.
      pixels[4 * c] = static_cast<std::uint8_t>(colour);
      pixels[4 * c + 1] = static_cast<std::uint8_t>(colour >> 8);
      pixels[4 * c + 2] = static_cast<std::uint8_t>(colour >> 16);
    }
  }
}

}  // namespace

void SetRenderThreads(int threads) {
  requestedThreads.store(std::max(threads, 0));
}

int RenderThreads() {
  const int requested = requestedThreads.load();
  if (requested > 0) return requested;
  // Asked once: the library reads it from a file of the system's, which costs a few
  // microseconds of every frame.
  static const int processors = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  return processors;
}

const char* RenderInstructionSet() {
  return fractal_kernel::ChooseRowKernel().instructionSet;
}

namespace {

std::vector<std::int64_t> AvailableTargets() {
  // Highway narrows its list to the forced set: list them all, then force again.
  const std::int64_t forced = forcedTarget.load();
  hwy::SetSupportedTargetsForTest(0);
  std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
  hwy::SetSupportedTargetsForTest(forced);
  return targets;
}

bool SameName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::toupper(static_cast<unsigned char>(*a)) !=
        std::toupper(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

}  // namespace

std::vector<std::string> RenderInstructionSets() {
  std::vector<std::string> names;
  for (std::int64_t target : AvailableTargets()) names.emplace_back(hwy::TargetName(target));
  return names;
}

bool SetRenderInstructionSet(const char* name) {
  std::int64_t chosen = 0;
  if (name != nullptr && *name != '\0') {
    for (std::int64_t target : AvailableTargets()) {
      if (SameName(name, hwy::TargetName(target))) chosen = target;
    }
    if (chosen == 0) return false;
  }
  forcedTarget.store(chosen);
  hwy::SetSupportedTargetsForTest(chosen);
  return true;
}

namespace {

void RenderPixelsWith(const PixelGrid& grid, RenderView view, int limit,
                      fractal_kernel::CountRowsFunction countRows, bool proveTiles) {
  const int w = grid.width;
  const int h = grid.height;
  if (w <= 0 || h <= 0) return;
  // Numbered apart across all callers: a thread's last render is never another's.
  static std::atomic<std::uint64_t> renders{0};
  std::optional<ColourTable> scratch;
  Job job{&grid,
          view,
          renders.fetch_add(1, std::memory_order_relaxed) + 1,
          nullptr,
          nullptr,
          limit,
          &ColoursFor(limit, scratch),
          countRows,
          fractal_kernel::ChooseRowKernel().paintRow,
          nullptr};
  // Kept from render to render, by every thread that renders.
  thread_local Tiles tiles;
  if (proveTiles && limit > 1) {
    tiles.Reset(w, h, job.render);
    job.tiles = &tiles;
  }
  Pool().Run((h + kRowsPerItem - 1) / kRowsPerItem, RenderThreads(), &RenderRows, &job);
}

}  // namespace

void RenderPixels(const PixelGrid& grid, RenderView view, int limit) {
  RenderPixelsWith(grid, view, limit, fractal_kernel::ChooseRowKernel().countRows, true);
}

void RenderPixelsStepwise(const PixelGrid& grid, RenderView view, int limit) {
  RenderPixelsWith(grid, view, limit, fractal_kernel::ChooseRowKernel().countRowsStepwise,
                   false);
}
