#pragma once
// The edit-mode bar of four buttons along the bottom of the shelf (select all,
// update, delete, and download management or move), as the main screen wires it.
#include "platform/ui/View.h"

#include <array>
#include <memory>

namespace pw {

namespace ui {
class Button;
}

class ShelfEditBar : public ui::View {
public:
    void genMenuAndShow();
    void close() { setHidden(true); }
    ui::Button* button(int index) const { return m_buttons.at(static_cast<size_t>(index)).get(); }
    bool hasAddHandler() const { return m_hasAddHandler; }
    void setHasAddHandler(bool h) { m_hasAddHandler = h; }
    bool hasSelectedAll() const { return m_hasSelectedAll; }
    void setHasSelectedAll(bool s) { m_hasSelectedAll = s; }

protected:
    using View::View;
    friend class ui::View;

private:
    bool m_hasGen{false};
    bool m_hasAddHandler{false};
    bool m_hasSelectedAll{false};
    std::array<std::shared_ptr<ui::Button>, 4> m_buttons{};
};

} // namespace pw
