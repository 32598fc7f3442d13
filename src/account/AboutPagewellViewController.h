#pragma once
// The about page: the icon, the site's slogan, the product's name and
// version, a description of the site, a disclaimer, the contact lines and the
// rights line, in one vertically scrolling view; the right bar button opens
// the user agreement.
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <vector>

namespace pw {

class AboutPagewellViewController : public ui::ViewController {
public:
    static std::shared_ptr<AboutPagewellViewController> create() {
        return ViewController::create<AboutPagewellViewController>();
    }

    // Makes the agreement screen `click` presents; without one, a plain page
    // with the bundle's agreement text and a button "知道了" that closes it.
    using AgreementFactory = std::function<std::shared_ptr<ui::ViewController>()>;
    static void setAgreementFactory(AgreementFactory factory);

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;
    void click();

    const std::shared_ptr<ui::ScrollView>& scrollview() const { return m_scrollview; }
    double allHeight() const { return m_allHeight; }
    // The labels top to bottom: slogan, product, version, the two paragraphs,
    // the three contact lines and the rights line.
    const std::vector<std::shared_ptr<ui::Label>>& labels() const { return m_labels; }

protected:
    AboutPagewellViewController() { setTitle("关于"); }
    friend class ui::ViewController;

private:
    std::shared_ptr<ui::ScrollView> m_scrollview;
    std::vector<std::shared_ptr<ui::Label>> m_labels;
    double m_allHeight = 0;
};

} // namespace pw
