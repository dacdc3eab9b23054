// Every header of the window system in one file: shared names must be
// defined once (a duplicate only fails where two headers meet).
#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "platform/draw/bitmap.h"
#include "platform/draw/bmp_format.h"
#include "platform/draw/canvas.h"
#include "platform/draw/cursors.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/draw/geometry.h"
#include "platform/draw/graphics.h"
#include "platform/draw/image_list.h"
#include "platform/draw/printers.h"
#include "platform/draw/raster_image.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/actions.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/hint_window.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/messages.h"
#include "platform/gui/popup.h"
#include "platform/gui/scrolling.h"
#include "platform/gui/services.h"
#include "platform/gui/timer.h"
#include "platform/gui/window.h"
#include "platform/gui/window_internal.h"
#include "platform/widgets/calendar.h"
#include "platform/widgets/draw_grid.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/grid_inplace_edit.h"
#include "platform/widgets/grids.h"
#include "platform/widgets/mask_edit.h"
#include "platform/widgets/menus.h"
#include "platform/widgets/message_dialog.h"
#include "platform/widgets/printer_setup_dialog.h"
#include "platform/widgets/std_bars.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_lists.h"
#include "platform/widgets/std_memo.h"
#include "platform/widgets/std_pages.h"
#include "platform/widgets/std_panels.h"
#include "platform/widgets/string_grid.h"

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
