// The real ridgel.dll on a platform of major version 4 or more (this program runs with
// GetVersion answering 10): check boxes and radio buttons keep the platform's procedure and
// drawing, while group boxes and the dialog still get the raised look.
#include <windows.h>

#include <gtest/gtest.h>

#include "ridgel_testlib.h"

namespace {

TEST(RidgelModern, OnlyGroupBoxesAmongTheButtonsGetAProcedure) {
  ASSERT_EQ(10, rt::MajorVersion()) << "this program must run with the version set to win10";
  rt::Library lib;
  ASSERT_TRUE(lib.Complete());
  HWND dlg = rt::OpenDialog(IDD_BUTTONS);
  ASSERT_NE(nullptr, dlg);
  rt::DialogGuard guard(dlg);
  EXPECT_TRUE(rt::IsSubclassed(dlg));
  for (int id : {IDC_PLAIN_CHECK, IDC_AUTO_CHECK, IDC_LEFT_CHECK, IDC_3STATE, IDC_AUTO_3STATE,
                 IDC_PLAIN_RADIO, IDC_RADIO_100, IDC_RADIO_101, IDC_RADIO_102, IDC_RADIO_103,
                 IDC_PUSH_104}) {
    HWND button = GetDlgItem(dlg, id);
    EXPECT_FALSE(rt::IsSubclassed(button)) << "control " << id;
    EXPECT_FALSE(lib.Contains(rt::WindowProc(button))) << "control " << id;
  }
  HWND frame = GetDlgItem(dlg, IDC_FRAME);
  EXPECT_TRUE(rt::IsSubclassed(frame));
  EXPECT_TRUE(lib.Contains(rt::WindowProc(frame)));
}

TEST(RidgelModern, CheckBoxesAreThePlatformsOwnAndGetTheControlFont) {
  rt::Library lib;
  ASSERT_TRUE(lib.Complete());
  rt::GlyphSheet sheet = rt::LoadGlyphSheet(lib.module);
  HWND dlg = rt::OpenDialog(IDD_BUTTONS);
  rt::DialogGuard guard(dlg);
  HWND box = GetDlgItem(dlg, IDC_AUTO_CHECK);
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(BST_CHECKED, SendMessageA(box, BM_GETCHECK, 0, 0));
  wintest::Capture shot = rt::SettledClient(box);
  for (int y = 0; y + 13 <= shot.height; ++y) {
    for (int x = 0; x + 13 <= shot.width; ++x) {
      ASSERT_EQ(-1, rt::WhichCell(shot, x, y, sheet)) << "no glyph of ours at " << x << "," << y;
    }
  }
  LOGFONTA lf = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(VARIABLE_PITCH | FF_SWISS, lf.lfPitchAndFamily) << "still the library's font";
}

}  // namespace
