// The life of the "Update" class: the record it is registered with, its reach over the
// whole process, and its registration and removal as gauge.dll is loaded and unloaded.
#include <gtest/gtest.h>

#include <thread>

#include "gauge_testing.h"

using namespace gaugetest;

namespace {

bool ClassExists() {
  WNDCLASSA wc;
  return GetClassInfoA(GetModuleHandleA(nullptr), GAUGE_CLASS_NAME, &wc) != 0;
}

// True when `address` lies inside the image of `module`.
bool InModule(HMODULE module, const void* address) {
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const BYTE* p = static_cast<const BYTE*>(address);
  return p >= base && p < base + nt->OptionalHeader.SizeOfImage;
}

// Shows, in a fresh host window, that a gauge of the class works: it paints 50 %.
void ExpectWorkingGauge() {
  HWND host = CreateHostWindow(220, 40);
  ASSERT_NE(nullptr, host);
  HWND g = CreateGauge(host, 10, 8, 180, 20);
  ASSERT_NE(nullptr, g) << "CreateWindowExA failed: " << GetLastError();
  wintest::Capture got = Shot(g);
  EXPECT_EQ("", Differences(ExpectedBar(180, 20, "50%", 90, nullptr, GetSysColor(COLOR_WINDOW)),
                            got));
  DestroyWindow(host);
}

TEST(GaugeClass, IsRegisteredWithTheRecordOfTheDll) {
  ASSERT_FALSE(ClassExists()) << "no class before the DLL is loaded";
  LoadedGauge dll;
  ASSERT_NE(nullptr, dll.module());
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(dll.module(), GAUGE_CLASS_NAME, &wc));
  EXPECT_EQ(0x4003u, wc.style) << "CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS";
  EXPECT_EQ(0, wc.cbClsExtra);
  EXPECT_EQ(12, wc.cbWndExtra);
  EXPECT_EQ(dll.module(), wc.hInstance);
  EXPECT_EQ(nullptr, wc.hIcon);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), wc.hCursor);
  EXPECT_EQ(nullptr, wc.hbrBackground);
  EXPECT_EQ(nullptr, wc.lpszMenuName);
  EXPECT_TRUE(InModule(dll.module(), reinterpret_cast<const void*>(wc.lpfnWndProc)))
      << "the window procedure is the DLL's own";
}

TEST(GaugeClass, IsVisibleToEveryModuleOfTheProcess) {
  LoadedGauge dll;
  ASSERT_NE(nullptr, dll.module());
  HWND host = CreateHostWindow(100, 40);
  ASSERT_NE(nullptr, host);
  const HINSTANCE instances[] = {GetModuleHandleA(nullptr), nullptr, dll.module(),
                                 GetModuleHandleA("user32.dll")};
  for (HINSTANCE instance : instances) {
    HWND g = CreateWindowExA(0, GAUGE_CLASS_NAME, "", WS_CHILD, 0, 0, 50, 10, host, nullptr,
                             instance, nullptr);
    EXPECT_NE(nullptr, g) << "instance " << instance << ": " << GetLastError();
    EXPECT_EQ(100, SendMessageA(g, UM_GETRANGE, 0, 0));
    DestroyWindow(g);
  }
  DestroyWindow(host);
}

TEST(GaugeClass, UnloadingUnregistersItAndLoadingAgainRegistersItAgain) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    LoadedGauge dll;
    ASSERT_NE(nullptr, dll.module());
    ASSERT_TRUE(ClassExists());
    ExpectWorkingGauge();
    HMODULE module = dll.module();
    dll.Unload();
    EXPECT_EQ(nullptr, GetModuleHandleA("gauge.dll")) << "the DLL should be gone";
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(module, GAUGE_CLASS_NAME, &wc));
    EXPECT_FALSE(ClassExists());
    SetLastError(0);
    HWND g = CreateWindowExA(0, GAUGE_CLASS_NAME, "", WS_POPUP, 0, 0, 50, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(nullptr, g);
    DWORD error = GetLastError();  // Windows says 1407, Wine 1411: both mean "no such class"
    EXPECT_TRUE(error == ERROR_CANNOT_FIND_WND_CLASS || error == ERROR_CLASS_DOES_NOT_EXIST)
        << "error " << error;
    if (g) DestroyWindow(g);
  }
}

TEST(GaugeClass, ThreadsStartingAndEndingChangeNothing) {
  LoadedGauge dll;
  ASSERT_NE(nullptr, dll.module());
  for (int i = 0; i < 3; ++i) std::thread([] {}).join();
  EXPECT_TRUE(ClassExists()) << "thread attach and detach must leave the class alone";
  ExpectWorkingGauge();
}

LRESULT CALLBACK OtherUpdateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == UM_GETRANGE) return 4242;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(GaugeClass, FailedRegistrationLeavesTheDllLoadedAndAnotherModulesClassAlone) {
  // A class of the same name registered first makes the DLL's registration fail.
  WNDCLASSA other = {};
  other.style = CS_GLOBALCLASS;
  other.lpfnWndProc = OtherUpdateProc;
  other.hInstance = GetModuleHandleA(nullptr);
  other.lpszClassName = GAUGE_CLASS_NAME;
  ASSERT_NE(0, RegisterClassA(&other));
  {
    LoadedGauge dll;
    EXPECT_NE(nullptr, dll.module()) << "loading must not fail because of the class";
    HWND w = CreateWindowExA(0, GAUGE_CLASS_NAME, "", WS_POPUP, 0, 0, 50, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(4242, SendMessageA(w, UM_GETRANGE, 0, 0)) << "windows are of the first class";
    DestroyWindow(w);
  }
  EXPECT_TRUE(ClassExists()) << "unloading must not remove a class the DLL did not register";
  EXPECT_TRUE(UnregisterClassA(GAUGE_CLASS_NAME, GetModuleHandleA(nullptr)));

  LoadedGauge again;  // with the name free, the next load registers the gauge
  ASSERT_NE(nullptr, again.module());
  ExpectWorkingGauge();
}

}  // namespace
