#include "shelf/MainHelpStoreTipView.h"

#include "platform/ui/Animation.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Layer.h"

namespace pw {

namespace {

// A downward arrow drawn in code when the bundle has no picture for it.
class ArrowView : public ui::View {
public:
    void draw(gfx::Context& ctx, const gfx::Rect&) override {
        const gfx::Rect b = bounds();
        ctx.setFillColor(gfx::Color::fromRGB255(230, 80, 40));
        ctx.fillRect(gfx::Rect(b.midX() - 5, 0, 10, b.height() / 2));
        ctx.beginPath();
        ctx.moveTo({0, b.height() / 2});
        ctx.lineTo({b.width(), b.height() / 2});
        ctx.lineTo({b.midX(), b.height()});
        ctx.closePath();
        ctx.fillPath();
    }

protected:
    using View::View;
    friend class ui::View;
};

} // namespace

void MainHelpStoreTipView::genMenuAndShow() {
    if (!m_hasGen) {
        m_hasGen = true;
        const gfx::Rect frame(0, 0, 30, 30);
        if (auto img = ui::BundleImage::named("arrow_storetip.png"); !img.isNull()) {
            auto iv = ui::View::create<ui::ImageView>();
            iv->setFrame(frame);
            iv->setImage(img);
            addSubview(iv);
        } else {
            auto arrow = ui::View::create<ArrowView>(frame);
            arrow->setOpaque(false);
            addSubview(arrow);
        }
        setHidden(true);
    }
    showWithAnimate();
}

void MainHelpStoreTipView::showWithAnimate() {
    setHidden(false);
    const gfx::Point c = center();
    auto jump = std::make_shared<ui::PropertyAnimation>("position");
    jump->path = {c, {c.x, c.y + 10}, c};
    jump->duration = 1.0;
    auto group = std::make_shared<ui::AnimationGroup>();
    group->animations = {jump};
    group->duration = 1.0;
    group->repeatCount = ui::Animation::kForever;
    layer()->addAnimation(group, kAnimationKey);
}

void MainHelpStoreTipView::didRotate() {
    layer()->removeAnimation(kAnimationKey);
    showWithAnimate();
}

void MainHelpStoreTipView::close() {
    layer()->removeAnimation(kAnimationKey);
    setHidden(true);
}

} // namespace pw
