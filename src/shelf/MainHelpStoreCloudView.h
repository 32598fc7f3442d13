#pragma once
// The first-run hint over the store tab: a speech bubble with one line.
#include "platform/ui/View.h"

namespace pw {

class MainHelpStoreCloudView : public ui::View {
public:
    static constexpr const char* kText = "点此查找您喜爱的作品";

    void genMenuAndShow();
    void showWithAnimate() { setHidden(false); }
    void close() { setHidden(true); }
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
