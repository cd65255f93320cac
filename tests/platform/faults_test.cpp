// Injected DirectDraw failures.

#include "platform/faults.h"

#include <gtest/gtest.h>

#include "layer_test_support.h"
#include "platform/ddraw.h"

namespace layer_test {
namespace {

using platform::DdCall;

constexpr HRESULT kCode = static_cast<HRESULT>(0x8876017C);

HRESULT CreateDevice(IDirectDraw** device) {
  return DirectDrawCreate(nullptr, device, nullptr);
}

TEST(Faults, ACallFailsAfterItsSkipsForItsCount) {
  Start();
  platform::InjectFault(DdCall::DirectDrawCreate, kCode, 1, 2);
  IDirectDraw* device = nullptr;
  EXPECT_EQ(CreateDevice(&device), DD_OK);
  EXPECT_EQ(CreateDevice(&device), kCode);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(CreateDevice(&device), kCode);
  EXPECT_EQ(CreateDevice(&device), DD_OK);
}

TEST(Faults, EveryTimeUntilCleared) {
  Start();
  IDirectDraw* device = nullptr;
  ASSERT_EQ(CreateDevice(&device), DD_OK);
  platform::InjectFault(DdCall::CreateClipper, DDERR_GENERIC);
  IDirectDrawClipper* clipper = nullptr;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(device->CreateClipper(0, &clipper, nullptr), DDERR_GENERIC);
  platform::ClearFaults();
  EXPECT_EQ(device->CreateClipper(0, &clipper, nullptr), DD_OK);
}

TEST(Faults, InstallingAHostClearsThem) {
  Start();
  platform::InjectFault(DdCall::DirectDrawCreate, kCode);
  Start();
  IDirectDraw* device = nullptr;
  EXPECT_EQ(CreateDevice(&device), DD_OK);
}

TEST(Faults, EachCallHasItsOwnFault) {
  Start();
  HWND window = MakeShownWindow();
  IDirectDraw* device = nullptr;
  ASSERT_EQ(CreateDevice(&device), DD_OK);
  platform::InjectFault(DdCall::SetCooperativeLevel, kCode, 0, 1);
  platform::InjectFault(DdCall::CreateOffscreenSurface, kCode, 0, 1);
  platform::InjectFault(DdCall::Lock, kCode, 0, 1);
  platform::InjectFault(DdCall::Blt, kCode, 0, 1);
  EXPECT_EQ(device->SetCooperativeLevel(window, DDSCL_NORMAL), kCode);
  EXPECT_EQ(device->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = desc.dwHeight = 2;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  IDirectDrawSurface* surface = nullptr;
  EXPECT_EQ(device->CreateSurface(&desc, &surface, nullptr), kCode);
  ASSERT_EQ(device->CreateSurface(&desc, &surface, nullptr), DD_OK);
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), kCode);
  EXPECT_EQ(surface->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr), kCode);
  EXPECT_EQ(surface->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr), DD_OK);
}

TEST(Faults, TextNamesTheCallAndTheCodeInHexOrDecimal) {
  Start();
  IDirectDraw* device = nullptr;
  ASSERT_TRUE(platform::InjectFaultFromText("DirectDrawCreate:2005532292"));
  EXPECT_EQ(CreateDevice(&device), static_cast<HRESULT>(2005532292u));
  ASSERT_TRUE(platform::InjectFaultFromText("DirectDrawCreate:0x80004005"));
  EXPECT_EQ(CreateDevice(&device), DDERR_GENERIC);
  for (const char* bad :
       {"", "DirectDrawCreate", "DirectDrawCreate:", "DirectDrawCreate:0", "DirectDrawCreate:0x",
        "DirectDrawCreate:12ab", "Blit:0x1", "DirectDrawCreate:0x1FFFFFFFF", "DirectDrawCreate:-5",
        "directdrawcreate:0x1"}) {
    EXPECT_FALSE(platform::InjectFaultFromText(bad)) << bad;
  }
}

}  // namespace
}  // namespace layer_test
