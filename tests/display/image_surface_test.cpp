#include "display/image_surface.h"

#include <gtest/gtest.h>

#include "display/device.h"
#include "fake_surface.h"

namespace {

class ImageSurfaceTest : public ::testing::Test {
 protected:
  void TearDown() override { backBuffer = nullptr; }
  FakeDevice device;
};

TEST_F(ImageSurfaceTest, UnknownMemoryKindsMakeNoSurfaceAndReportFailure) {
  ImageSurface image(&device);
  image.memoryKind = 2;
  EXPECT_NE(image.Create(64, 64), DD_OK);
  EXPECT_TRUE(device.requests.empty());
  EXPECT_EQ(image.GetSurface(), nullptr);
  EXPECT_EQ(image.width, 0);
}

TEST_F(ImageSurfaceTest, CreateAsksForTheMemoryKindAndRecordsThePitch) {
  ImageSurface image(&device);
  image.memoryKind = VideoMemory;
  ASSERT_EQ(image.Create(128, 64), DD_OK);
  ASSERT_EQ(device.requests.size(), 1u);
  const DDSURFACEDESC& asked = device.requests[0];
  EXPECT_EQ(asked.dwSize, 108u);
  EXPECT_EQ(asked.dwFlags, DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH);
  EXPECT_EQ(asked.ddsCaps.dwCaps, 0x4040u);
  EXPECT_EQ(image.pitch, 128 * 4 + 16);
  image.memoryKind = SystemMemory;
  image.Create(8, 8);
  EXPECT_EQ(device.requests[1].ddsCaps.dwCaps, 0x840u);
}

TEST_F(ImageSurfaceTest, AFailedCreationKeepsTheSizeButHasNoSurface) {
  device.fail = DDERR_OUTOFMEMORY;
  ImageSurface image(&device);
  EXPECT_EQ(image.Create(32, 16), DDERR_OUTOFMEMORY);
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.GetSurface(), nullptr);
  std::uint8_t* pixels = nullptr;
  EXPECT_EQ(image.Lock(pixels), 0);
}

TEST_F(ImageSurfaceTest, TheColourKeyFollowsTheBackBufferDepth) {
  FakeSurface deep(1200, 1024, 32), shallow(1200, 1024, 16);
  backBuffer = &deep;
  ImageSurface a(&device);
  a.InitBlank(128, 128, 1, 1, 255, 0, 255, VideoMemory);
  auto* surfaceA = device.surfaces.back().get();
  EXPECT_EQ(surfaceA->colourKey.dwColorSpaceLowValue, 0x00FF00FFu);
  EXPECT_EQ(surfaceA->colourKey.dwColorSpaceHighValue, 0x00FF00FFu);
  EXPECT_EQ(surfaceA->keyFlags, DDCKEY_SRCBLT);
  EXPECT_EQ((std::vector<int>{a.keyBlue, a.keyGreen, a.keyRed}), (std::vector<int>{255, 0, 255}));
  EXPECT_EQ(a.tileColumns, 1);

  backBuffer = &shallow;
  ImageSurface b(&device);
  b.InitBlank(128, 128, 1, 1, 255, 0, 255, VideoMemory);
  EXPECT_EQ(device.surfaces.back()->colourKey.dwColorSpaceLowValue, 0xF81Fu);
  EXPECT_EQ((std::vector<int>{b.keyBlue, b.keyGreen, b.keyRed}), (std::vector<int>{31, 0, 31}));
}

TEST_F(ImageSurfaceTest, LockAndUnlockPairUp) {
  ImageSurface image(&device);
  image.memoryKind = SystemMemory;
  image.Create(4, 4);
  FakeSurface* surface = device.surfaces.back().get();
  const int before = surface->calls;
  EXPECT_EQ(image.Unlock(), 0);  // nothing locked: no platform call
  EXPECT_EQ(surface->calls, before);

  std::uint8_t* pixels = nullptr;
  ASSERT_EQ(image.Lock(pixels), 1);
  EXPECT_EQ(pixels, surface->pixels.data());
  EXPECT_EQ(image.Unlock(), 1);
  EXPECT_EQ(surface->unlockedAt, surface->pixels.data());
  EXPECT_EQ(image.Unlock(), 0);

  surface->failLock = true;
  std::uint8_t* untouched = reinterpret_cast<std::uint8_t*>(&image);
  EXPECT_EQ(image.Lock(untouched), 0);
  EXPECT_EQ(untouched, reinterpret_cast<std::uint8_t*>(&image));
}

TEST_F(ImageSurfaceTest, DestructionLeavesThePlatformSurfaceAlone) {
  auto* image = new ImageSurface(&device);
  image->memoryKind = SystemMemory;
  image->Create(4, 4);
  FakeSurface* surface = device.surfaces.back().get();
  const int before = surface->calls;
  delete image;
  EXPECT_EQ(surface->calls, before);
}

}  // namespace
