// Which windows the gtk backend makes override-redirect popups.
#include <gtest/gtest.h>

#include "platform/gtk/SurfaceKind.h"

namespace {

using os::gtk::KindOf;
using os::gtk::SurfaceKind;

os::SurfaceParams DropDownParams() {
  os::SurfaceParams params;
  params.owner = 7;
  params.popup = true;
  params.toolWindow = true;
  params.noActivate = true;
  params.topmost = true;
  return params;
}

TEST(GtkSurfaceKind, OnlyOwnedNonActivatingPopupToolWindowsAreDropDowns) {
  EXPECT_EQ(KindOf(DropDownParams()), SurfaceKind::DropDown);
  // Missing any one of the four makes an ordinary window the desktop manages:
  // an unowned one would have nothing to close it, one that may be activated
  // needs the window manager's focus handling.
  os::SurfaceParams p = DropDownParams();
  p.owner = 0;
  EXPECT_EQ(KindOf(p), SurfaceKind::TopLevel);
  p = DropDownParams();
  p.popup = false;
  EXPECT_EQ(KindOf(p), SurfaceKind::TopLevel);
  p = DropDownParams();
  p.noActivate = false;
  EXPECT_EQ(KindOf(p), SurfaceKind::TopLevel);
  p = DropDownParams();
  p.toolWindow = false;
  EXPECT_EQ(KindOf(p), SurfaceKind::TopLevel);
  // Skinned main windows (popup, unowned) and message boxes stay top-level.
  EXPECT_EQ(KindOf(os::SurfaceParams{}), SurfaceKind::TopLevel);
}

}  // namespace
