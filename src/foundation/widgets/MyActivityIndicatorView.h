#pragma once
// A small busy indicator drawn from six picture frames; it counts starts so
// that overlapping requests can share it.
#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"

namespace pw {

class MyActivityIndicatorView : public ui::View {
public:
    static std::shared_ptr<MyActivityIndicatorView> initWithFrame(const gfx::Rect& frame);
    static std::shared_ptr<MyActivityIndicatorView> init();

    static constexpr double kSide = 32;
    static constexpr double kCycle = 0.8;

    void setup();
    void startAnimating();
    void stopAnimating();
    void stopAnimatingUtilAllDone();

    ui::ImageView* activityImageView() const { return m_activityImageView; }
    void setActivityImageView(ui::ImageView* v) { m_activityImageView = v; }
    int32_t count() const { return m_count; }
    void setCount(int32_t c) { m_count = c; }

protected:
    explicit MyActivityIndicatorView(const gfx::Rect& frame);
    friend class ui::View;
    void didCreate() override;

private:
    ui::ImageView* m_activityImageView = nullptr; // held by the view tree
    int32_t m_count = 0;
};

} // namespace pw
