#pragma once
// The header of one volume in the site chapter list: the volume's name on a
// bar; a tap tells the delegate (the list opens its volume panel).
#include "platform/ui/Label.h"
#include "platform/ui/View.h"
#include "reader/RZChapterListSectionDelegate.h"

#include <memory>
#include <string>

namespace pw {

class RZChapterListSection : public ui::View {
public:
    static std::shared_ptr<RZChapterListSection> create(const gfx::Rect& frame, std::string name, std::string code) {
        return ui::View::create<RZChapterListSection>(frame, std::move(name), std::move(code));
    }

    std::string vname;
    std::string vcode;
    std::weak_ptr<RZChapterListSectionDelegate> delegate; // not retained
    void tapHandler();
    const ui::Label& label() const { return *m_label; }

protected:
    RZChapterListSection(const gfx::Rect& frame, std::string name, std::string code)
        : ui::View(frame), vname(std::move(name)), vcode(std::move(code)) {}
    friend class ui::View;
    void didCreate() override;

private:
    std::shared_ptr<ui::Label> m_label;
};

} // namespace pw
