// Every header of the window system in one file: shared names must be
// defined once (a duplicate only fails where two headers meet).
#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "platform/gui/actions.h"
#include "platform/gui/bitmap.h"
#include "platform/gui/bmp_format.h"
#include "platform/gui/calendar.h"
#include "platform/gui/canvas.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/controls.h"
#include "platform/gui/cursors.h"
#include "platform/gui/draw_text.h"
#include "platform/gui/draw_utils.h"
#include "platform/gui/file_dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/geometry.h"
#include "platform/gui/graphics.h"
#include "platform/gui/grid_inplace_edit.h"
#include "platform/gui/grids.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/hint_window.h"
#include "platform/gui/image_list.h"
#include "platform/gui/mask_edit.h"
#include "platform/gui/menus.h"
#include "platform/gui/message_dialog.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/messages.h"
#include "platform/gui/popup.h"
#include "platform/gui/printer_setup_dialog.h"
#include "platform/gui/printers.h"
#include "platform/gui/raster_image.h"
#include "platform/gui/recording_canvas.h"
#include "platform/gui/services.h"
#include "platform/gui/std_bars.h"
#include "platform/gui/std_buttons.h"
#include "platform/gui/std_combo.h"
#include "platform/gui/std_edit.h"
#include "platform/gui/std_labels.h"
#include "platform/gui/std_lists.h"
#include "platform/gui/std_memo.h"
#include "platform/gui/std_pages.h"
#include "platform/gui/std_panels.h"
#include "platform/gui/timer.h"
#include "platform/gui/window.h"
#include "platform/gui/window_internal.h"

namespace {

// The memo and the grid share one scroll-style type.
static_assert(std::is_same_v<decltype(std::declval<const TCustomMemo&>().ScrollBars()),
                             decltype(std::declval<const TCustomGrid&>().ScrollBars())>);

TEST(AllHeadersTest, SharedStyleBitsKeepTheirClassicValues) {
  EXPECT_EQ(ES_MULTILINE, 0x0004u);
  EXPECT_EQ(ES_READONLY, 0x0800u);
  EXPECT_EQ(ES_WANTRETURN, 0x1000u);
  EXPECT_EQ(CBS_DROPDOWNLIST, 0x0003u);
  EXPECT_EQ(CBS_OWNERDRAWFIXED, 0x0010u);
  EXPECT_EQ(ssBoth, 3);
}

}  // namespace
