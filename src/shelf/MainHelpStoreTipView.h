#pragma once
// The first-run hint over the store tab: an arrow that keeps bouncing.
#include "platform/ui/View.h"

namespace pw {

class MainHelpStoreTipView : public ui::View {
public:
    static constexpr const char* kAnimationKey = "key_animate_jump";

    void genMenuAndShow();
    void showWithAnimate();
    void didRotate();
    void close();
    void clean() {}
    bool hasGen() const { return m_hasGen; }
    void setHasGen(bool g) { m_hasGen = g; }

protected:
    using View::View;
    friend class ui::View;

private:
    bool m_hasGen{false};
};

} // namespace pw
