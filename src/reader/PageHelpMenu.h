#pragma once

// The see-through sheet over a newly opened book that shows the tap zones:
// back, forward and the centre that opens the menu, with "不再提示". Any touch
// on it removes it; one on "不再提示" also stores that it never comes back.

#include <optional>

#include "platform/core/ObserverToken.h"
#include "platform/ui/View.h"

namespace pw {

class PageHelpMenu : public ui::View {
public:
    static constexpr const char* kSettingKey = "Settings_Key_ShowReadHelpMenu";

    // Lays a sheet over the host unless "off" is stored or one stands there.
    static void genMenuAndShow(ui::View& host, bool isUpDown);
    // Removes the host's sheet; a touch on "不再提示" stores "off".
    static void hideMenu(ui::View& host, gfx::Point touchPoint);

    bool isUpDown() const { return m_isUpDown; }
    const gfx::Rect& noTips() const { return m_noTips; }
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit PageHelpMenu(const gfx::Rect& frame);
    friend class ui::View;
    void didCreate() override;

private:
    bool m_isUpDown = false;
    gfx::Rect m_noTips;
    core::ObserverToken m_orientationToken;
};

} // namespace pw
