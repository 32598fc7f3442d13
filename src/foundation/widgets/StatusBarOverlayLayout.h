#pragma once
// The status-bar overlay's geometry and colour choice as pure functions: the
// window's frame at creation and after a turn, the shrunk box, the detail
// panel's frame, the progress strip's frame and which colour scheme applies.
#include "platform/device/Device.h"
#include "platform/gfx/Geometry.h"
#include "platform/ui/Application.h"

#include <optional>

namespace pw {

enum OverlayDetailViewMode : int32_t {
    OverlayDetailViewModeHistory = 0,
    OverlayDetailViewModeDetailText = 1,
    OverlayDetailViewModeCustom = 2,
};

class StatusBarOverlayLayout {
public:
    static constexpr double kBarHeight = 20;
    static constexpr double kShrunkWidth = 26;
    static constexpr double kHistoryRowHeight = 25;
    static constexpr int kHistoryRowsShown = 5;
    static constexpr double kDetailPanelHeight = 145;

    // The window's frame made from the status bar's: a double-height bar (a call)
    // counts as 20 high, and a phone application shown on a tablet is 320 wide.
    static gfx::Rect creationFrame(const gfx::Rect& statusBar, bool isPad);
    // The box at the right end of a bar of this frame.
    static gfx::Rect smallFrameFor(const gfx::Rect& bar) {
        return {bar.width() - kShrunkWidth, 0, kShrunkWidth, bar.height()};
    }
    static double detailPanelWidth(bool isPad) { return isPad ? 400 : 280; }

    struct Placement {
        double angle = 0;     // the window's rotation
        gfx::Rect frame;      // the window's frame on the screen
        gfx::Rect smallFrame; // the shrunk box, in the window's own coordinates
        double barLength = 0; // the strip's full length along the bar
    };
    // Where the window goes for an interface orientation on a portrait screen.
    static Placement placementFor(device::Orientation o, gfx::Size screen);

    // The history table's offset into the panel for n entries: the panel shows the
    // bar plus n rows when n is below five, else five rows.
    static double historyOffset(size_t n);
    // The shown panel's frame, from its current frame.
    static gfx::Rect shownDetailFrame(OverlayDetailViewMode mode, const gfx::Rect& current, size_t historyCount,
                                      double detailTextHeight);
    static gfx::Rect hiddenDetailFrame(const gfx::Rect& current) {
        return {current.x(), -current.height(), current.width(), current.height()};
    }

    // The light scheme takes the default bar on a phone-sized screen.
    static bool usesLightScheme(ui::StatusBarStyle style, bool isPad, const gfx::Rect& statusBar);

    // The progress strip covering the text not yet reached and all right of it:
    // none when the strip hides (progress complete), the current frame when the
    // label has no text.
    struct ProgressStrip {
        bool hidden = false;
        gfx::Rect frame;
    };
    static ProgressStrip progressStrip(double progress, double textWidth, double labelCenterX, const gfx::Rect& current,
                                       double stripWidth);
};

} // namespace pw
