#include "shelf/MainHelpStoreCloudView.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"

namespace pw {

void MainHelpStoreCloudView::genMenuAndShow() {
    if (!m_hasGen) {
        m_hasGen = true;
        auto label = ui::View::create<ui::Label>(gfx::Rect(20, 21, bounds().width() - 40, 38));
        label->setFont(gfx::Font::systemFont(12));
        label->setText(kText);
        label->setNumberOfLines(0);
        label->setBackgroundColor(gfx::Color::clear());
        label->setTextColor(gfx::Color::white());
        label->setShadowColor(gfx::Color(0.2, 0.2, 0.2, 0.9));
        label->setShadowOffset({0, 1});
        label->setTextAlignment(gfx::TextAlignment::Center);
        addSubview(label);
        if (auto img = ui::BundleImage::named("cloud_storetip.png"); !img.isNull()) {
            auto iv = ui::View::create<ui::ImageView>();
            iv->setFrame(gfx::Rect(0, 0, 120, 80));
            iv->setImage(img);
            addSubview(iv);
        } else {
            // Without the bubble picture the bubble is the view itself.
            setBackgroundColor(gfx::Color(0.15, 0.35, 0.6, 0.9));
            layer()->setCornerRadius(10);
        }
        setHidden(true);
    }
    showWithAnimate();
}

} // namespace pw
