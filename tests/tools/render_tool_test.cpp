// Runs the real mandelbrot-render executable, as a user would.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fractal/memory_target.h"
#include "fractal/render.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int status;
  std::string err;
  std::string out;
};

class RenderTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("render-tool-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  ToolRun Tool(const std::string& args) {
    const std::string out = (dir_ / "stdout.txt").string(), err = (dir_ / "stderr.txt").string();
    const std::string command = "cd '" + dir_.string() + "' && '" RENDER_TOOL "' " + args + " >'" +
                                out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    ToolRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(err), Slurp(out)};
    fs::remove(out);
    fs::remove(err);
    return run;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<fs::path> Files() const {
    std::vector<fs::path> files;
    for (auto& entry : fs::directory_iterator(dir_)) files.push_back(entry.path().filename());
    return files;
  }
  fs::path dir_;
};

// Reads an 8-bit RGB PNG into rows of r, g, b bytes.
bool ReadPng(const fs::path& path, int& width, int& height, std::vector<png_byte>& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

TEST_F(RenderTool, WritesTheRendererBytesAsRgb) {
  const ToolRun run = Tool("--view -0.75 -1e-1 -0.5 0.15 --size 40x30 --output pic.png");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  int w = 0, h = 0;
  std::vector<png_byte> rgb;
  ASSERT_TRUE(ReadPng(dir_ / "pic.png", w, h, rgb));
  ASSERT_EQ(w, 40);
  ASSERT_EQ(h, 30);
  MemoryTarget expected(40, 30);
  RenderMandelbrotPlain(expected, -0.75, -0.1, -0.5, 0.15, kIterationLimit);
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      const png_byte* got = &rgb[(r * w + c) * 3];
      const std::uint8_t* want = expected.Pixel(c, r);
      ASSERT_EQ(got[0], want[2]) << c << "," << r;
      ASSERT_EQ(got[1], want[1]) << c << "," << r;
      ASSERT_EQ(got[2], want[0]) << c << "," << r;
    }
  }
  // Nothing but the picture: no temporary left behind.
  EXPECT_EQ(Files(), std::vector<fs::path>{"pic.png"});
}

TEST_F(RenderTool, DefaultsRenderTheInitialView) {
  ASSERT_EQ(Tool("").status, 0);
  int w = 0, h = 0;
  std::vector<png_byte> rgb;
  ASSERT_TRUE(ReadPng(dir_ / "mandelbrot.png", w, h, rgb));
  ASSERT_EQ(w, 512);
  ASSERT_EQ(h, 512);
  EXPECT_EQ((std::vector<int>{rgb[0], rgb[1], rgb[2]}), (std::vector<int>{0, 0, 45}));
  const png_byte* right = &rgb[511 * 3];
  EXPECT_EQ((std::vector<int>{right[0], right[1], right[2]}), (std::vector<int>{0, 0, 30}));
}

TEST_F(RenderTool, SeventeenDigitsComeBackAsTheSameDouble) {
  const ToolRun run =
      Tool("--verbose --view 0.10000000000000001 -1e-12 1.2250000000000001 2 --size 2");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("view 0.10000000000000001 -9.9999999999999998e-13 1.2250000000000001 2"),
            std::string::npos)
      << run.out;
}

TEST_F(RenderTool, BadArgumentsGetOneLineAndStatusTwo) {
  const struct {
    const char* args;
    const char* mentions;
  } cases[] = {
      {"--view 1 2 x 4", "'x'"},
      {"--view 1 2 3", "four numbers"},
      {"--view nan 0 1 1", "'nan'"},
      {"--view 0 inf 1 1", "'inf'"},
      {"--view 0 0 1e999 1", "'1e999'"},
      {"--view 0 0 1 ''", "''"},
      {"--size 1", "out of range"},
      {"--size 16385", "out of range"},
      {"--size 64x1", "out of range"},
      {"--size 64x", "'64x'"},
      {"--size -4", "'-4'"},
      {"--size 12abc", "'12abc'"},
      {"--size", "needs a value"},
      {"--colour red", "unknown option '--colour'"},
      {"--output", "needs a file name"},
      {"--size 8 --output no/such/folder/x.png", "no/such/folder/x.png"},
      {"--bench", "needs a count"},
      {"--size 8 --bench 0", "'0' is out of range"},
      {"--size 8 --bench 100001", "'100001' is out of range"},
      {"--size 8 --bench -3", "'-3'"},
      {"--size 8 --bench 5x", "'5x'"},
      {"--size 8 --bench ''", "''"},
      {"--size 8 --bench 1e3", "'1e3'"},
      {"--size 8 --bench 9999999999", "'9999999999'"},
      {"--size 8 --plain --bench two", "'two'"},
      {"--size 8 --bench 2 --output no/such/folder/x.png", "no/such/folder/x.png"},
      {"--size 8 --isa", "needs an instruction set"},
      {"--size 8 --isa ''", "needs an instruction set"},
      {"--size 8 --isa MMX --output m.png", "no instruction set 'MMX' here (have: "},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_NE(run.err.find(c.mentions), std::string::npos) << c.args << " -> " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.args;
    EXPECT_TRUE(Files().empty()) << c.args;  // nothing written, nothing half-written
  }
}

TEST_F(RenderTool, AnUnwritableOutputLeavesNoFileBehind) {
  fs::create_directory(dir_ / "locked");
  fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  const ToolRun run = Tool("--size 8 --output locked/x.png");
  fs::permissions(dir_ / "locked", fs::perms::owner_all);
  if (geteuid() != 0) {
    EXPECT_EQ(run.status, 2);  // root may write anywhere
  }
  const ToolRun dir_as_file = Tool("--size 8 --output locked");
  EXPECT_EQ(dir_as_file.status, 2);
  EXPECT_NE(dir_as_file.err.find("'locked'"), std::string::npos) << dir_as_file.err;
  std::vector<fs::path> left;
  for (auto& entry : fs::directory_iterator(dir_ / "locked")) left.push_back(entry.path());
  if (geteuid() != 0) {
    EXPECT_TRUE(left.empty());
  }
}

TEST_F(RenderTool, BenchReportsTheMedianAndWritesOnlyWhenAsked) {
  for (const char* renderer : {"", "--plain "}) {
    const ToolRun run = Tool(std::string(renderer) + "--bench 3 --size 24x16");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find(*renderer ? "plain renderer" : "fast renderer"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("3 renders of 24x16, median "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("pixel-iterations/s"), std::string::npos) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    EXPECT_TRUE(Files().empty()) << renderer;  // no --output: no picture
  }
  // Pixel-iterations are the orbit steps the plain loop performs: one for a point that
  // escapes at once, limit - 1 = 149 for a point of the set.
  const ToolRun outside = Tool("--bench 1 --view 3 3 4 4 --size 2");
  EXPECT_NE(outside.out.find(", 4 pixel-iterations per render"), std::string::npos) << outside.out;
  const ToolRun inside = Tool("--bench 1 --view 0 0 0 0 --size 3x2");
  EXPECT_NE(inside.out.find(", 894 pixel-iterations per render"), std::string::npos) << inside.out;

  // With --output the last render is written, and it is the renderer's picture.
  for (const char* renderer : {"", "--plain "}) {
    ASSERT_EQ(Tool(std::string(renderer) + "--bench 2 --view -0.75 -0.1 -0.5 0.15 --size 20x10 "
                                           "--output b.png")
                  .status,
              0);
    int w = 0, h = 0;
    std::vector<png_byte> rgb;
    ASSERT_TRUE(ReadPng(dir_ / "b.png", w, h, rgb)) << renderer;
    MemoryTarget expected(20, 10);
    RenderMandelbrotPlain(expected, -0.75, -0.1, -0.5, 0.15, kIterationLimit);
    for (int i = 0; i < 20 * 10; ++i) {
      const std::uint8_t* want = expected.Pixel(i % 20, i / 20);
      ASSERT_EQ((std::vector<int>{rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]}),
                (std::vector<int>{want[2], want[1], want[0]}))
          << renderer << " pixel " << i;
    }
    fs::remove(dir_ / "b.png");
  }
}

TEST_F(RenderTool, PlainWritesTheSamePicture) {
  ASSERT_EQ(Tool("--size 33x17 --output fast.png").status, 0);
  ASSERT_EQ(Tool("--plain --size 33x17 --output plain.png").status, 0);
  int w = 0, h = 0;
  std::vector<png_byte> fast, plain;
  ASSERT_TRUE(ReadPng(dir_ / "fast.png", w, h, fast));
  ASSERT_TRUE(ReadPng(dir_ / "plain.png", w, h, plain));
  EXPECT_EQ(fast, plain);
}

TEST_F(RenderTool, EveryInstructionSetWritesTheSamePictureAndSaysWhichItUsed) {
  ASSERT_EQ(Tool("--plain --size 41x23 --view -1.8 -0.9 0.6 0.9 --output plain.png").status, 0);
  int w = 0, h = 0;
  std::vector<png_byte> plain;
  ASSERT_TRUE(ReadPng(dir_ / "plain.png", w, h, plain));
  for (const std::string& isa : RenderInstructionSets()) {
    const ToolRun run = Tool("--isa " + isa + " --size 41x23 --view -1.8 -0.9 0.6 0.9 --output " +
                             isa + ".png --bench 1");
    ASSERT_EQ(run.status, 0) << isa << ": " << run.err;
    EXPECT_NE(run.out.find("fast renderer, " + isa + ", "), std::string::npos) << run.out;
    std::vector<png_byte> fast;
    ASSERT_TRUE(ReadPng(dir_ / (isa + ".png"), w, h, fast)) << isa;
    EXPECT_EQ(fast, plain) << isa;
  }
}

TEST_F(RenderTool, HelpExplainsTheOptions) {
  const ToolRun run = Tool("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* option : {"--view", "--size", "--output", "--verbose", "--bench", "--plain"}) {
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
  }
}

}  // namespace
