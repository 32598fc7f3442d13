#pragma once
// The user agreement: on the first start with agree and refuse buttons (the
// main screen presents it modally), from the about screen for reading only.
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>

namespace pw {

namespace ui {
class Button;
class ScrollView;
class TextView;
} // namespace ui

class XieYiDelegate {
public:
    virtual ~XieYiDelegate() = default;
    virtual void agreed() = 0;
};

class XieYiViewController : public ui::ViewController {
public:
    static std::shared_ptr<XieYiViewController> create() { return ViewController::create<XieYiViewController>(); }

    bool isFirstLoad{false};
    std::weak_ptr<XieYiDelegate> delegate{};

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;

    void agree();
    void refuse();
    void ok();

    double allHeight() const { return m_allHeight; }
    ui::ScrollView* scroll() const { return m_scroll.get(); }
    ui::TextView* textView() const { return m_textView.get(); }
    const std::vector<std::shared_ptr<ui::Button>>& buttons() const { return m_buttons; }

    // How refusing ends the process; tests stand something else in.
    using Terminator = std::function<void(int status)>;
    static void setTerminator(Terminator terminator);

protected:
    XieYiViewController() = default;
    friend class ui::ViewController;

private:
    std::shared_ptr<ui::ScrollView> m_scroll{};
    std::shared_ptr<ui::TextView> m_textView{};
    std::vector<std::shared_ptr<ui::Button>> m_buttons{};
    double m_allHeight{0};
};

} // namespace pw
